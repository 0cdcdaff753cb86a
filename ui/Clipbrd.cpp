#include "ui/Clipbrd.h"

#include <cstring>
#include <new>

#include "core/win32/WideText.h"
#include "ui/Forms.h"

namespace {

void SetClipboardBytes(UINT format, const void* data, size_t bytes, HWND owner) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) throw std::bad_alloc();
  std::memcpy(GlobalLock(memory), data, bytes);
  GlobalUnlock(memory);
  // The clipboard needs an owner window, or SetClipboardData fails.
  if (!OpenClipboard(owner ? owner : Application().Handle())) {
    GlobalFree(memory);
    throw Exception("Cannot open clipboard");
  }
  EmptyClipboard();
  if (!SetClipboardData(format, memory)) GlobalFree(memory);
  CloseClipboard();
}

}  // namespace

void SetClipboardText(const std::string& text, HWND owner) {
  const std::wstring wide = Utf8ToWide(text);
  SetClipboardBytes(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t), owner);
}

void SetClipboardDib(const std::string& dib, HWND owner) { SetClipboardBytes(CF_DIB, dib.data(), dib.size(), owner); }
