#include "sources/SourceSupport.h"

#include "core/qmFileUtils.h"

namespace {

constexpr int csidlSystem = 37;

}  // namespace

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool IsPartOf(const std::string& typed, const std::string& keyword) {
  return !typed.empty() && Contains(keyword, typed);
}

os::TShellOpenRequest ShellOpenRequestFor(const TItemData& item) {
  os::TShellOpenRequest request;
  request.ShowCmd = 9;  // restored
  if (item.AsAdmin) request.Verb = "runas";
  request.File = item.ExecuteString();
  request.Parameters = item.Parameters();
  return request;
}

std::string SystemFolder() { return IncludeTrailingBackslash(GetSpecialFolderPath(csidlSystem)); }

std::string Shell32Path() { return SystemFolder() + "shell32.dll"; }

std::string ImagesIcon(const std::string& name) { return ExeFolder() + "images\\" + name + ".ico"; }
