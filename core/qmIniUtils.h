// Single values of INI files, and the executable's own INI file.
#pragma once

#include <string>

// The executable's full name with the extension ".ini".
std::string ExeIniFileName();
// At most 1023 characters of the value; Default when the key is missing.
std::string IniReadString(const std::string& fileName, const std::string& section, const std::string& ident,
                          const std::string& def);
bool IniWriteString(const std::string& fileName, const std::string& section, const std::string& ident,
                    const std::string& value);
