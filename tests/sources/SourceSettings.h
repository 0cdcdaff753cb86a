// The settings folder of a source's test, with the files it writes there.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "core/qmFileUtils.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

// Natively the settings folder moves into the scratch folder; under Wine it is the prefix's
// own. Answers it, created.
inline std::string TestSettingsFolder() {
#ifndef _WIN32
  static const bool moved = os::SetEnv("XDG_CONFIG_HOME", testpaths::FreshFolder("settings"));
  (void)moved;
#endif
  const std::string folder = SettingsFolder("Lorvex");
  ForceDirectories(folder);
  return folder;
}

// A path of the program's (with backslashes) as the build's file system takes it.
inline std::filesystem::path NativePath(std::string path) {
  if (testpaths::Sep != '\\') std::replace(path.begin(), path.end(), '\\', testpaths::Sep);
  return std::filesystem::u8path(path);
}

// A folder-list file of Folders, with More lines in its [Options].
inline std::string FolderListText(const std::vector<std::string>& folders, bool subfolders,
                                  const std::string& more = "") {
  std::string text = "[Folders]\r\n";
  for (size_t i = 0; i < folders.size(); ++i) text += "Folder" + std::to_string(i) + "=" + folders[i] + "\r\n";
  return text + "[Options]\r\nSubfolders=" + (subfolders ? "1" : "0") + "\r\n" + more;
}

// Writes (or, with an empty text, deletes) a file of the settings folder; answers its path.
inline std::string WriteSettingsFile(const std::string& name, const std::string& text) {
  const std::string fileName = TestSettingsFolder() + name;
  os::DeleteFile(fileName);
  if (!text.empty()) os::WriteFileReplacing(fileName, text);
  return fileName;
}
