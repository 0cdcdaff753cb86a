// Copies its argument to the clipboard as 8-bit text, as another program would: the clipboard
// tests start it to see what reaches them from outside their process.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const size_t bytes = std::strlen(argv[1]) + 1;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(GlobalLock(memory), argv[1], bytes);
  GlobalUnlock(memory);
  // Whoever reads the clipboard just then has it open for a moment: a second is waited.
  for (int tries = 0; !OpenClipboard(nullptr); ++tries) {
    if (tries == 100) return 1;
    Sleep(10);
  }
  EmptyClipboard();
  const bool set = SetClipboardData(CF_TEXT, memory) != nullptr;
  CloseClipboard();
  return set ? 0 : 1;
}
