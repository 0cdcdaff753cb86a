// A file of the settings folder that a source reads (natively the folder moves into the
// scratch folder; under Wine it is the prefix's own).
#pragma once

#include <string>

#include "core/LorvexClasses.h"
#include "core/qmFileUtils.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"

// Writes Text as the file Name of the settings folder; answers its path.
inline std::string WriteSourceSettings(const std::string& name, const std::string& text) {
#ifndef _WIN32
  static const bool moved = os::SetEnv("XDG_CONFIG_HOME", testpaths::FreshFolder("source_settings"));
  (void)moved;
#endif
  const std::string folder = SettingsFolder("Lorvex");
  ForceDirectories(folder);
  os::WriteFileReplacing(folder + name, text);
  return folder + name;
}
