#include "ui/Clipbrd.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "ui/Forms.h"
#include "core/win32/WideText.h"

namespace {

void PutOnClipboard(UINT format, const void* data, size_t bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) throw std::bad_alloc();
  std::memcpy(GlobalLock(memory), data, bytes);
  GlobalUnlock(memory);
  // The clipboard needs an owner window, or SetClipboardData fails.
  if (!OpenClipboard(Application().Handle())) {
    GlobalFree(memory);
    throw Exception("Cannot open clipboard");
  }
  EmptyClipboard();
  if (!::SetClipboardData(format, memory)) GlobalFree(memory);
  CloseClipboard();
}

}  // namespace

void SetClipboardText(const std::string& text) {
  const std::wstring wide = Utf8ToWide(text);
  PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

void SetClipboardBytes(unsigned format, const std::string& data) { PutOnClipboard(format, data.data(), data.size()); }
