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
