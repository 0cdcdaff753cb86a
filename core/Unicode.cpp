#include "core/Unicode.h"

#include <cstdint>

namespace {

constexpr char32_t HighSurrogateFirst = 0xD800, LowSurrogateFirst = 0xDC00;
constexpr char32_t FirstSupplementary = 0x10000;

// Windows-1252 is Latin-1 but for 80..9F.
constexpr char16_t Windows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsContinuationByte(char c) { return (static_cast<uint8_t>(c) & 0xC0) == 0x80; }

}  // namespace

TUtf8Char Utf8CharAt(std::string_view text, size_t pos) {
  text.remove_prefix(pos);
  const auto lead = static_cast<uint8_t>(text[0]);
  if (lead < 0x80) return {lead, 1, true};
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // else overlong
    if (lead == 0xED) high = 0x9F;  // else a surrogate
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // else overlong
    if (lead == 0xF4) high = 0x8F;  // else beyond U+10FFFF
  } else {
    return {ReplacementCharacter, 1, false};
  }
  char32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = k < text.size() ? static_cast<uint8_t>(text[k]) : uint8_t{0};
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return {ReplacementCharacter, k, false};
    code = code << 6 | (next & 0x3F);
  }
  return {code, length, true};
}

size_t Utf8Cut(std::string_view text, size_t maxBytes) {
  if (maxBytes >= text.size()) return text.size();
  // Every byte but a continuation byte starts a piece, and a piece has at most three
  // continuation bytes: so the piece that holds the byte before the cut starts at the last
  // other byte among the three before the cut, or, when there is none, the cut is between pieces.
  for (size_t start = maxBytes; start-- > 0 && start + 3 >= maxBytes;) {
    if (IsContinuationByte(text[start])) continue;
    return start + Utf8CharAt(text, start).Length > maxBytes ? start : maxBytes;
  }
  return maxBytes;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const TUtf8Char decoded = Utf8CharAt(text, i);
    if (!decoded.Valid) return false;
    i += decoded.Length;
  }
  return true;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const TUtf8Char decoded = Utf8CharAt(text, i);
    AppendUtf16(result, decoded.Code);
    i += decoded.Length;
  }
  return result;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = FirstSupplementary + ((code - HighSurrogateFirst) << 10) + (text[++i] - LowSurrogateFirst);
    } else if (IsSurrogate(code)) {
      code = ReplacementCharacter;
    }
    AppendUtf8(result, code);
  }
  return result;
}

std::string ExternalTextToUtf8(std::string_view text) {
  if (IsUtf8(text)) return std::string(text);
  std::string result;
  result.reserve(text.size() + text.size() / 2);
  for (const char byte : text) AppendUtf8(result, Windows1252Char(static_cast<unsigned char>(byte)));
  return result;
}

char16_t Windows1252Char(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? Windows1252High[byte - 0x80] : byte;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < FirstSupplementary) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < FirstSupplementary) {
    out += static_cast<char16_t>(code);
  } else {
    const char32_t offset = code - FirstSupplementary;
    out += static_cast<char16_t>(HighSurrogateFirst + (offset >> 10));
    out += static_cast<char16_t>(LowSurrogateFirst + (offset & 0x3FF));
  }
}
