#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core/RowList.h"
#include "core/SZCRC32.h"
#include "core/qmTranslate.h"

namespace {

// Answers from a script and remembers what it was asked.
class TScriptedAsker : public TAsker {
 public:
  explicit TScriptedAsker(std::deque<TAnswer> answers = {}) : FAnswers(std::move(answers)) {}

  bool AskYesNo(const std::string& text) override { return Next(text) == TAnswer::Yes; }
  TAnswer AskYesNoCancelAll(const std::string& text) override { return Next(text); }

  std::vector<std::string> Questions;

 private:
  TAnswer Next(const std::string& text) {
    Questions.push_back(text);
    if (FAnswers.empty()) return TAnswer::Cancel;
    const TAnswer answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
  }
  std::deque<TAnswer> FAnswers;
};

TRowList<std::string> Letters(const std::vector<std::string>& letters) {
  TRowList<std::string> rows([](const std::string& item, int column) { return column == 0 ? item : std::string(); });
  for (const std::string& letter : letters) rows.Add(letter);
  return rows;
}

std::string Joined(const TRowList<std::string>& rows) {
  std::string text;
  for (const std::string& item : rows.Items()) text += item;
  return text;
}

}  // namespace

TEST(RowListTest, DeleteAsksTheTranslatedQuestionWithTheCaptionAndDeletesOnYesOnly) {
  TqmTranslate translator(nullptr);
  auto* engine = new TqmTranslateEngineStrings(&translator);
  const std::string question = "Delete %s?";
  engine->SetStrings({std::to_string(Crc32OfBuffer(question.data(), std::ptrdiff_t(question.size()))) +
                      "=%s wirklich l\xC3\xB6schen?"});
  translator.SetTranslateEngine(engine);
  translator.SetState(tsTranslate);
  translator.SetIsGlobal(true);

  TRowList<std::string> rows = Letters({"a", "b", "c"});
  rows.SetItemIndex(1);
  TScriptedAsker asker({TAnswer::No, TAnswer::Yes});
  EXPECT_FALSE(DeleteSelectedListItem(rows, "Notepad", asker));
  EXPECT_EQ(Joined(rows), "abc");
  EXPECT_EQ(rows.ItemIndex(), 1);

  EXPECT_TRUE(DeleteSelectedListItem(rows, "Notepad", asker));
  EXPECT_EQ(Joined(rows), "ac");
  EXPECT_EQ(rows.ItemIndex(), -1);
  EXPECT_EQ(asker.Questions,
            (std::vector<std::string>{"Notepad wirklich l\xC3\xB6schen?", "Notepad wirklich l\xC3\xB6schen?"}));

  // Without a selection nobody is asked.
  EXPECT_FALSE(DeleteSelectedListItem(rows, "Notepad", asker));
  EXPECT_EQ(asker.Questions.size(), 2u);
  translator.SetIsGlobal(false);
}

TEST(RowListTest, DeleteWithoutATranslatorAsksInEnglish) {
  TRowList<std::string> rows = Letters({"a"});
  rows.SetItemIndex(0);
  TScriptedAsker asker({TAnswer::Yes});
  EXPECT_TRUE(DeleteSelectedListItem(rows, "100% sure", asker));
  EXPECT_EQ(asker.Questions, std::vector<std::string>{"Delete 100% sure?"});
  EXPECT_EQ(rows.RowCount(), 0);
}

TEST(RowListTest, AMovedRowTakesTheSelectionAlongSoItCanMoveAgain) {
  TRowList<std::string> rows = Letters({"a", "b", "c", "d"});
  int changes = 0;
  rows.OnChange = [&changes] { ++changes; };
  rows.SetItemIndex(3);
  changes = 0;

  EXPECT_TRUE(MoveListItemUp(rows));
  EXPECT_TRUE(MoveListItemUp(rows));
  EXPECT_EQ(Joined(rows), "adbc");
  EXPECT_EQ(rows.ItemIndex(), 1);
  EXPECT_GT(changes, 0);

  EXPECT_TRUE(MoveListItemDown(rows));
  EXPECT_EQ(Joined(rows), "abdc");
  EXPECT_EQ(rows.ItemIndex(), 2);
}

TEST(RowListTest, MovesStopAtTheEndsAndNeedASelection) {
  TRowList<std::string> rows = Letters({"a", "b", "c"});
  EXPECT_FALSE(MoveListItemUp(rows));
  EXPECT_FALSE(MoveListItemDown(rows));

  rows.SetItemIndex(0);
  EXPECT_FALSE(MoveListItemUp(rows));
  EXPECT_EQ(rows.ItemIndex(), 0);
  rows.SetItemIndex(2);
  EXPECT_FALSE(MoveListItemDown(rows));
  EXPECT_EQ(rows.ItemIndex(), 2);
  EXPECT_EQ(Joined(rows), "abc");

  TRowList<std::string> single = Letters({"a"});
  single.SetItemIndex(0);
  EXPECT_FALSE(MoveListItemUp(single));
  EXPECT_FALSE(MoveListItemDown(single));
}

TEST(RowListTest, ASortedListKeepsItsOrderAndTheSelectionFollowsItsRow) {
  TRowList<std::string> rows([](const std::string& item, int) { return item; },
                             [](const std::string& a, const std::string& b) { return a < b; });
  for (const char* letter : {"d", "b", "f"}) rows.Add(letter);
  rows.SetItemIndex(1);  // "d"
  EXPECT_EQ(rows.Add("a"), 0);
  EXPECT_EQ(Joined(rows), "abdf");
  EXPECT_EQ(*rows.Selected(), "d");

  rows.Replace(2, "z");  // the selected row moves to the end and the selection with it
  EXPECT_EQ(Joined(rows), "abfz");
  EXPECT_EQ(rows.ItemIndex(), 3);
  rows.Replace(0, "c");
  EXPECT_EQ(Joined(rows), "bcfz");
  EXPECT_EQ(*rows.Selected(), "z");

  rows.Delete(0);
  EXPECT_EQ(*rows.Selected(), "z");
  rows.SetItemIndex(7);  // out of range: no selection
  EXPECT_EQ(rows.Selected(), nullptr);
}

TEST(RowListTest, AnUnsortedListReplacesARowInItsPlace) {
  TRowList<std::string> rows = Letters({"a", "b", "c"});
  rows.SetItemIndex(0);
  rows.Replace(0, "z");
  rows.Replace(1, "y");
  EXPECT_EQ(Joined(rows), "zyc");
  EXPECT_EQ(rows.ItemIndex(), 0);
}
