// The clipboard as text and as data of a given format.
#pragma once

#include <string>

// Replaces what the clipboard holds with Text (as Unicode text, which every program can paste).
// Raises Exception when another program keeps the clipboard open.
void SetClipboardText(const std::string& text);
// Replaces what the clipboard holds with Data in the clipboard format Format (CF_DIB, ...).
// Raises Exception when another program keeps the clipboard open.
void SetClipboardBytes(unsigned format, const std::string& data);
