#include "core/Unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char16_t Bad = 0xFFFD;

// UTF-8, the UTF-16 it reads as, and the bytes of each character or bad piece; a well-formed
// row must also come back from its UTF-16.
const struct TUtf8Case {
  const char* Name;
  std::string Utf8;
  std::u16string Utf16;
  bool WellFormed;
  std::vector<size_t> Pieces;
} Utf8Cases[] = {
    {"empty", "", u"", true, {}},
    {"one to four bytes", "A\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", u"A\u00FC\u20AC\U0001F600", true, {1, 2, 3, 4}},
    {"the last scalar value", "\xF4\x8F\xBF\xBF", u"\U0010FFFF", true, {4}},
    {"a replacement character of its own", "\xEF\xBF\xBD", u"\uFFFD", true, {3}},
    {"a lead without its continuation", "\xC3(", {Bad, u'('}, false, {1, 1}},
    {"an overlong slash", "\xC0\xAF", {Bad, Bad}, false, {1, 1}},
    {"an overlong three-byte form", "\xE0\x80\xAF", {Bad, Bad, Bad}, false, {1, 1, 1}},
    {"no lead byte at all", "\xF5\x80\x80\x80\xFF", {Bad, Bad, Bad, Bad, Bad}, false, {1, 1, 1, 1, 1}},
    {"an encoded surrogate", "\xED\xA0\x80", {Bad, Bad, Bad}, false, {1, 1, 1}},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80", {Bad, Bad, Bad, Bad}, false, {1, 1, 1, 1}},
    {"a sequence cut short", "\xF0\x9F\x98x", {Bad, u'x'}, false, {3, 1}},
    {"a sequence cut by the end", "\xE2\x82", {Bad}, false, {2}},
    {"stray continuation bytes", "\xF0\x9F\x98\x80\x80\x80\x80", {0xD83D, 0xDE00, Bad, Bad, Bad}, false, {4, 1, 1, 1}},
    // The example of the Unicode standard's "U+FFFD Substitution of Maximal Subparts".
    {"maximal subparts",
     "a\xF1\x80\x80\xE1\x80\xC2"
     "b\x80"
     "c\x80\xBF"
     "d",
     {u'a', Bad, Bad, Bad, u'b', Bad, u'c', Bad, Bad, u'd'},
     false,
     {1, 3, 2, 1, 1, 1, 1, 1, 1, 1}},
};

// Each bad piece becomes one U+FFFD; stepping and cutting see the same pieces, and a cut of at
// most N bytes ends at the last boundary at or before N.
TEST(Unicode, Utf8ReadsAsUtf16AndStepsByTheSamePieces) {
  for (const TUtf8Case& c : Utf8Cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(IsUtf8(c.Utf8), c.WellFormed);
    EXPECT_EQ(Utf8ToUtf16(c.Utf8), c.Utf16);
    if (c.WellFormed) {
      EXPECT_EQ(Utf16ToUtf8(c.Utf16), c.Utf8);
    }
    std::vector<size_t> pieces;
    for (size_t i = 0; i < c.Utf8.size(); i += pieces.back()) pieces.push_back(Utf8CharLength(c.Utf8, i));
    EXPECT_EQ(pieces, c.Pieces);
    for (size_t n = 0, boundary = 0, k = 0; n <= c.Utf8.size() + 1; ++n) {
      if (k < c.Pieces.size() && boundary + c.Pieces[k] <= n) boundary += c.Pieces[k++];
      EXPECT_EQ(Utf8Cut(c.Utf8, n), boundary) << "at most " << n << " bytes";
    }
  }
}

// A surrogate without its partner, low or high, before a letter, another high one or the end, is
// replaced; the code points either side of the surrogates and the last pair are kept.
TEST(Unicode, ASurrogateWithoutItsPartnerIsReplaced) {
  const std::string bad = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'x', 0xD800, 0xDBFF, 0xDFFF, 0xD7FF, 0xE000, 0xDFFF, 0xD83D}),
            bad + "x" + bad + "\xF4\x8F\xBF\xBF\xED\x9F\xBF\xEE\x80\x80" + bad + bad);
}

// 8-bit texts from outside: UTF-8 as it is, else Windows-1252, decided over the whole text.
TEST(Unicode, ExternalTextIsUtf8OrElseWindows1252) {
  const std::pair<std::string, std::string> cases[] = {
      {"Gro\xC3\x9F", "Groß"},
      {"Gro\xDF", "Groß"},
      {"\x80\x8C\x92\x9C\x9F\x84\x93", "€Œ’œŸ„“"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {"\xC3\xA9 \xE9", "Ã© é"}};
  for (const auto& [bytes, utf8] : cases) EXPECT_EQ(ExternalTextToUtf8(bytes), utf8);
}

}  // namespace
