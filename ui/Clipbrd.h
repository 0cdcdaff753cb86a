// The clipboard: texts, and pictures as packed DIBs or Windows metafiles.
#pragma once

#include <windows.h>

#include <string>

// Opens the clipboard for Owner as OpenClipboard does, but waits a moment while another program
// has it open, serving what is sent to this thread's windows meanwhile; false when it stays open
// elsewhere. The program opens the clipboard only through here: neither side fails when it reads
// the clipboard just as the user copies in another program.
bool OpenClipboardPatiently(HWND owner);

// Replaces what the clipboard holds with Text (as Unicode text, which every program can paste).
// Owner becomes the clipboard's owner (the application's window when none). Raises Exception
// when the data cannot be put there: when it cannot be prepared (no memory, no bytes) or another
// program keeps the clipboard open beyond the wait above, the clipboard keeps what it held.
void SetClipboardText(const std::string& text, HWND owner = nullptr);
// The same with UTF-16 as it is, a surrogate without its partner too.
void SetClipboardUtf16(const std::u16string& text, HWND owner = nullptr);
// The same with a picture, a packed DIB (CF_DIB; the system offers it as a bitmap too).
void SetClipboardDib(const std::string& dib, HWND owner = nullptr);
// The same with a Windows metafile (CF_METAFILEPICT; the system offers it as an enhanced one
// too): its bytes, and the mapping mode and extent it is drawn with.
void SetClipboardMetafile(const std::string& bits, LONG mappingMode, LONG width, LONG height, HWND owner = nullptr);
