// The settings folder of a source's test, with the INI files it writes there.
#pragma once

#include <string>

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

// Writes (or, with an empty text, deletes) a file of the settings folder; answers its path.
inline std::string WriteSettingsFile(const std::string& name, const std::string& text) {
  const std::string fileName = TestSettingsFolder() + name;
  os::DeleteFile(fileName);
  if (!text.empty()) os::WriteFileReplacing(fileName, text);
  return fileName;
}
