#include "ui/Clipbrd.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "ui/Forms.h"
#include "core/win32/WideText.h"

void SetClipboardText(const std::string& text) {
  const std::wstring wide = Utf8ToWide(text);
  const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) throw std::bad_alloc();
  std::memcpy(GlobalLock(memory), wide.c_str(), bytes);
  GlobalUnlock(memory);
  // The clipboard needs an owner window, or SetClipboardData fails.
  if (!OpenClipboard(Application().Handle())) {
    GlobalFree(memory);
    throw Exception("Cannot open clipboard");
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  CloseClipboard();
}
