// Our texts are UTF-8 (the manifest makes it the ANSI code page); the wide system calls take
// and give UTF-16 in wchar_t, which is 16-bit on Windows. Both directions go through the
// portable conversion, so that a wide call sees bad input replaced by the same rule as
// everything else.
#pragma once

#include <string>
#include <string_view>

#include "core/Unicode.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 code units in wchar_t");

inline std::wstring Utf8ToWide(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

inline std::string WideToUtf8(std::wstring_view text) { return Utf16ToUtf8(std::u16string(text.begin(), text.end())); }
