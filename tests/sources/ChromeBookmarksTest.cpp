#include "sources/SearchChromeBookmarks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/Thrown.h"

// After the program's headers, whose names the macros of windows.h would change.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

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

// While it lives, File cannot be opened, as while the browser writes it: under Windows a handle
// shares nothing; elsewhere, where the tests may run as root, the process has no handle left.
struct TFileLock {
#ifdef _WIN32
  explicit TFileLock(const std::string& file)
      : FHandle(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~TFileLock() { CloseHandle(FHandle); }
  HANDLE FHandle;
#else
  explicit TFileLock(const std::string&) {
    getrlimit(RLIMIT_NOFILE, &FOld);
    rlimit none = FOld;
    none.rlim_cur = static_cast<rlim_t>(open("/dev/null", O_RDONLY));  // the lowest free handle
    close(static_cast<int>(none.rlim_cur));
    setrlimit(RLIMIT_NOFILE, &none);
  }
  ~TFileLock() { setrlimit(RLIMIT_NOFILE, &FOld); }
  rlimit FOld{};
#endif
};

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

// A change that keeps the file's size is seen by its write time; a read that failed while the
// browser held the file is tried again by the next search.
TEST_F(ChromeBookmarksTest, LiveBookmarksReadTheFileAgainWhenItChangedOrWasNotRead) {
  std::string changed = ChromeFile;
  changed.replace(changed.find("GitHub"), 6, "GitHop");  // the same size
  const struct {
    const char* Name;
    bool Live, Later, Locked;
    TNames Found;
  } cases[] = {
      {"not live: every search reads", false, false, false, {"GitHop", "Digital"}},
      {"the same size and time", true, false, false, {"GitHub", "Digital"}},
      {"the same size, written later", true, true, false, {"GitHop", "Digital"}},
      {"held by the browser at its new version", true, true, true, {"GitHop", "Digital"}},
  };
  const std::filesystem::path path = NativePath(File);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    testpaths::WriteText(File, ChromeFile);
    // Whole seconds, which every way of setting a file's time keeps.
    const auto written = std::chrono::floor<std::chrono::seconds>(std::filesystem::last_write_time(path));
    std::filesystem::last_write_time(path, written);
    SetLive(c.Live);
    Source.Reset();
    ASSERT_EQ(Names("git"), (TNames{"GitHub", "Digital"}));
    testpaths::WriteText(File, changed);
    std::filesystem::last_write_time(path, written + std::chrono::seconds(c.Later ? 10 : 0));
    if (c.Locked) {
      const TFileLock lock(File);
      EXPECT_EQ(Names("git"), TNames{});
    }
    EXPECT_EQ(Names("git"), c.Found);
  }
}
