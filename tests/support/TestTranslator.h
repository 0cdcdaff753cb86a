// A translator for tests: global while it lives, with the translations of the texts it is given.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "core/SZCRC32.h"
#include "core/qmTranslate.h"

class TTestTranslator {
 public:
  // Texts maps each English text to its translation.
  explicit TTestTranslator(const std::map<std::string, std::string>& texts) {
    TStringList strings;
    for (const auto& [english, translated] : texts)
      strings.push_back(std::to_string(Crc32OfBuffer(english.data(), static_cast<std::ptrdiff_t>(english.size()))) +
                        "=" + translated);
    auto* engine = new TqmTranslateEngineStrings(&FTranslator);
    engine->SetStrings(strings);
    FTranslator.SetTranslateEngine(engine);
    FTranslator.SetIsGlobal(true);
    FTranslator.SetState(tsTranslate);
  }
  ~TTestTranslator() { FTranslator.SetIsGlobal(false); }
  TTestTranslator(const TTestTranslator&) = delete;
  TTestTranslator& operator=(const TTestTranslator&) = delete;

  TqmTranslate& Translator() { return FTranslator; }

 private:
  TqmTranslate FTranslator{nullptr};
};
