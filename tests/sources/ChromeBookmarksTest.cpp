#include "sources/SearchChromeBookmarks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/ShellRecorder.h"

namespace fs = std::filesystem;

namespace {

// A bookmarks file as Chrome writes it (with a byte-order mark, as some tools save it): GitHub
// in the bar, GitLab in a folder of the bar, Digital in other bookmarks, Gitea among the
// mobile ones; a child without a name and one without an address.
const std::string ChromeFile =
    "\xEF\xBB\xBF"
    R"({
   "checksum": "9f1cbd5ac0b2d1b40d9f8d1b2f7c9a01",
   "roots": {
      "bookmark_bar": {
         "children": [ {
            "date_added": "13345678901234567",
            "date_last_used": "0",
            "guid": "6a3c0e5e-9a7b-4f1e-8b55-0d2e4c8a1f10",
            "id": "5",
            "meta_info": { "power_bookmark_meta": "" },
            "name": "GitHub",
            "type": "url",
            "url": "https://github.com/"
         }, {
            "children": [ {
               "date_added": "13345678901234999",
               "guid": "1b2c3d4e-5f60-4718-9a2b-3c4d5e6f7a80",
               "id": "7",
               "name": "GitLab",
               "type": "url",
               "url": "https://gitlab.com/"
            } ],
            "date_added": "13345678901234800",
            "date_modified": "13345678901235000",
            "guid": "2c3d4e5f-6071-4829-8b3c-4d5e6f7a8b91",
            "id": "6",
            "name": "Git tools",
            "type": "folder"
         } ],
         "date_added": "13345678900000000",
         "date_modified": "13345678901235000",
         "guid": "0bc5d13f-2cba-5d74-951f-3f233fe6c908",
         "id": "1",
         "name": "Bookmarks bar",
         "type": "folder"
      },
      "other": {
         "children": [ {
            "id": "9",
            "type": "url",
            "url": "https://nameless.example/"
         }, {
            "id": "10",
            "name": "Git without an address",
            "type": "url"
         }, {
            "date_added": "13345678902000000",
            "guid": "3d4e5f60-7182-4a3b-9c4d-5e6f7a8b9ca2",
            "id": "11",
            "name": "Digital",
            "type": "url",
            "url": "https://example.org/a%20b%20c"
         } ],
         "date_added": "13345678900000000",
         "guid": "82b081ec-3dd3-529c-8475-ab6c344590dd",
         "id": "2",
         "name": "Other bookmarks",
         "type": "folder"
      },
      "synced": {
         "children": [ {
            "id": "12",
            "name": "Gitea",
            "type": "url",
            "url": "https://gitea.io/"
         } ],
         "id": "3",
         "name": "Mobile bookmarks",
         "type": "folder"
      }
   },
   "version": 1
}
)";

class ChromeBookmarksTest : public ::testing::Test {
 protected:
  ChromeBookmarksTest() : File(testpaths::FreshFolder("chrome_profile") + "Bookmarks") {
    FreshSettingsFolder("chrome_settings");
    testpaths::WriteText(File, ChromeFile);
    SetLive(false);
  }

  void SetLive(bool live) { WriteBookmarkFileOptions(ChromeIniFileName(), ChromeFileKey, {File, live}); }

  std::vector<std::string> Names(const std::string& text) { return NamesInOrder(Source, text); }

  std::string File;
  TSearchChromeBookmarks Source{nullptr, nullptr};
};

using TNames = std::vector<std::string>;

}  // namespace

TEST_F(ChromeBookmarksTest, FindsTheDirectChildrenOfTheBarThenOfOtherBookmarksByName) {
  const std::vector<TItemRecord> hits = CollectHits(Source, "git");
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].DisplayName, "GitHub");
  EXPECT_EQ(hits[0].ExecuteString, "https://github.com/");
  EXPECT_EQ(hits[1].DisplayName, "Digital");
  EXPECT_EQ(hits[1].Description, "Chrome bookmark");
  EXPECT_EQ(hits[1].SearchClassName, "Chrome bookmarks");
  EXPECT_TRUE(Names("gitlab").empty());
  EXPECT_TRUE(Names("gitea").empty());

  int calls = 0;
  Source.Search("git", [&](const TItemRecord&) { return ++calls, true; });
  EXPECT_EQ(calls, 1);

  // The address goes to the shell as it is stored, even where "%20b%" could be a macro.
  os::SetEnv("20b", "not this");
  TShellRecorder shell;
  TItemData item(hits[1]);
  item.AsAdmin = true;
  Source.Execute(item);
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_EQ(shell.Calls[0].File, "https://example.org/a%20b%20c");
  EXPECT_EQ(shell.Calls[0].Verb, "runas");
}

TEST_F(ChromeBookmarksTest, ADocumentWithoutBookmarkFoldersGivesOneErrorAndNoHits) {
  const struct {
    const char* text;
    int errors;
  } cases[] = {{"[1]", 1}, {"{}", 1}, {R"({"roots": []})", 1}, {R"({"roots": {"other": 1}})", 0}, {"{roots", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    testpaths::WriteText(File, c.text);
    Source.Reset();
    int errors = 0;
    try {
      EXPECT_TRUE(Names("").empty());
    } catch (const Exception& e) {
      ++errors;
      EXPECT_EQ(e.Message(), File + " holds no Chrome bookmarks.");
    }
    EXPECT_EQ(errors, c.errors);
  }
}

TEST_F(ChromeBookmarksTest, LiveBookmarksReadTheFileAgainWhenItsSizeOrWriteTimeChanged) {
  const struct {
    bool live;
    bool sameWriteTime;
    bool seen;
  } cases[] = {{false, true, true}, {true, false, true}, {true, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "live " << c.live << ", same write time " << c.sameWriteTime);
    // Whole seconds: not every file system keeps a set time more finely.
    const fs::file_time_type written(std::chrono::floor<std::chrono::seconds>(
        fs::last_write_time(fs::u8path(File)).time_since_epoch() - std::chrono::seconds(10)));
    testpaths::WriteText(File, ChromeFile);
    fs::last_write_time(fs::u8path(File), written);
    SetLive(c.live);
    Source.Reset();
    ASSERT_EQ(Names("github"), (TNames{"GitHub"}));
    std::string renamed = ChromeFile;
    renamed.replace(renamed.find("GitHub"), 6, "GitHot");  // the same size
    testpaths::WriteText(File, renamed);
    fs::last_write_time(fs::u8path(File), c.sameWriteTime ? written : written + std::chrono::seconds(2));
    EXPECT_EQ(Names("githo").size(), c.seen ? 1u : 0u);
  }
}

TEST(ChromeBookmarksFileTest, IsFoundUnderGoogleInTheLocalApplicationData) {
  const std::string local = testpaths::FreshFolder("chrome_local");
  EXPECT_EQ(FindChromeBookmarks(local), "");
  const std::string profile = local + "google\\Chrome\\User Data\\Default\\";
  testpaths::WriteText(NativePath(profile + "Bookmarks.bak").string(), "{}");
  EXPECT_EQ(FindChromeBookmarks(local), "");
  testpaths::WriteText(NativePath(profile + "Bookmarks").string(), "{}");
  EXPECT_EQ(FindChromeBookmarks(local), profile + "Bookmarks");
  EXPECT_EQ(FindChromeBookmarks(""), "");
}
