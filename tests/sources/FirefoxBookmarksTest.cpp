#include "sources/SearchFirefoxBookmarks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/data/SqliteTestSupport.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"

namespace {

// The two tables of Firefox's places database that bookmarks live in, with the columns a bookmark
// is read and made from (both have a title: the places' one is the page's, not the bookmark's).
const char* const FirefoxSchema = R"(
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, guid TEXT);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,
  position INTEGER, title LONGVARCHAR, guid TEXT);
INSERT INTO moz_bookmarks (id, type, parent, position, title, guid) VALUES
  (1, 2, 0, 0, '', 'root________'), (2, 2, 1, 0, 'menu', 'menu________'), (3, 2, 1, 1, 'toolbar', 'toolbar_____'),
  (4, 2, 3, 0, 'Mail folder', 'folder_mail_');
)";

const std::string LongUrl = "https://mail.example.org/archive?" + std::string(270, 'q');

// Firefox's database in WAL mode, kept open as Firefox keeps it: the last bookmark lies only in
// the log, never written back into the database.
class FirefoxBookmarksTest : public ::testing::Test {
 protected:
  FirefoxBookmarksTest() {
    TestSettingsFolder();
    Browser = sqlitetest::NewConnection("firefox_profile", "places.sqlite");
    Browser->SetConnected(true);
    Browser->ExecuteSQL("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    Browser->ExecuteSQL(FirefoxSchema);
    for (const auto& [title, url] :
         std::vector<std::pair<const char*, std::string>>{{"Gmail", "https://mail.google.com/"},
                                                          {"MAIL archive", LongUrl},
                                                          {nullptr, "https://untitled.example/"},
                                                          {"100% pure", "https://example.org/a%20b%20c"},
                                                          {"snake_case guide", "https://example.org/snake"},
                                                          {"snakeXcase", "https://example.org/x"},
                                                          {"O'Reilly", "https://oreilly.example/"}})
      AddBookmark(title, url);
    Browser->ExecuteSQL("PRAGMA wal_checkpoint(TRUNCATE)");
    AddBookmark("Unwritten mail", "https://unwritten.example/");
    SetLive(false);
    Source.DriverDLL = sqlitetest::LibraryPath();
  }

  void AddBookmark(const char* title, const std::string& url) {
    Browser->ExecuteSQL("INSERT INTO moz_places (url, guid) VALUES (?1, hex(randomblob(6)))", {TSqlValue::OfText(url)});
    Browser->ExecuteSQL(
        "INSERT INTO moz_bookmarks (type, fk, parent, position, title, guid) "
        "VALUES (1, last_insert_rowid(), 3, 0, ?1, hex(randomblob(6)))",
        {title ? TSqlValue::OfText(title) : TSqlValue::OfNull()});
  }

  void SetLive(bool live) {
    WriteBookmarkFileOptions(FirefoxIniFileName(), FirefoxFileKey, {Browser->GetDatabase(), live});
  }

  TNames Titles(const std::string& text) { return HitNames(CollectHits(Source, text)); }

  std::unique_ptr<TSqlite3DB> Browser;
  TSearchFFBookmarks Source{nullptr, nullptr};
};

}  // namespace

TEST_F(FirefoxBookmarksTest, FindsTitlesInTheCopyWithTheBrowsersLogAndTypedWildcardsActAsSuch) {
  const std::pair<const char*, TNames> cases[] = {
      {"mail", {"Gmail", "MAIL archive", "Unwritten mail"}},  // not the folder
      {"e_c", {"snakeXcase", "snake_case guide"}},
      {"0%", {"100% pure"}},
      {"l%v", {"MAIL archive"}},
      {"'", {"O'Reilly"}},
      {"\\", {}},
  };
  for (const auto& [text, titles] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Titles(text), titles);
  }
  // Addresses whole and unchanged.
  EXPECT_EQ(CollectHits(Source, "archive").at(0).ExecuteString, LongUrl);
  EXPECT_EQ(CollectHits(Source, "pure").at(0).ExecuteString, "https://example.org/a%20b%20c");
}

TEST_F(FirefoxBookmarksTest, CopiesAgainEverySearchOrWhenLiveOnlyAfterTheBrowsersFilesChanged) {
  // The browser's changes: a bookmark added, which its log grows by, and one renamed and written
  // back into the database, which keeps the sizes of both files.
  const auto add = [&] { AddBookmark("Added", "https://added.example/"); };
  const auto rename = [&] {
    Browser->ExecuteSQL("UPDATE moz_bookmarks SET title = 'RenamedXyz' WHERE title = 'snakeXcase'");
    Browser->ExecuteSQL("PRAGMA wal_checkpoint(TRUNCATE)");
    const std::filesystem::path database = NativePath(Browser->GetDatabase());
    std::filesystem::last_write_time(database, std::filesystem::last_write_time(database) + std::chrono::seconds(10));
  };
  const struct {
    bool live;
    std::function<void()> change;
    const char* changed;  // the title the change brings
    bool copied;
  } cases[] = {{false, nullptr, nullptr, true},
               {true, nullptr, nullptr, false},
               {true, add, "added", true},
               {true, rename, "renamedxyz", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "live " << c.live << ", changed " << (c.changed ? c.changed : "nothing"));
    Browser->ExecuteSQL("PRAGMA wal_checkpoint(TRUNCATE)");
    SetLive(c.live);
    Source.Reset();
    ASSERT_EQ(Titles("gmail").size(), 1u);
    // A mark in the copy itself stays for as long as no new copy is made.
    const auto copy = sqlitetest::Connection(PlacesCopyFileName());
    copy->SetConnected(true);
    copy->ExecuteSQL("UPDATE moz_bookmarks SET title = 'Gmail (copy)' WHERE title = 'Gmail'");
    copy->SetConnected(false);
    if (c.change) c.change();
    EXPECT_EQ(Titles("gmail"), c.copied ? TNames{"Gmail"} : TNames{"Gmail (copy)"});
    if (c.changed) {
      EXPECT_EQ(Titles(c.changed).size(), 1u);
    }
  }
}

TEST(FirefoxPlacesTest, TheOptionsFindFirefoxsDatabaseButNeverTheProgramsOwnCopy) {
  const std::string folder = testpaths::FreshFolder("firefox_find");
  const std::string copy = folder + "places.sqlite";
  testpaths::WriteText(copy, "");
  EXPECT_EQ(FindFirefoxPlaces(folder, copy), "");
  const std::string profile = folder + "Firefox\\Profiles\\k2x9.default-release\\";
  testpaths::WriteText(NativePath(profile + "places.sqlite").string(), "");
  EXPECT_EQ(FindFirefoxPlaces(folder, copy), profile + "places.sqlite");
  EXPECT_EQ(FindFirefoxPlaces(folder, folder + "elsewhere.sqlite"), copy);
}
