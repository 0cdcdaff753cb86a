// One text for a JSON value, whoever read it: compact, members in document order, strings as
// UTF-16 code units (printable ASCII as it stands, anything else as \uXXXX), numbers as the
// shortest text of their 80-bit float, zero without its sign. Our tree and, where nlohmann/json
// is installed, that parser's events are written this way and compared.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <string_view>

#include "core/Unicode.h"
#include "data/json/JSON.h"

namespace jsontest {

inline void AppendNumber(std::string& out, long double value) {
  char digits[64];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value == 0 ? 0.0L : value).ptr);
}

inline void AppendString(std::string& out, std::u16string_view text) {
  out += '"';
  for (const char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F && unit != '"' && unit != '\\') {
      out += char(unit);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(unit));
      out += escape;
    }
  }
  out += '"';
}

inline void AppendCanonical(std::string& out, const TJSONbase& value) {
  const bool object = value.JSONType() == jsObject;
  switch (value.JSONType()) {
    case jsNumber:
      return AppendNumber(out, static_cast<const TJSONnumber&>(value).Value());
    case jsString:
      return AppendString(out, static_cast<const TJSONstring&>(value).Value());
    case jsBoolean:
      out += static_cast<const TJSONboolean&>(value).Value() ? "true" : "false";
      return;
    case jsNull:
      out += "null";
      return;
    default:
      break;
  }
  out += object ? '{' : '[';
  for (int i = 0; i < value.GetCount(); ++i) {
    if (i > 0) out += ',';
    const TJSONbase* child = value.GetChild(i);
    if (object) {
      const auto& member = static_cast<const TJSONobjectmethod&>(*child);
      AppendString(out, member.Name());
      out += ':';
      child = member.Value();
    }
    AppendCanonical(out, *child);
  }
  out += object ? '}' : ']';
}

// The canonical text of a parsed document; "nil" when there is none.
inline std::string Canonical(const TJSONdocument& document) {
  if (!document) return "nil";
  std::string out;
  AppendCanonical(out, *document);
  return out;
}

#ifdef __GLIBC__
// Writes the canonical text from nlohmann/json's SAX events, with the text of each number that
// is no integer read by glibc's strtold_l; also notes where our parser's limits lie: it refuses
// a number beyond the 80-bit range and nesting deeper than 512.
template <class Json>
class TCanonicalSax {
 public:
  bool Infinite = false;
  size_t MaxDepth = 0;

  // The text, whole once the parse has succeeded.
  std::string Text() const { return FText.substr(0, FText.size() - (FText.ends_with(',') ? 1 : 0)); }

  bool null() { return Put("null"); }
  bool boolean(bool value) { return Put(value ? "true" : "false"); }
  bool number_integer(typename Json::number_integer_t value) { return Number((long double)value); }
  bool number_unsigned(typename Json::number_unsigned_t value) { return Number((long double)value); }
  bool number_float(double, const typename Json::string_t& text) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return Number(strtold_l(text.c_str(), nullptr, c));
  }
  bool string(typename Json::string_t& value) {
    AppendString(FText, Utf8ToUtf16(value));
    return Put("");
  }
  bool key(typename Json::string_t& name) {
    AppendString(FText, Utf8ToUtf16(name));
    FText += ':';
    return true;
  }
  bool binary(typename Json::binary_t&) { return false; }
  bool start_object(size_t) { return Open('{'); }
  bool end_object() { return Close('}'); }
  bool start_array(size_t) { return Open('['); }
  bool end_array() { return Close(']'); }
  template <class Exception>
  bool parse_error(size_t, const std::string&, const Exception&) {
    return false;
  }

 private:
  bool Number(long double value) {
    Infinite = Infinite || !std::isfinite(value);
    AppendNumber(FText, value);
    return Put("");
  }
  // Every value is followed by a comma, taken back where its container closes.
  bool Put(std::string_view text) {
    FText.append(text) += ',';
    return true;
  }
  bool Open(char bracket) {
    FText += bracket;
    MaxDepth = std::max(MaxDepth, ++FDepth);
    return true;
  }
  bool Close(char bracket) {
    if (FText.back() == ',') FText.pop_back();
    FText += bracket;
    --FDepth;
    return Put("");
  }

  std::string FText;
  size_t FDepth = 0;
};
#endif

}  // namespace jsontest
