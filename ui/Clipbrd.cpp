#include "ui/Clipbrd.h"

#include <algorithm>
#include <cstring>

#include "core/Unicode.h"
#include "ui/Forms.h"

namespace {

// How long the clipboard is waited for while another program has it open, and how often it is
// tried meanwhile. Programs keep it open only while they read or write it.
constexpr DWORD ClipboardPatienceMs = 1000;
constexpr DWORD ClipboardRetryMs = 10;

// Global memory holding a copy of the data, freed with this object unless the clipboard took it.
class TClipboardMemory {
 public:
  TClipboardMemory(const void* data, size_t bytes) : FMemory(GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    void* target = FMemory ? GlobalLock(FMemory) : nullptr;  // no bytes: no memory to lock
    if (!target) return;
    std::memcpy(target, data, bytes);
    GlobalUnlock(FMemory);
    FFilled = true;
  }
  ~TClipboardMemory() {
    if (FMemory) GlobalFree(FMemory);
  }
  TClipboardMemory(const TClipboardMemory&) = delete;
  TClipboardMemory& operator=(const TClipboardMemory&) = delete;

  bool Filled() const { return FFilled; }
  HGLOBAL Handle() const { return FMemory; }
  void HandOver() { FMemory = nullptr; }

 private:
  HGLOBAL FMemory;
  bool FFilled = false;
};

// Puts Memory on the clipboard in Format; raises when the clipboard did not take it.
void SetClipboardMemory(UINT format, TClipboardMemory& memory, HWND owner) {
  // The data is ready before the clipboard is touched: what the user copied stays when it is not.
  if (!memory.Filled()) throw Exception("Cannot prepare the data for the clipboard");
  // The clipboard needs an owner window, or SetClipboardData fails.
  if (!OpenClipboardPatiently(owner ? owner : Application().Handle())) throw Exception("Cannot open clipboard");
  const bool set = EmptyClipboard() && SetClipboardData(format, memory.Handle());
  if (set) memory.HandOver();
  CloseClipboard();
  if (!set) throw Exception("Cannot put the data on the clipboard");
}

void SetClipboardBytes(UINT format, const void* data, size_t bytes, HWND owner) {
  TClipboardMemory memory(data, bytes);
  SetClipboardMemory(format, memory, owner);
}

}  // namespace

bool OpenClipboardPatiently(HWND owner) {
  const DWORD start = GetTickCount();
  while (!OpenClipboard(owner)) {
    // Only a clipboard open elsewhere is waited for: no wait mends a window that is gone.
    const DWORD waited = GetTickCount() - start;
    if (GetLastError() != ERROR_ACCESS_DENIED || waited >= ClipboardPatienceMs) return false;
    // The program that has it open may be waiting for a window of this thread (emptying the
    // clipboard tells its owner): what is sent to them is served meanwhile.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(ClipboardRetryMs, ClipboardPatienceMs - waited),
                              QS_SENDMESSAGE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  return true;
}

void SetClipboardText(const std::string& text, HWND owner) { SetClipboardUtf16(Utf8ToUtf16(text), owner); }

void SetClipboardUtf16(const std::u16string& text, HWND owner) {
  SetClipboardBytes(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(char16_t), owner);
}

void SetClipboardDib(const std::string& dib, HWND owner) { SetClipboardBytes(CF_DIB, dib.data(), dib.size(), owner); }

void SetClipboardMetafile(const std::string& bits, LONG mappingMode, LONG width, LONG height, HWND owner) {
  HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(bits.size()), reinterpret_cast<const BYTE*>(bits.data()));
  if (!metafile) throw Exception("Cannot prepare the data for the clipboard");
  const METAFILEPICT picture{mappingMode, width, height, metafile};
  TClipboardMemory memory(&picture, sizeof picture);
  try {
    SetClipboardMemory(CF_METAFILEPICT, memory, owner);  // the clipboard owns the metafile now
  } catch (...) {
    DeleteMetaFile(metafile);
    throw;
  }
}
