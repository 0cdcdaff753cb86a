// Scratch folders and whole-file texts for tests that touch real files, on both builds.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
  std::string folder = configured && *configured ? ProgramPath(configured)
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

// The bytes of a file; empty when it cannot be read.
inline std::string ReadText(const std::string& fileName) {
  std::ifstream in(std::filesystem::u8path(fileName), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes Text as the whole file, creating its folders.
inline void WriteText(const std::string& fileName, const std::string& text) {
  const std::filesystem::path path = std::filesystem::u8path(fileName);
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace testpaths
