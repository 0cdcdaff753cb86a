#include "core/qmStringUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/RecursiveWildcard.h"

namespace {

// Every string over Alphabet of length 0..MaxLength.
std::vector<std::string> AllStrings(std::string_view alphabet, size_t maxLength) {
  std::vector<std::string> result{""};
  for (size_t begin = 0; begin < result.size(); ++begin) {
    if (result[begin].size() == maxLength) continue;
    for (char c : alphabet) result.push_back(result[begin] + c);
  }
  return result;
}

}  // namespace

TEST(MatchesWildcard, EmptyText) {
  EXPECT_TRUE(MatchesWildcard("", ""));
  EXPECT_TRUE(MatchesWildcard("", "*"));
  EXPECT_FALSE(MatchesWildcard("", "**"));
  EXPECT_FALSE(MatchesWildcard("", "?"));
  EXPECT_FALSE(MatchesWildcard("", "a"));
}

TEST(MatchesWildcard, StarsAndQuestionMarks) {
  EXPECT_TRUE(MatchesWildcard("ab", "a*"));
  EXPECT_TRUE(MatchesWildcard("ab", "*b"));
  EXPECT_TRUE(MatchesWildcard("ab", "a?"));
  EXPECT_TRUE(MatchesWildcard("ab", "*"));
  EXPECT_TRUE(MatchesWildcard("abc", "*c"));
  EXPECT_TRUE(MatchesWildcard("abc", "a*c"));
  EXPECT_TRUE(MatchesWildcard("abc", "***"));
  EXPECT_FALSE(MatchesWildcard("ab", "a"));
  EXPECT_FALSE(MatchesWildcard("ab", "a??"));
  EXPECT_FALSE(MatchesWildcard("abc", "*b"));
}

TEST(MatchesWildcard, CaseAndBytesMatter) {
  EXPECT_FALSE(MatchesWildcard("ab", "A*"));
  EXPECT_TRUE(MatchesWildcard("grün", "gr??n"));  // ü is two bytes
  EXPECT_FALSE(MatchesWildcard("grün", "gr?n"));
  EXPECT_FALSE(MatchesWildcard(std::string_view("a\0b", 3), "a"));
  EXPECT_TRUE(MatchesWildcard(std::string_view("a\0b", 3), "a?b"));
}

TEST(MatchesWildcard, TrailingStarsNeedTextWhenThereAreTwo) {
  EXPECT_TRUE(MatchesWildcard("a", "a*"));
  EXPECT_FALSE(MatchesWildcard("a", "a**"));
  EXPECT_TRUE(MatchesWildcard("ab", "a**"));
  EXPECT_FALSE(MatchesWildcard("a", "*a*a*"));
  EXPECT_TRUE(MatchesWildcard("aa", "*a*a*"));
}

TEST(MatchesWildcard, AgreesWithRecursionOnAllShortStrings) {
  const std::vector<std::string> texts = AllStrings("ab", 5);
  const std::vector<std::string> masks = AllStrings("ab*?", 5);
  int matches = 0;
  for (const std::string& text : texts) {
    for (const std::string& mask : masks) {
      const bool expected = RecursiveMatch(text, mask);
      ASSERT_EQ(MatchesWildcard(text, mask), expected) << "text \"" << text << "\", mask \"" << mask << "\"";
      matches += expected;
    }
  }
  EXPECT_GT(matches, 0);
}

TEST(MatchesWildcard, LongMasksAndManyStars) {
  const std::string text(60, 'a');
  std::string failing;
  for (int i = 0; i < 30; ++i) failing += "*a";
  EXPECT_TRUE(MatchesWildcard(text, failing + "*"));
  EXPECT_FALSE(MatchesWildcard(text, failing + "*b"));
  const std::string longMask = std::string(100, '?') + "*";
  EXPECT_TRUE(MatchesWildcard(std::string(100, 'x'), longMask));
  EXPECT_FALSE(MatchesWildcard(std::string(99, 'x'), longMask));
  EXPECT_TRUE(MatchesWildcard(std::string(100, 'x') + "y", longMask));
}

TEST(PosEx, SkipsTheFirstOffsetCharacters) {
  EXPECT_EQ(PosEx("%", "a%b%c", 2), 4);
  EXPECT_EQ(PosEx("%", "a%b%c", 0), 2);
  EXPECT_EQ(PosEx("%", "a%b%c", 1), 2);
  EXPECT_EQ(PosEx("%", "a%b%c", 4), 0);
  EXPECT_EQ(PosEx("b%c", "a%b%c"), 3);
}

TEST(PosEx, NothingToFind) {
  EXPECT_EQ(PosEx("x", "a%b%c"), 0);
  EXPECT_EQ(PosEx("", "abc"), 0);
  EXPECT_EQ(PosEx("a", ""), 0);
  EXPECT_EQ(PosEx("a", "abc", 10), 0);
  EXPECT_EQ(PosEx("a", "abc", -3), 1);
  EXPECT_EQ(PosEx("abcd", "abc"), 0);
}

TEST(SplitByChars, DropsEmptyPiecesAndKeepsTheRest) {
  TStringList pieces{"kept"};
  SplitByChars("  a  b ", pieces, " ");
  EXPECT_EQ(pieces, (TStringList{"kept", "a", "b"}));

  pieces.clear();
  SplitByChars("", pieces, " ");
  EXPECT_TRUE(pieces.empty());

  SplitByChars("one; two,,three", pieces, ";,");
  EXPECT_EQ(pieces, (TStringList{"one", " two", "three"}));

  pieces.clear();
  SplitByChars("whole", pieces, "");
  EXPECT_EQ(pieces, (TStringList{"whole"}));
}

TEST(LineBreaks, EncodeAndDecode) {
  EXPECT_EQ(EncodeLineBreaks("one\r\ntwo\r\n"), "one#13#10two#13#10");
  EXPECT_EQ(EncodeLineBreaks("lone\rcr and\nlf"), "lone\rcr and\nlf");
  EXPECT_EQ(EncodeLineBreaks("\r\r\n\n"), "\r#13#10\n");
  EXPECT_EQ(DecodeLineBreaks("#13#10a#13#10#13#10"), "\r\na\r\n\r\n");
  EXPECT_EQ(DecodeLineBreaks("#13#1"), "#13#1");

  const std::string text = "first\r\nsecond\rthird\n\r\n#13 #10";
  EXPECT_EQ(DecodeLineBreaks(EncodeLineBreaks(text)), text);
  EXPECT_EQ(DecodeLineBreaks(EncodeLineBreaks("a#13#10b")), "a\r\nb");
}

TEST(CaseMapping, AsciiOnly) {
  EXPECT_EQ(UpperCase("Hello, wörld 1!"), "HELLO, WöRLD 1!");
  EXPECT_TRUE(SameText("Notepad.EXE", "notepad.exe"));
  EXPECT_FALSE(SameText("Wörd", "WÖRD"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_TRUE(StartsText("HTTP://", "http://example.org"));
  EXPECT_TRUE(StartsText("", "x"));
  EXPECT_FALSE(StartsText("http://x", "http://"));
  EXPECT_FALSE(StartsText("ftp", "http"));
}

TEST(CaseMapping, CodePageLetters) {
  EXPECT_EQ(AnsiUpperCase("straße àéîõüÿ"), "STRAßE ÀÉÎÕÜŸ");
  EXPECT_EQ(AnsiLowerCase("STRAßE ÀÉÎÕÜŸ"), "straße àéîõüÿ");
  EXPECT_EQ(AnsiUpperCase("łódź ňčő"), "ŁÓDŹ ŇČŐ");
  EXPECT_EQ(AnsiLowerCase("ŁÓDŹ ŇČŐ"), "łódź ňčő");
  EXPECT_EQ(AnsiUpperCase("αβγ άέήίόύώ λόγος"), "ΑΒΓ ΆΈΉΊΌΎΏ ΛΌΓΟΣ");
  EXPECT_EQ(AnsiLowerCase("ΑΒΓ ΆΈΉΊΌΎΏ"), "αβγ άέήίόύώ");
  EXPECT_EQ(AnsiUpperCase("привет ёж їжак"), "ПРИВЕТ ЁЖ ЇЖАК");
  EXPECT_EQ(AnsiLowerCase("ПРИВЕТ ЁЖ ЇЖАК"), "привет ёж їжак");
  EXPECT_EQ(AnsiUpperCase("× ÷ ¿ 漢字 😀"), "× ÷ ¿ 漢字 😀");
}

TEST(CaseMapping, EveryCapitalRoundTrips) {
  // Each two-byte capital whose small letter maps back to it round-trips; none changes length.
  for (int code = 0x80; code < 0x800; ++code) {
    const std::string letter{static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
    const std::string lower = AnsiLowerCase(letter);
    const std::string upper = AnsiUpperCase(letter);
    ASSERT_EQ(lower.size(), 2u);
    ASSERT_EQ(upper.size(), 2u);
    if (lower != letter) {
      EXPECT_EQ(AnsiUpperCase(lower), letter) << "U+" << std::hex << code;
    }
    if (upper != letter && code != 0x03C2) {  // the final sigma's capital lowers to the other sigma
      EXPECT_EQ(AnsiLowerCase(upper), letter) << "U+" << std::hex << code;
    }
  }
}

TEST(CaseMapping, InvalidBytesPassThrough) {
  const std::string broken = "a\xC3\x80\xC3\xC3z\xE0\xC3\xA9\x80\xFF\xC0\x81";
  EXPECT_EQ(AnsiUpperCase(broken), "A\xC3\x80\xC3\xC3Z\xE0\xC3\x89\x80\xFF\xC0\x81");
  EXPECT_EQ(AnsiUpperCase("\xC3"), "\xC3");
  EXPECT_EQ(AnsiLowerCase("\xD0"), "\xD0");
}

TEST(CaseMapping, AnsiSameText) {
  EXPECT_TRUE(AnsiSameText("Wörd", "WÖRD"));
  EXPECT_TRUE(AnsiSameText("ΛΌΓΟΣ", "λόγος"));
  EXPECT_TRUE(AnsiSameText("Москва", "МОСКВА"));
  EXPECT_FALSE(AnsiSameText("Wörd", "Word"));
  EXPECT_FALSE(AnsiSameText("straße", "STRASSE"));
  EXPECT_TRUE(AnsiSameText("", ""));
}

TEST(Trim, BlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n word  two \x01"), "word  two");
  EXPECT_EQ(Trim("  \t "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // bytes above ASCII are kept
}
