#include "app/RowHighlight.h"

#include <gtest/gtest.h>

namespace {

// The pieces as "plain[bold]plain" for short comparisons.
std::string Marked(const std::string& row, const std::string& search, TDrawType drawType) {
  std::string text;
  for (const TSegment& segment : HighlightSegments(row, search, drawType))
    text += segment.Bold ? "[" + segment.Text + "]" : segment.Text;
  return text;
}

}  // namespace

TEST(RowHighlightTest, TheTypedTextIsMarkedByTheWayItMatched) {
  const struct {
    const char *Row, *Search;
    TDrawType DrawType;
    const char* Marked;
  } cases[] = {
      // The position: the first occurrence, ignoring case; text that does not occur leaves it plain.
      {"Microsoft Word", "wo", dtPos, "Microsoft [Wo]rd"},
      {"Microsoft Word", "xyz", dtPos, "Microsoft Word"},
      {"Microsoft Word", "", dtPos, "Microsoft Word"},
      {"", "wo", dtPos, ""},
      // Star pieces in order, each up to the next blank; a gap leaves it plain.
      {"Microsoft Word", "mi*wo", dtPos, "[Mi]crosoft [Wo]rd"},
      {"Microsoft Word", "**mi**", dtPos, "[Mi]crosoft Word"},
      {"Microsoft Word", "mi*ord", dtPos, "Microsoft Word"},
      {"Microsoft Word", "*", dtPos, "Microsoft Word"},
      // An abbreviation: the initials of as many first words as letters typed.
      {"Microsoft Office Word", "mo", dtAbbrevations, "[M]icrosoft [O]ffice Word"},
      {"Word", "wxyz", dtAbbrevations, "[W]ord"},
      {"Word", "", dtAbbrevations, "Word"},
      // Words where they begin words of the row, in any order; not adjacent or inside a word: plain.
      {"Microsoft Word", "word mic", dtWords, "[Mic]rosoft [Word]"},
      {"Swordfish Word", "word", dtWords, "Swordfish [Word]"},
      {"Microsoft Office Word", "mic word", dtWords, "Microsoft Office Word"},
      {"Microsoft Word", "soft", dtWords, "Microsoft Word"},
      // UTF-8 characters are never cut ("Ärger Öl" by "äö"); a stray middle byte leaves it whole.
      {"\xC3\x84rger \xC3\x96l", "\xC3\xA4\xC3\xB6", dtAbbrevations, "[\xC3\x84]rger [\xC3\x96]l"},
      {"Caf\xC3\xA9 Bar", "\xC3\xA9", dtPos, "Caf[\xC3\xA9] Bar"},
      {"\xC3\xB6l Fass", "\xC3\x96L", dtWords, "[\xC3\xB6l] Fass"},
      {"\xC3\x84rger", "\x84", dtPos, "\xC3\x84rger"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Row) + " by " + c.Search);
    EXPECT_EQ(Marked(c.Row, c.Search, c.DrawType), c.Marked);
  }
}
