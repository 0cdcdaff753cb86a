#include "core/qmStringUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/support/RecursiveWildcard.h"

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

// The recursive definition decides every mask over "ab*?" on every short text; the table holds
// what that alphabet cannot show, and the edges of the definition itself.
TEST(MatchesWildcard, AgreesWithItsRecursiveDefinitionOnShortStringsAndTheEdges) {
  const std::vector<std::string> texts = AllStrings("ab", 5);
  const std::vector<std::string> masks = AllStrings("ab*?", 5);
  for (const std::string& text : texts)
    for (const std::string& mask : masks)
      ASSERT_EQ(MatchesWildcard(text, mask), RecursiveMatch(text, mask)) << "\"" << text << "\", \"" << mask << "\"";

  const std::string a60(60, 'a'), x100(100, 'x'), any100 = std::string(100, '?') + "*";
  std::string manyStars;
  for (int i = 0; i < 30; ++i) manyStars += "*a";
  const struct {
    std::string Text, Mask;
    bool Matches;
  } cases[] = {
      {"ab", "A*", false},
      {"grün", "gr??n", true},
      {"grün", "gr?n", false},
      {std::string("a\0b", 3), "a", false},
      {std::string("a\0b", 3), "a?b", true},
      {a60, manyStars + "*", true},
      {a60, manyStars + "*b", false},
      {x100, any100, true},
      {x100.substr(1), any100, false},
      {x100 + "y", any100, true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesWildcard(c.Text, c.Mask), c.Matches) << c.Text << " / " << c.Mask;
}

// The offset counts the characters skipped before the search starts.
TEST(PosEx, FindsTheFirstOccurrenceAfterTheFirstOffsetCharacters) {
  const struct {
    const char *SubStr, *S;
    int Offset, Position;
  } cases[] = {
      {"%", "a%b%c", 0, 2},   {"%", "a%b%c", 1, 2}, {"%", "a%b%c", 2, 4}, {"%", "a%b%c", 4, 0},
      {"b%c", "a%b%c", 0, 3}, {"", "abc", 0, 0},    {"a", "abc", -3, 1},  {"abcd", "abc", 0, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PosEx(c.SubStr, c.S, c.Offset), c.Position) << c.SubStr << " in " << c.S << " after " << c.Offset;
}

// Pieces are appended to what the list holds; empty ones are dropped, nothing is trimmed.
TEST(SplitByChars, AppendsThePiecesBetweenDelimitersAndDropsEmptyOnes) {
  TStringList pieces{"kept"};
  SplitByChars("  a  b ", pieces, " ");
  EXPECT_EQ(pieces, (TStringList{"kept", "a", "b"}));
  pieces.clear();
  SplitByChars("", pieces, " ");
  EXPECT_TRUE(pieces.empty());
  SplitByChars("one; two,,three", pieces, ";,");
  SplitByChars("whole", pieces, "");
  EXPECT_EQ(pieces, (TStringList{"one", " two", "three", "whole"}));
}

// A value that held the six characters of its own comes back with a line break in their place.
TEST(LineBreaks, DecodeReplacesEveryCompleteCode) {
  EXPECT_EQ(DecodeLineBreaks("#13#10a#13#10#13#10"), "\r\na\r\n\r\n");
  EXPECT_EQ(DecodeLineBreaks("#13#1"), "#13#1");
  EXPECT_EQ(DecodeLineBreaks(EncodeLineBreaks("held #13#10")), "held \r\n");
}

TEST(LineBreaks, EncodeAndDecode) {
  EXPECT_EQ(EncodeLineBreaks("one\r\ntwo\r\n"), "one#13#10two#13#10");
  EXPECT_EQ(EncodeLineBreaks("\r\r\n\n"), "\r#13#10\n");  // a lone CR or LF stays
  const std::string text = "first\r\nsecond\rthird\n\r\n#13 #10";
  EXPECT_EQ(DecodeLineBreaks(EncodeLineBreaks(text)), text);
}

TEST(LineBreaks, TextLinesKeepEveryTextAndWriteLineBreaksAsBefore) {
  const std::pair<std::string, std::string> cases[] = {
      {"one\r\ntwo", "one#13#10two"},
      {"cr\ronly", "cr#13#00only"},
      {"lf\nonly", "lf#00#10only"},
      {"\n\r", "#00#10#13#00"},
      {"#13#10", "#35#3513#10"},
      {"#13\n", "#35#3513#00#10"},
      {"C# #1 #10 #13#", "C# #1 #10 #13#"},
  };
  for (const auto& [text, line] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(EncodeTextLine(text), line);
    EXPECT_EQ(DecodeTextLine(line), text);
  }
  EXPECT_EQ(DecodeTextLine("a#13#10b#13"), "a\r\nb#13");  // as EncodeLineBreaks wrote it

  // Every text of up to six of the characters the codes are made of comes back.
  for (const std::string& text : AllStrings("#1305\r\n", 6)) {
    const std::string line = EncodeTextLine(text);
    ASSERT_EQ(DecodeTextLine(line), text) << line;
    ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
  }
}

TEST(CaseMapping, AsciiOnlyAndCodePageLetters) {
  EXPECT_EQ(UpperCase("Hello, wörld 1!"), "HELLO, WöRLD 1!");
  EXPECT_FALSE(SameText("Wörd", "WÖRD"));

  const struct {
    const char *Lower, *Upper;
  } letters[] = {{"straße àéîõüÿ", "STRAßE ÀÉÎÕÜŸ"},
                 {"łódź ňčő", "ŁÓDŹ ŇČŐ"},
                 {"αβγ άέήίόύώ", "ΑΒΓ ΆΈΉΊΌΎΏ"},
                 {"привет ёж їжак џ", "ПРИВЕТ ЁЖ ЇЖАК Џ"}};
  for (const auto& c : letters) {
    EXPECT_EQ(AnsiUpperCase(c.Lower), c.Upper);
    EXPECT_EQ(AnsiLowerCase(c.Upper), c.Lower);
    EXPECT_TRUE(AnsiSameText(c.Lower, c.Upper));
  }
  EXPECT_EQ(AnsiUpperCase("λόγος × ÷ ¿ 漢字 😀"), "ΛΌΓΟΣ × ÷ ¿ 漢字 😀");
  EXPECT_FALSE(AnsiSameText("straße", "STRASSE"));
  // Bytes that are not a two-byte sequence pass through.
  EXPECT_EQ(AnsiUpperCase("a\xC3\x80\xC3\xC3z\xE0\xC3\xA9\x80\xFF\xC0\x81"),
            "A\xC3\x80\xC3\xC3Z\xE0\xC3\x89\x80\xFF\xC0\x81");
  EXPECT_EQ(AnsiLowerCase("\xD0"), "\xD0");
  EXPECT_EQ(AnsiUpperCase("\xC3"), "\xC3");
  EXPECT_FALSE(StartsText("http://x", "http://"));  // a prefix longer than the text
  EXPECT_TRUE(StartsText("HTTP://", "http://example.org"));
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

TEST(Trim, BlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n word  two \x01"), "word  two");
  EXPECT_EQ(Trim("  \t "), "");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // bytes above ASCII are kept
}

TEST(GeneralNumberText, FixedFromAHundredThousandthToFifteenIntegerDigitsScientificBeyond) {
  const std::tuple<double, const char*, int, const char*> cases[] = {
      {1.0 / 16000, ".", 3, "0.0000625"}, {28.0 / 10, ",", 3, "2,8"},     {-2.0 / 3, ".", 0, "-0.666666666666667"},
      {120, ".", 0, "120"},               {-0.0, ".", 0, "0"},            {0.000009999999999999999, ".", 0, "0.00001"},
      {0.0000015, ",", 0, "1,5E-6"},      {0.0000015, ".", 3, "1.5E-006"}, {999999999999999.9, ".", 0, "1E15"},
      {123456789012345, ".", 0, "123456789012345"}};
  for (const auto& [value, separator, exponentDigits, text] : cases)
    EXPECT_EQ(GeneralNumberText(value, separator, exponentDigits), text) << value;
}
