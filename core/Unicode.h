// UTF-8 and UTF-16, converted the one way the whole program converts them.
//
// Bad input never stops a conversion and never passes through as something else: each bad
// piece becomes one U+FFFD REPLACEMENT CHARACTER, and the text around it is kept.
// - UTF-8: a "maximal subpart" of an ill-formed sequence is one bad piece, as the Unicode
//   standard recommends (and the WHATWG decoders do): the longest start of a well-formed
//   sequence, or else one byte. "C3 28" is U+FFFD and "(", "E2 82" at the end is one U+FFFD,
//   "F0 80 80" is three. Overlong forms ("C0 AF"), encoded surrogates ("ED A0 80") and code
//   points beyond U+10FFFF are not well-formed, so they are bad pieces too.
// - UTF-16: a surrogate without its partner is one bad piece.
// So the result of either conversion is always well-formed, and well-formed text round-trips.
#pragma once

#include <string>
#include <string_view>

constexpr char32_t ReplacementCharacter = 0xFFFD;

constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
// A code point that may stand in UTF-8 or UTF-16: at most U+10FFFF and no surrogate.
constexpr bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && !IsSurrogate(c); }

// The character that starts at Pos (before the end) of a UTF-8 text, and its bytes. A bad piece
// is no character (Valid false, Code U+FFFD) and takes the bytes of its maximal subpart, so a
// text steps as the conversions read it: every byte belongs to exactly one piece of 1 to 4 bytes.
struct TUtf8Char {
  char32_t Code;
  size_t Length;
  bool Valid;
};
TUtf8Char Utf8CharAt(std::string_view text, size_t pos);
inline size_t Utf8CharLength(std::string_view text, size_t pos) { return Utf8CharAt(text, pos).Length; }

// The length of the longest start of Text that takes at most MaxBytes and splits no character
// (nor bad piece).
size_t Utf8Cut(std::string_view text, size_t maxBytes);

// Whether Text is well-formed UTF-8, that is: whether Utf8ToUtf16 would replace nothing.
bool IsUtf8(std::string_view text);

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// An 8-bit text that another program wrote (a file, a tag, a field of an image) as UTF-8. Such
// a text carries no word on its code page, so one rule decides for every reader: a text that is
// well-formed UTF-8 is UTF-8 and stays as it is; any other is Windows-1252, where 80..9F are
// letters and signs (the five bytes that code page leaves free become U+0081, U+008D, U+008F,
// U+0090 and U+009D, as Windows' own conversion maps them). Decide over the whole text at once:
// a piece of Windows-1252 may happen to be well-formed UTF-8 on its own.
std::string ExternalTextToUtf8(std::string_view text);
// The character of one byte of Windows-1252 text, as ExternalTextToUtf8 reads it.
char16_t Windows1252Char(unsigned char byte);

// Append the UTF-8 or UTF-16 form of Code, which must be a Unicode scalar value (no surrogate,
// at most U+10FFFF). AppendUtf8 writes any other code below 200000 hex in the same pattern of
// bytes, which is then not well-formed UTF-8.
void AppendUtf8(std::string& out, char32_t code);
void AppendUtf16(std::u16string& out, char32_t code);
