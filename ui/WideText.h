// Our texts are UTF-8 (the manifest makes it the ANSI code page); the wide system calls take
// and give UTF-16.
#pragma once

#include <string>

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
