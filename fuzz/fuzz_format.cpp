// The formatter of translated texts, over format text from a language file.
// Input: the format, then optionally a line feed and one byte per argument (an even byte makes
// a string argument, an odd one an integer). The format is also used as the translation of an
// English format whose arguments are an integer and a string.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/SZCRC32.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "fuzz/FuzzCheck.h"

namespace {

// What a format that fits its arguments must give: its plain characters, a "%" for each "%%"
// and each argument's text in place of its specifier. Empty when the format does not fit.
bool Fits(std::string_view format, const std::vector<TFormatArg>& args, size_t& length) {
  length = 0;
  size_t used = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      ++length;
      continue;
    }
    if (++i == format.size()) return false;
    if (format[i] == '%') {
      ++length;
    } else if (format[i] == 's' || format[i] == 'd') {
      const auto kind = format[i] == 's' ? TFormatArg::fkString : TFormatArg::fkInteger;
      if (used == args.size() || args[used].Kind() != kind) return false;
      length += args[used++].Text().size();
    } else {
      return false;
    }
  }
  return used == args.size();
}

// Calls the formatter with up to four arguments (it takes an initializer list).
bool TryWith(std::string_view format, const std::vector<TFormatArg>& a, std::string& result) {
  switch (a.size()) {
    case 0:
      return TryFormatText(format, {}, result);
    case 1:
      return TryFormatText(format, {a[0]}, result);
    case 2:
      return TryFormatText(format, {a[0], a[1]}, result);
    case 3:
      return TryFormatText(format, {a[0], a[1], a[2]}, result);
    default:
      return TryFormatText(format, {a[0], a[1], a[2], a[3]}, result);
  }
}

TqmTranslateEngineStrings& Engine() {
  static TqmTranslate* translator = [] {
    auto* t = new TqmTranslate(nullptr);
    t->SetTranslateEngine(new TqmTranslateEngineStrings(t));
    t->SetState(tsTranslate);
    t->SetIsGlobal(true);
    return t;
  }();
  return *static_cast<TqmTranslateEngineStrings*>(translator->TranslateEngine());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\n');
  const std::string_view format = input.substr(0, split);
  const std::string_view kinds = split == std::string_view::npos ? std::string_view() : input.substr(split + 1, 4);

  std::vector<TFormatArg> args;
  for (char k : kinds) {
    if (static_cast<unsigned char>(k) % 2 == 0)
      args.emplace_back(std::string("%s<") + k + ">");
    else
      args.emplace_back(static_cast<int>(static_cast<signed char>(k)) * 1000003);
  }

  size_t length = 0;
  const bool fits = Fits(format, args, length);
  std::string result = "untouched";
  Check(TryWith(format, args, result) == fits);
  Check(fits ? result.size() == length : result == "untouched");

  // As a translation: the translated format when it fits, else the English one.
  const std::string english = "Found %d in %s";
  const std::string value(format);
  Engine().SetStrings({std::to_string(Crc32OfBuffer(english.data(), english.size())) + "=" + value});
  const std::string shown = TranslateFormat(english, {42, "Desktop"});
  std::string translated;
  const std::string decoded = DecodeLineBreaks(value);
  if (decoded.empty() || !TryFormatText(decoded, {42, "Desktop"}, translated)) translated = "Found 42 in Desktop";
  Check(shown == translated);
  return 0;
}
