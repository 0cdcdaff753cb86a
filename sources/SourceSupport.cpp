#include "sources/SourceSupport.h"

#include "core/qmFileUtils.h"

namespace {

constexpr int csidlSystem = 37;

}  // namespace

bool IsPartOf(const std::string& typed, const std::string& keyword) {
  return !typed.empty() && keyword.find(typed) != std::string::npos;
}

std::string SystemFolder() { return IncludeTrailingBackslash(GetSpecialFolderPath(csidlSystem)); }

std::string Shell32Path() { return SystemFolder() + "shell32.dll"; }

std::string ImagesIcon(const std::string& name) { return ExeFolder() + "images\\" + name + ".ico"; }
