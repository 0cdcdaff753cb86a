// A global translator over a few translations (English, translated), for as long as it lives: texts it lacks are
// learned unchanged, as with a language file.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "core/SZCRC32.h"
#include "core/qmTranslate.h"

class TTestLanguage {
 public:
  TTestLanguage(std::initializer_list<std::pair<std::string, std::string>> translations) : FTranslator(nullptr) {
    auto* engine = new TqmTranslateEngineStrings(&FTranslator);
    TStringList lines;
    for (const auto& [english, translated] : translations)
      lines.push_back(std::to_string(Crc32OfBuffer(english.data(), static_cast<std::ptrdiff_t>(english.size()))) + "=" +
                      translated);
    engine->SetStrings(lines);
    FTranslator.SetTranslateEngine(engine);
    FTranslator.SetState(tsTranslate);
    FTranslator.SetIsGlobal(true);
  }
  TTestLanguage(const TTestLanguage&) = delete;
  TTestLanguage& operator=(const TTestLanguage&) = delete;

  TqmTranslate& Translator() { return FTranslator; }

 private:
  TqmTranslate FTranslator;
};
