#include "core/RowList.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ScriptedAsker.h"
#include "tests/support/TestLanguage.h"

namespace {

// One row a letter, kept in order when Sorted.
TRowList<std::string> Letters(const std::string& letters, int selected = -1, bool sorted = false) {
  TRowList<std::string> rows(
      [](const std::string& item, int) { return item; },
      sorted ? [](const std::string& a, const std::string& b) { return a < b; } : TRowList<std::string>::TLess());
  for (char letter : letters) rows.Add(std::string(1, letter));
  rows.SetItemIndex(selected);
  return rows;
}

std::string Joined(const TRowList<std::string>& rows) {
  std::string text;
  for (const std::string& item : rows.Items()) text += item;
  return text;
}

}  // namespace

// A percent sign in the caption is no format of the question.
TEST(RowListTest, DeleteAsksTheTranslatedQuestionWithTheCaptionAndDeletesOnYesOnly) {
  const TTestLanguage german{{"Delete %s?", "%s wirklich l\xC3\xB6schen?"}};
  TRowList<std::string> rows = Letters("abc", 1);
  TScriptedAsker asker({TAnswer::No, TAnswer::Yes});
  EXPECT_FALSE(DeleteSelectedListItem(rows, "100% Notepad", asker));
  EXPECT_EQ(Joined(rows), "abc");
  EXPECT_TRUE(DeleteSelectedListItem(rows, "100% Notepad", asker));
  EXPECT_EQ(Joined(rows), "ac");
  EXPECT_EQ(rows.ItemIndex(), -1);
  EXPECT_FALSE(DeleteSelectedListItem(rows, "100% Notepad", asker));  // without a selection nobody is asked
  EXPECT_EQ(asker.Questions, std::vector<std::string>(2, "100% Notepad wirklich l\xC3\xB6schen?"));
}

// The selection moves with its row, so a second move takes the row further; nothing moves at
// the ends or without a selection.
TEST(RowListTest, MovesTakeTheSelectionAlongAndStopAtTheEnds) {
  const struct {
    const char* Rows;
    int Selected;
    const char* Moves;  // u: up, d: down
    bool Moved;
    const char* After;
    int SelectedAfter;
  } cases[] = {
      {"abcd", 3, "uu", true, "adbc", 1}, {"abcd", 3, "uud", true, "abdc", 2}, {"abc", -1, "u", false, "abc", -1},
      {"abc", -1, "d", false, "abc", -1}, {"abc", 0, "u", false, "abc", 0},    {"abc", 2, "d", false, "abc", 2},
      {"a", 0, "d", false, "a", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Rows) + " from " + std::to_string(c.Selected) + ": " + c.Moves);
    TRowList<std::string> rows = Letters(c.Rows, c.Selected);
    int changes = 0;
    rows.OnChange = [&changes] { ++changes; };
    for (const char* move = c.Moves; *move; ++move)
      EXPECT_EQ(*move == 'u' ? MoveListItemUp(rows) : MoveListItemDown(rows), c.Moved);
    EXPECT_EQ(Joined(rows), c.After);
    EXPECT_EQ(rows.ItemIndex(), c.SelectedAfter);
    EXPECT_EQ(changes > 0, c.Moved);
  }
}

TEST(RowListTest, ASortedListKeepsItsOrderAndTheSelectionFollowsItsRow) {
  TRowList<std::string> rows = Letters("dbf", 1, true);  // "d" selected
  EXPECT_EQ(rows.Add("a"), 0);
  EXPECT_EQ(Joined(rows), "abdf");
  EXPECT_EQ(*rows.Selected(), "d");
  rows.Replace(2, "z");  // the selected row moves to the end and the selection with it
  EXPECT_EQ(Joined(rows), "abfz");
  EXPECT_EQ(rows.ItemIndex(), 3);
  rows.Delete(0);
  EXPECT_EQ(*rows.Selected(), "z");
  rows.SetItemIndex(7);  // out of range: no selection
  EXPECT_EQ(rows.Selected(), nullptr);

  TRowList<std::string> unsorted = Letters("abc", 0);  // replaced in place
  unsorted.Replace(0, "z");
  EXPECT_EQ(Joined(unsorted), "zbc");
  EXPECT_EQ(unsorted.ItemIndex(), 0);
}
