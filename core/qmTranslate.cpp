#include "core/qmTranslate.h"

std::string TranslateText(const std::string& text) {
  if (!text.empty() && text[0] == '>') return text.substr(1);
  return text;
}
