// Translation of the program's own texts.
#pragma once

#include <string>

// Every user-visible English text passes through here before it is shown. A text that begins
// with ">" is shown without it and never translated; without a language the text is unchanged.
std::string TranslateText(const std::string& text);
