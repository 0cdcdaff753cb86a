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

TEST(RowHighlightTest, ThePositionMarksTheFirstOccurrenceIgnoringCase) {
  const std::vector<TSegment> segments = HighlightSegments("Microsoft Word", "wo", dtPos);
  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[0].Text, "Microsoft ");
  EXPECT_FALSE(segments[0].Bold);
  EXPECT_EQ(segments[1].Text, "Wo");
  EXPECT_TRUE(segments[1].Bold);
  EXPECT_EQ(segments[2].Text, "rd");
  EXPECT_FALSE(segments[2].Bold);
  EXPECT_EQ(Marked("Wordpad", "WORD", dtPos), "[Word]pad");
  EXPECT_EQ(Marked("Word", "word", dtPos), "[Word]");
}

TEST(RowHighlightTest, TextThatDoesNotOccurLeavesTheRowPlain) {
  const std::vector<TSegment> segments = HighlightSegments("Microsoft Word", "xyz", dtPos);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].Text, "Microsoft Word");
  EXPECT_FALSE(segments[0].Bold);
  EXPECT_EQ(Marked("Microsoft Word", "", dtPos), "Microsoft Word");
  EXPECT_EQ(Marked("", "wo", dtPos), "");
}

TEST(RowHighlightTest, StarPiecesAreMarkedInOrderEachUpToTheNextBlank) {
  EXPECT_EQ(Marked("Microsoft Word", "mi*wo", dtPos), "[Mi]crosoft [Wo]rd");
  EXPECT_EQ(Marked("Microsoft Word", "*word", dtPos), "Microsoft [Word]");
  EXPECT_EQ(Marked("Microsoft Word", "**mi**", dtPos), "[Mi]crosoft Word");
  // A piece in the middle of a later word leaves a gap: the row stays plain.
  EXPECT_EQ(Marked("Microsoft Word", "mi*ord", dtPos), "Microsoft Word");
  EXPECT_EQ(Marked("Microsoft Word", "*", dtPos), "Microsoft Word");
  // A missing piece would repeat the text after the previous one: plain.
  EXPECT_EQ(Marked("Microsoft Word", "mi*xyz", dtPos), "Microsoft Word");
}

TEST(RowHighlightTest, AnAbbreviationMarksTheInitialsOfTheFirstWords) {
  EXPECT_EQ(Marked("Microsoft Word", "mw", dtAbbrevations), "[M]icrosoft [W]ord");
  EXPECT_EQ(Marked("Microsoft Office Word", "mo", dtAbbrevations), "[M]icrosoft [O]ffice Word");
  EXPECT_EQ(Marked("Word", "wxyz", dtAbbrevations), "[W]ord");  // more letters than words
  EXPECT_EQ(Marked("Word", "", dtAbbrevations), "Word");
}

TEST(RowHighlightTest, WordsAreMarkedWhereTheyBeginWordsOfTheRow) {
  EXPECT_EQ(Marked("Microsoft Word", "mic word", dtWords), "[Mic]rosoft [Word]");
  EXPECT_EQ(Marked("Microsoft Word", "word mic", dtWords), "[Mic]rosoft [Word]");
  EXPECT_EQ(Marked("Swordfish Word", "word", dtWords), "Swordfish [Word]");
  // Not adjacent, or not beginning a word: plain.
  EXPECT_EQ(Marked("Microsoft Office Word", "mic word", dtWords), "Microsoft Office Word");
  EXPECT_EQ(Marked("Microsoft Word", "soft", dtWords), "Microsoft Word");
  EXPECT_EQ(Marked("Microsoft Word", "xyz", dtWords), "Microsoft Word");
}

TEST(RowHighlightTest, Utf8CharactersAreNeverCut) {
  EXPECT_EQ(Marked("\xC3\x84rger \xC3\x96l", "\xC3\xA4\xC3\xB6", dtAbbrevations),
            "[\xC3\x84]rger [\xC3\x96]l");  // "Ärger Öl" by "äö"
  EXPECT_EQ(Marked("Caf\xC3\xA9 Bar", "\xC3\xA9", dtPos), "Caf[\xC3\xA9] Bar");
  EXPECT_EQ(Marked("\xC3\xB6l Fass", "\xC3\x96L", dtWords), "[\xC3\xB6l] Fass");
  // A stray byte of a character's middle finds it, but the row stays whole.
  EXPECT_EQ(Marked("\xC3\x84rger", "\x84", dtPos), "\xC3\x84rger");
}
