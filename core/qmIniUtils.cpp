#include "core/qmIniUtils.h"

#include "core/qmFileUtils.h"
#include "os/os.h"

namespace {
constexpr size_t IniBufferSize = 1024;
}

std::string ExeIniFileName() { return ChangeFileExt(os::ExeFileName(), ".ini"); }

std::string IniReadString(const std::string& fileName, const std::string& section, const std::string& ident,
                          const std::string& def) {
  return os::ReadProfileString(fileName, section, ident, def, IniBufferSize);
}

bool IniWriteString(const std::string& fileName, const std::string& section, const std::string& ident,
                    const std::string& value) {
  return os::WriteProfileString(fileName, section, ident, value);
}
