// The clipboard as text.
#pragma once

#include <string>

// Replaces what the clipboard holds with Text (as Unicode text, which every program can paste).
// Raises Exception when another program keeps the clipboard open.
void SetClipboardText(const std::string& text);
