#include "app/win32/ItemIcons.h"

#include <shellapi.h>

#include <cstdlib>
#include <exception>
#include <functional>

#include "core/qmFileUtils.h"
#include "core/qmLog.h"
#include "core/qmStringUtils.h"

namespace {

// The default value of a key of the classes root; empty when there is none.
std::string ClassesRootValue(const std::string& key) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "";
  char value[MAX_PATH * 2] = "";
  DWORD size = sizeof(value) - 1;
  DWORD type = 0;
  std::string result;
  if (RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ))
    result.assign(value, strnlen(value, size));
  RegCloseKey(handle);
  return result;
}

std::string ExpandEnvironment(const std::string& text) {
  char expanded[MAX_PATH * 2] = "";
  const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof(expanded));
  return length > 0 && length <= sizeof(expanded) ? std::string(expanded) : text;
}

HICON AssociatedIcon(const std::string& fileName) {
  char path[MAX_PATH] = "";
  lstrcpynA(path, fileName.c_str(), MAX_PATH);
  WORD index = 0;
  return ExtractAssociatedIconA(GetModuleHandleA(nullptr), path, &index);
}

// The class of the extension names its icon file and index under "DefaultIcon".
HICON RegistryIcon(const TItemData& item, const std::string& fileName) {
  std::string key = item.Extension;
  if (key.empty()) key = ExtractFileExt(fileName);
  if (key.empty()) key = ".dll";
  const std::string fileClass = ClassesRootValue(key);
  if (fileClass.empty()) return nullptr;
  const std::string location = ClassesRootValue(fileClass + "\\DefaultIcon");
  const size_t comma = location.find(',');
  if (comma == std::string::npos) return nullptr;
  const std::string indexText = Trim(location.substr(comma + 1, 100));
  char* end = nullptr;
  const long index = std::strtol(indexText.c_str(), &end, 10);
  if (indexText.empty() || *end != '\0' || index == -1) return nullptr;
  std::string iconFile = Trim(location.substr(0, comma));
  if (iconFile.size() >= 2 && iconFile.front() == '"' && iconFile.back() == '"')
    iconFile = iconFile.substr(1, iconFile.size() - 2);
  HICON icon = nullptr;
  ExtractIconExA(ExpandEnvironment(iconFile).c_str(), static_cast<int>(index), &icon, nullptr, 1);
  return icon;
}

// The icon the shell shows for an existing folder.
HICON FolderIcon(const std::string& folder) {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(folder.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_LARGEICON)) return nullptr;
  return info.hIcon;
}

// The shell's icon by the name alone (the file need not exist). The icon's location is not
// asked for: it is not needed, and some shells then answer without an icon.
HICON ShellIcon(const std::string& fileName) {
  SHFILEINFOA info{};
  const UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | SHGFI_SHELLICONSIZE;
  if (!SHGetFileInfoA(fileName.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), flags)) return nullptr;
  return info.hIcon;
}

// Runs one lookup step; a failure is logged and counts as no icon.
template <typename TStep>
HICON Guarded(const char* what, TStep step) {
  try {
    return step();
  } catch (const std::exception& e) {
    GetLog().Log("Exception", std::string(what) + " - " + e.what());
  }
  return nullptr;
}

HICON ErrorIcon() {
  return static_cast<HICON>(
      LoadImageA(nullptr, (ExeFolder() + "images\\error.ico").c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
}

HICON HandleOf(const TItemData& item) {
  const auto* icon = dynamic_cast<const TWinIcon*>(item.Icon.get());
  return icon ? icon->Handle() : nullptr;
}

}  // namespace

bool IsUrlItem(const TItemData& item) {
  if (SameText(item.Extension, ".url")) return true;
  const std::string target = item.ExecuteString();
  for (const std::string& prefix : AppSettings().IsUrl)
    if (!prefix.empty() && StartsText(prefix, target)) return true;
  return false;
}

HICON GetItemIcon(const TItemData& item) {
  const std::string fileName = IsUrlItem(item) ? "*.htm" : item.IconFile();
  HICON icon = nullptr;
  if (ExtractFileExt(fileName).empty() && DirectoryExists(fileName))
    icon = Guarded("Get icon with ExtractAssociatedIcon", [&] { return FolderIcon(fileName); });
  if (!icon) icon = Guarded("Get icon from registry", [&] { return RegistryIcon(item, fileName); });
  if (!icon) icon = Guarded("Get icon with ExtractAssociatedIcon", [&] { return AssociatedIcon(fileName); });
  if (!icon) icon = ShellIcon(fileName);
  return icon;
}

HICON RowIcon(TItemData& item) {
  if (item.Icon) return HandleOf(item);
  auto lookUp = [&](const char* what, const std::function<void()>& step) {
    try {
      step();
    } catch (const std::exception& e) {
      GetLog().Log("Exception", std::string(what) + " - " + e.what());
    } catch (...) {
      GetLog().Log("Exception", std::string(what) + " - unknown error");
    }
  };
  auto keep = [&](HICON icon) {
    if (icon) item.Icon = std::make_unique<TWinIcon>(icon);
  };
  if (item.Kind == ikError) {
    lookUp("Get error icon", [&] { keep(ErrorIcon()); });
  } else {
    if (TSearchClass* source = FindSearchClass(item.SearchClassName))
      lookUp("Get icon from the source", [&] { source->LoadIcon(item); });
    if (!item.Icon) lookUp("Get icon", [&] { keep(GetItemIcon(item)); });
  }
  return HandleOf(item);
}
