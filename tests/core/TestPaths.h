// Scratch folders for tests that touch real files, on both builds.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace testpaths {

// The separator of the build's own file system.
#ifdef _WIN32
inline constexpr char Sep = '\\';
#else
inline constexpr char Sep = '/';
#endif

// A path in the program's own form. Under Wine a Unix path "/a/b" (as the environment hands
// it over) becomes "Z:\a\b": drive Z: is the Unix root, and the shell calls do not take "/a/b".
inline std::string ProgramPath(const std::string& path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') {
    std::string result = "Z:" + path;
    for (char& c : result)
      if (c == '/') c = '\\';
    return result;
  }
#endif
  return path;
}

// The scratch folder named by LORVEX_TEST_TMP (the system's temporary folder when unset),
// created when missing; without trailing separator.
inline std::string TestTmpFolder() {
  const char* configured = std::getenv("LORVEX_TEST_TMP");
  std::string folder = configured && *configured
                           ? ProgramPath(configured)
                           : (std::filesystem::temp_directory_path() / "lorvex_tests").string();
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return folder;
}

// A new, empty folder of the scratch folder, with a trailing separator; whatever a previous
// run left there is removed first.
inline std::string FreshFolder(const std::string& name) {
  const std::string folder = TestTmpFolder() + Sep + name;
  std::error_code error;
  std::filesystem::remove_all(folder, error);
  std::filesystem::create_directories(folder, error);
  return folder + Sep;
}

}  // namespace testpaths
