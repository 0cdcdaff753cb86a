// The windows of the Chrome, Firefox and notes sources under Wine, and the three sources in the
// real main window: typing finds each, Enter opens it.
#include "app/win32/FBookmarkOptions.h"
#include "app/win32/FNote.h"
#include "sources/SearchChromeBookmarks.h"
#include "sources/SearchFirefoxBookmarks.h"
#include "tests/app/AppTest.h"
#include "tests/data/SqliteTestSupport.h"
#include "tests/support/ShellRecorder.h"

namespace {

class NotesAndBookmarksTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    for (const std::string& file : {ChromeIniFileName(), FirefoxIniFileName(), NotesFileName()}) os::DeleteFile(file);
  }
};

template <class TDialog>
std::unique_ptr<TBookmarkOptionsForm> ShownDialog() {
  auto dialog = std::make_unique<TDialog>(nullptr);
  EXPECT_TRUE(ShowActive(*dialog));
  return dialog;
}

}  // namespace

TEST_F(NotesAndBookmarksTest, TheBookmarkOptionsFindTheBrowsersFileOrAskForIt) {
  const struct {
    std::function<std::unique_ptr<TBookmarkOptionsForm>()> show;
    std::string iniFile;
    const char* key;
    std::string usualFile;  // where the browser keeps it
    const char* notFound;
  } cases[] = {
      {ShownDialog<TChromeOptionsForm>, ChromeIniFileName(), ChromeFileKey,
       GetSpecialFolderPath(28) + "\\google\\Chrome\\User Data\\Default\\Bookmarks",
       "Can't find bookmarks. Find it yourself and paste the whole path to the bookmarks."},
      {ShownDialog<TFirefoxOptionsForm>, FirefoxIniFileName(), FirefoxFileKey,
       SettingsFolder("Mozilla") + "Firefox\\Profiles\\t2k9.default\\places.sqlite",
       "Can't find places.sqlite. Find it yourself and paste the whole path to the places."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    WriteBookmarkFileOptions(c.iniFile, c.key, {c.usualFile + " gone", true});
    testpaths::WriteText(c.usualFile, "x");
    EXPECT_EQ(c.show()->eFile->Text(), c.usualFile);  // where the stored one is gone

    os::DeleteFile(c.usualFile);
    TBoxAnswer answer(mrOk);
    auto dialog = c.show();
    EXPECT_EQ(answer.Text, c.notFound);
    EXPECT_TRUE(dialog->eFile->Enabled());
    dialog->eFile->SetText("D:\\Bookmarks");
    dialog->cbLive->SetChecked(false);
    dialog->btnOk->Click();
    const TBookmarkFileOptions stored = ReadBookmarkFileOptions(c.iniFile, c.key);
    EXPECT_EQ(stored.FileName, "D:\\Bookmarks");
    EXPECT_FALSE(stored.LiveBookmarks);
  }
}

TEST_F(NotesAndBookmarksTest, ANoteWindowSavesItsTextAndIsFreedWhenClosed) {
  const TNotesDatabase notes;
  notes.Save(0, "Shopping\r\nmilk");
  TForm owner(nullptr);
  TWin32NoteWindows windows(&owner);
  auto window = [&] { return owner.Components().empty() ? nullptr : dynamic_cast<TNoteForm*>(owner.Components()[0]); };

  windows.Open(notes.Read(1));
  ASSERT_TRUE(PumpUntil([&] { return window() && IsWindowVisible(window()->Handle()); }));
  window()->eText->SetText("Shopping\r\nbread");
  window()->btnOk->Click();
  EXPECT_TRUE(PumpUntil([&] { return !window(); }));
  EXPECT_EQ(notes.Read(1).Text, "Shopping\r\nbread");

  windows.Open({0, "Add new note", ""});
  ASSERT_TRUE(PumpUntil([&] { return window() && FocusOn(*window()->eText); }));
  window()->eText->SetText("Never saved");
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return !window(); }));
  EXPECT_EQ(notes.Read(2).Id, 0);

  TItemData item;
  windows.LoadNoteIcon(item);
  EXPECT_NE(item.Icon, nullptr);
}

TEST_F(NotesAndBookmarksTest, TheMainWindowFindsEachSourceAndEnterOpensIt) {
  const std::string chromeFile = testpaths::FreshFolder("main_chrome") + "Bookmarks";
  testpaths::WriteText(chromeFile, R"({"roots": {"bookmark_bar": {"children": [
      {"name": "Lorvex home", "type": "url", "url": "https://lorvex.example/home"}]}}})");
  WriteBookmarkFileOptions(ChromeIniFileName(), ChromeFileKey, {chromeFile, false});
  auto places =
      sqlitetest::NewDatabase("main_firefox",
                              "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR);"
                              "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, fk INTEGER, title LONGVARCHAR);"
                              "INSERT INTO moz_places VALUES (1, 'https://lorvex.example/forum');"
                              "INSERT INTO moz_bookmarks VALUES (1, 1, 'Lorvex forum');");
  WriteBookmarkFileOptions(FirefoxIniFileName(), FirefoxFileKey, {places->GetDatabase(), false});
  TNotesDatabase().Save(0, "Lorvex keeps notes as well");
  WriteSettings([](TLorvexSettings& s) { s.SearchOrder = {"Chrome bookmarks", "Firefox bookmarks", "Notes"}; });
  const TShellRecorder shell;
  TMainForm& form = CreateMain();

  auto rowOf = [&](const std::string& name) {
    for (int i = form.ResultList->Count() - 1; i >= 0; --i)
      if (form.Search().List().Text(i) == name) return i;
    return -1;
  };
  const struct {
    const char* name;
    const char* opens;  // the address handed to the shell; none: a note window
  } cases[] = {{"Lorvex home", "https://lorvex.example/home"},
               {"Lorvex forum", "https://lorvex.example/forum"},
               {"Lorvex keeps notes as well", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShowMain();
    form.SearchBox->SetText("lorvex");
    const TSearchModel& search = form.Search();
    ASSERT_TRUE(
        PumpUntil([&] { return search.SearchText() == "lorvex" && !search.SearchRunning() && rowOf(c.name) >= 0; }));
    SaveWindowPicture(form.Handle(), ArtifactsFolder() + "notes_and_bookmarks.bmp");
    ASSERT_TRUE(FocusOn(*form.ResultList));
    form.ResultList->SetItemIndex(rowOf(c.name));
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(form.Handle()); }));
    if (c.opens) {
      ASSERT_FALSE(shell.Calls.empty());
      EXPECT_EQ(shell.Calls.back().File, c.opens);
    } else {
      HWND note = FindWindowA(nullptr, TNotesDatabase().Read(1).Caption.c_str());
      ASSERT_NE(note, nullptr);
      EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == note; }));
      EXPECT_EQ(dynamic_cast<TNoteForm&>(*TWinControl::FromHandle(note)).eText->Text(), c.name);
    }
  }
}
