#include "sources/SearchChromeBookmarks.h"

#include <gtest/gtest.h>

#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/Thrown.h"

namespace {

// A bookmarks file as Chrome writes it, its layout packed and most fields the source does not read
// left out (with a byte-order mark, as some tools save it): GitHub in the bar, GitLab in a folder
// of the bar, Digital in other bookmarks, Gitea among the mobile ones; a child without a name and
// one without an address.
const std::string ChromeFile =
    "\xEF\xBB\xBF"
    R"({ "checksum": "9f1cbd5ac0b2d1b40d9f8d1b2f7c9a01", "roots": {
  "bookmark_bar": { "children": [
    { "date_added": "13345678901234567", "guid": "6a3c0e5e-9a7b-4f1e-8b55-0d2e4c8a1f10",
      "meta_info": { "power_bookmark_meta": "" }, "name": "GitHub", "type": "url", "url": "https://github.com/" },
    { "children": [ { "name": "GitLab", "type": "url", "url": "https://gitlab.com/" } ],
      "name": "Git tools", "type": "folder" } ],
    "name": "Bookmarks bar", "type": "folder" },
  "other": { "children": [
    { "type": "url", "url": "https://nameless.example/" },
    { "name": "Git without an address", "type": "url" },
    { "name": "Digital", "type": "url", "url": "https://example.org/a%20b%20c" } ],
    "name": "Other bookmarks", "type": "folder" },
  "synced": { "children": [ { "name": "Gitea", "type": "url", "url": "https://gitea.io/" } ],
    "name": "Mobile bookmarks", "type": "folder" } },
  "version": 1 })";

class ChromeBookmarksTest : public ::testing::Test {
 protected:
  ChromeBookmarksTest() : File(testpaths::FreshFolder("chrome_profile") + "Bookmarks") {
    TestSettingsFolder();
    testpaths::WriteText(File, ChromeFile);
    SetLive(false);
  }

  void SetLive(bool live) { WriteBookmarkFileOptions(ChromeIniFileName(), ChromeFileKey, {File, live}); }

  TNames Names(const std::string& text) { return NamesInOrder(Source, text); }

  std::string File;
  TSearchChromeBookmarks Source{nullptr, nullptr};
};

}  // namespace

TEST_F(ChromeBookmarksTest, FindsTheDirectChildrenOfTheBarThenOfOtherBookmarksByName) {
  const std::vector<TItemRecord> hits = CollectHits(Source, "git");
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].DisplayName + " " + hits[0].ExecuteString, "GitHub https://github.com/");
  EXPECT_EQ(hits[1].DisplayName, "Digital");
  EXPECT_TRUE(Names("gitlab").empty());
  EXPECT_TRUE(Names("gitea").empty());

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
  const std::pair<const char*, bool> cases[] = {{"[1]", true},
                                                {"{}", true},
                                                {R"({"roots": []})", true},
                                                {R"({"roots": {"other": 1}})", false},
                                                {"{roots", false}};
  for (const auto& [text, error] : cases) {
    SCOPED_TRACE(text);
    testpaths::WriteText(File, text);
    Source.Reset();
    EXPECT_EQ(ThrownMessage<Exception>([&] { EXPECT_TRUE(Names("").empty()); }),
              error ? File + " holds no Chrome bookmarks." : "");
  }
}
