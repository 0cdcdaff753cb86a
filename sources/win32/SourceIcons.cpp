#include "sources/win32/SourceIcons.h"

#include <windows.h>
#include <shellapi.h>

#include "core/win32/WideText.h"
#include "core/win32/WinIcon.h"

void ExtractItemIcon(TItemData& item, const TIconLocation& location) {
  HICON icon = ExtractIconW(GetModuleHandleW(nullptr), Utf8ToWide(location.File).c_str(), location.Index);
  // One, not a handle, says the file holds no icons at all.
  if (reinterpret_cast<uintptr_t>(icon) > 1) item.Icon = std::make_unique<TWinIcon>(icon);
}

std::unique_ptr<TIcon> LoadImagesIcon(const std::string& name) {
  auto icon = static_cast<HICON>(LoadImageA(nullptr, ImagesIcon(name).c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
  return icon ? std::make_unique<TWinIcon>(icon) : nullptr;
}
