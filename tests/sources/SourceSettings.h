// A settings folder of its own for a source's files, and the shell's answers recorded.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "core/qmFileUtils.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

// A path of the program's (with backslashes) as the build's file system takes it.
inline std::filesystem::path NativePath(std::string path) {
  if (testpaths::Sep != '\\') std::replace(path.begin(), path.end(), '\\', testpaths::Sep);
  return std::filesystem::u8path(path);
}

// The settings folder, empty: natively a scratch folder named Name, under Wine the fresh prefix's
// application data (the program that uses it there runs alone).
inline std::string FreshSettingsFolder(const std::string& name) {
#ifndef _WIN32
  os::SetEnv("XDG_CONFIG_HOME", testpaths::FreshFolder(name));
#endif
  const std::string folder = SettingsFolder("Lorvex");
  std::error_code error;
  std::filesystem::remove_all(NativePath(folder), error);
  ForceDirectories(folder);
  return folder;
}

// Records what is handed to the shell instead of opening it.
class TRecordedShell {
 public:
  TRecordedShell() {
    os::SetShellOpenForTests([this](const os::TShellOpenRequest& request, std::string&) {
      Opened.push_back(request);
      return true;
    });
  }
  ~TRecordedShell() { os::SetShellOpenForTests(nullptr); }
  TRecordedShell(const TRecordedShell&) = delete;
  TRecordedShell& operator=(const TRecordedShell&) = delete;

  std::vector<os::TShellOpenRequest> Opened;
};
