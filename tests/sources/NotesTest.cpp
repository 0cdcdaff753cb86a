#include "sources/SearchNotes.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "tests/data/SqliteTestSupport.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"

namespace {

struct TRecordedNoteWindows : TNoteWindows {
  void Open(const TNote& note) override { Opened.push_back(note); }
  void LoadNoteIcon(TItemData&) override {}
  std::vector<TNote> Opened;
};

// The notes of a fresh settings folder, whose database the first use makes.
class NotesTest : public ::testing::Test {
 protected:
  NotesTest() {
    Source.Database.FileName = WriteSettingsFile("notes.sqlite", "");  // made by the first use
    Source.Database.DriverDLL = sqlitetest::LibraryPath();
  }

  TNames Names(const std::string& text) { return NamesInOrder(Source, text); }

  std::shared_ptr<TRecordedNoteWindows> Windows = std::make_shared<TRecordedNoteWindows>();
  TSearchNotes Source{nullptr, Windows};
};

const std::string LongNote = std::string(49, 'x') + "target, and the text goes on for a while";

}  // namespace

TEST(NoteDisplayNameTest, ShowsThirtyCharactersOfTheFirstLineFromTheTypedText) {
  const struct {
    std::string note, typed;
    bool all;
    std::string shown;
  } cases[] = {
      {"Shopping\r\nmilk", "", true, "Shopping..."},
      {std::string(40, 'a'), "", true, std::string(30, 'a') + "..."},
      {std::string(30, 'a'), "", true, std::string(30, 'a')},
      {LongNote, "TARGET", false, "...target, and the text goes o..."},
      {LongNote, "TARGET", true, std::string(30, 'x') + "..."},
      {"Shopping\r\nmilk", "MILK", false, "...milk"},
      {"Milk", "milk", false, "Milk"},
      {"50 percent", "5_", false, "50 percent"},  // what LIKE found but the text does not hold
      {"", "", true, "..."},
      {"\r\nsecond line", "", true, "..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    EXPECT_EQ(NoteDisplayName(c.note, c.typed, c.all), c.shown);
  }
  std::string umlauts;
  for (int i = 0; i < 31; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(NoteDisplayName(umlauts, "", true), umlauts.substr(0, 60) + "...");
}

TEST_F(NotesTest, AddListAndFindNotesInAFileTheSourceMakes) {
  EXPECT_EQ(Names("no"), (TNames{"Add new note"}));
  Source.Database.Save(0, "Shopping\r\nmilk");
  Source.Database.Save(0, "");
  Source.Database.Save(0, "Call Addison " + std::string(120, '.'));

  EXPECT_EQ(Names("add"), (TNames{"Add new note", "...Addison " + std::string(19, '.') + "..."}));
  EXPECT_EQ(Names("no"),
            (TNames{"Add new note", "Shopping...", "...", "Call Addison " + std::string(17, '.') + "..."}));
  const std::vector<TItemRecord> hits = CollectHits(Source, "MILK");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].DisplayName + "|" + hits[0].ExecuteString + "|" + hits[0].Hint, "...milk|1|Shopping\r\nmilk");
  EXPECT_EQ(CollectHits(Source, "call")[0].Hint.size(), 100u);
}

TEST_F(NotesTest, ExecuteOpensTheNoteOrANewOneWhoseSaveAddsItWithItsTime) {
  Source.Database.Save(0, "First");
  Source.Database.Save(1, "Changed");
  const std::string today = FormatDateTime("yyyy-mm-dd ", EncodeDate(os::Now().Year, os::Now().Month, os::Now().Day));
  for (const char* key : {"ADD NOTE", "1", "99"}) RunItem(Source, ItemOf(key));
  ASSERT_EQ(Windows->Opened.size(), 3u);
  EXPECT_EQ(Windows->Opened[0].Id, 0);
  EXPECT_EQ(Windows->Opened[0].Caption, "Add new note");
  EXPECT_EQ(Windows->Opened[1].Text, "Changed");
  EXPECT_EQ(Windows->Opened[1].Id, 1);  // its save changes the note
  EXPECT_EQ(Windows->Opened[1].Caption.substr(0, 16), "Note " + today);
  EXPECT_EQ(Windows->Opened[1].Caption.size(), 24u);  // "Note yyyy-mm-dd hh:nn:ss"
  EXPECT_EQ(Windows->Opened[2].Caption, "Note ");     // gone
  EXPECT_EQ(Windows->Opened[2].Id, 0);                // its save adds a note
}

// Each has a connection of its own; ThreadSanitizer watches.
TEST_F(NotesTest, AWorkerSearchesWhileTheGuiThreadOpensNotes) {
  Source.Database.Save(0, "Shopping\r\nmilk");
  constexpr int Rounds = 50;
  auto run = [](std::string& failure, const std::function<void()>& round) {
    try {
      for (int i = 0; i < Rounds; ++i) round();
    } catch (const Exception& e) {
      failure = e.Message();
    }
  };
  TItemData item = ItemOf("1");
  std::string searchFailure, openFailure;
  std::thread worker([&] { run(searchFailure, [&] { CollectHits(Source, "milk"); }); });
  run(openFailure, [&] { Source.Execute(item); });
  worker.join();
  EXPECT_EQ(searchFailure + openFailure, "");
  EXPECT_EQ(Windows->Opened.size(), size_t(Rounds));
}
