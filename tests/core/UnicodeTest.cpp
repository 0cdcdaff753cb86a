#include "core/Unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

constexpr char16_t Bad = 0xFFFD;

// UTF-8 and the UTF-16 it reads as; a well-formed row must also come back from its UTF-16.
const struct TUtf8Case {
  const char* Name;
  std::string Utf8;
  std::u16string Utf16;
  bool WellFormed;
} Utf8Cases[] = {
    {"empty", "", u"", true},
    {"one to four bytes", "A\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", u"A\u00FC\u20AC\U0001F600", true},
    {"the last scalar value", "\xF4\x8F\xBF\xBF", u"\U0010FFFF", true},
    {"a replacement character of its own", "\xEF\xBF\xBD", u"\uFFFD", true},
    {"a lead without its continuation", "\xC3(", {Bad, u'('}, false},
    {"an overlong slash", "\xC0\xAF", {Bad, Bad}, false},
    {"an encoded surrogate", "\xED\xA0\x80", {Bad, Bad, Bad}, false},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80", {Bad, Bad, Bad, Bad}, false},
    {"a sequence cut short", "\xF0\x9F\x98x", {Bad, u'x'}, false},
    {"a sequence cut by the end", "\xE2\x82", {Bad}, false},
    // The example of the Unicode standard's "U+FFFD Substitution of Maximal Subparts".
    {"maximal subparts",
     "a\xF1\x80\x80\xE1\x80\xC2"
     "b\x80"
     "c\x80\xBF"
     "d",
     {u'a', Bad, Bad, Bad, u'b', Bad, u'c', Bad, Bad, u'd'},
     false},
};

TEST(Unicode, Utf8ReadsAsUtf16WithEachBadPieceReplaced) {
  for (const TUtf8Case& c : Utf8Cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(IsUtf8(c.Utf8), c.WellFormed);
    EXPECT_EQ(Utf8ToUtf16(c.Utf8), c.Utf16);
    if (c.WellFormed) {
      EXPECT_EQ(Utf16ToUtf8(c.Utf16), c.Utf8);
    }
  }
}

TEST(Unicode, ASurrogateWithoutItsPartnerIsReplaced) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDE00, 0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD83D}), "x\xEF\xBF\xBD");
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
