#include "sources/SearchShortcuts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/qmFileUtils.h"
#include "sources/SearchIEBookmarks.h"
#include "tests/sources/SourceHits.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestPaths.h"

namespace {

// The shell of a test: special folders and link targets as the test sets them.
struct TFakeShell : TShortcutShell {
  std::map<int, std::string> Folders;
  std::map<std::string, TShortcutInfo> Links;  // by file name
  int Begun = 0, Ended = 0;                    // searches

  std::string FolderPath(int csidl) override { return Folders.count(csidl) ? Folders[csidl] : ""; }
  void ResolveShortcut(TShortcutInfo& info) override {
    auto link = Links.find(ExtractFileName(info.FileName));
    if (link == Links.end()) return;
    const std::string fileName = info.FileName;
    info = link->second;
    info.FileName = fileName;
  }
  void BeginSearch() override { ++Begun; }
  void EndSearch() override { ++Ended; }

  void Link(const std::string& fileName, const std::string& target, const std::string& description = "") {
    Links[fileName].Target = target;
    Links[fileName].Description = description;
  }
};

// A fake start menu and desktop on disk.
class ShortcutSourceTest : public ::testing::Test {
 protected:
  ShortcutSourceTest() : Root(testpaths::FreshFolder("shortcut_sources")) {
    Shell->Folders = {{csidlStartMenu, Root + "StartMenu"},
                      {csidlCommonStartMenu, Root + "CommonStartMenu"},
                      {csidlDesktop, Root + "Desktop"},
                      {csidlCommonDesktop, Root + "CommonDesktop"}};
    RestoreSettings();
  }
  ~ShortcutSourceTest() override {
    RestoreSettings();
    os::SetDisplayNameProviderForTests(nullptr);
  }

  static void RestoreSettings() {
    TLorvexSettings& settings = AppSettings();
    settings.Filters.Clear();
    TLorvexSettings::AddDefaultFilters(settings.Filters);
    settings.ExtendedSearch = false;
    settings.FoldersAreHits = false;
  }

  void Touch(const std::string& relative) const { testpaths::WriteText(Root + relative, "x"); }
  // The path of a file under the test's folder, as the walk reports it.
  std::string Path(const std::string& folder, const std::string& name) const {
    return IncludeTrailingBackslash(Root + folder) + name;
  }

  std::string Root;
  std::shared_ptr<TFakeShell> Shell = std::make_shared<TFakeShell>();
  TShellRecorder Opened;
};

}  // namespace

// Only hide filters hide: an extension by the file's or the target's, a word in either unless
// the typed text is part of the word or holds it.
TEST(ShortcutFilterTest, FiltersHideByTheFileOrTheTargetUnlessTheTextMeansIt) {
  const struct {
    const char* Text;
    const char* File;
    const char* Target;
    bool HideExe, Passes;
  } cases[] = {
      {"foo", "C:\\Menu\\Uninstall Foo.lnk", "C:\\Foo\\unins000.exe", false, false},
      {"clean", "C:\\Menu\\Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe", false, false},
      {"stall", "C:\\Menu\\Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe", false, true},
      {"my uninstaller", "C:\\Menu\\Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe", false, true},
      {"UNINSTALL FOO", "C:\\Menu\\Uninstall Foo.lnk", "C:\\Foo\\unins000.exe", false, true},
      {"tool", "C:\\Menu\\Tool.lnk", "C:\\Tool\\TOOL.EXE", false, true},
      {"tool", "C:\\Menu\\Tool.lnk", "C:\\Tool\\TOOL.EXE", true, false},
      {"tool", "C:\\Menu\\tool.exe", "", true, false},
      {"tool", "C:\\Menu\\Tool Manual.lnk", "C:\\Tool\\manual.pdf", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Text) + " " + c.File + (c.HideExe ? ", exe hidden" : ""));
    TFilters filters;
    TLorvexSettings::AddDefaultFilters(filters);  // shows lnk, exe and url; hides "uninstall"
    if (c.HideExe) filters.Add(ftExt, "exe", faHide);
    EXPECT_EQ(PassesFilters(filters, c.Text, c.File, c.Target), c.Passes);
  }
}

TEST_F(ShortcutSourceTest, ShortcutsFilesAndFoldersBecomeTheirRecordsAfterTheFilters) {
  Touch("Desktop/Editor.lnk");
  Touch("CommonDesktop/Editor notes.txt");
  std::filesystem::create_directories(std::filesystem::u8path(Root + "Desktop/Editor projects"));
  Shell->Link("Editor.lnk", "C:\\Tools\\edit.exe", "Edits texts");
  Touch("Desktop/Editor cleaner.lnk");
  Shell->Link("Editor cleaner.lnk", "C:\\Tools\\Uninstall.exe");  // hidden: its target names the word
  TSearchDesktop source(nullptr, Shell);
  const std::string shortcut = Path("Desktop", "Editor.lnk"), file = Path("CommonDesktop", "Editor notes.txt");
  const std::string folder = Path("Desktop", "Editor projects");
  for (bool foldersAreHits : {false, true}) {
    SCOPED_TRACE(foldersAreHits);
    AppSettings().FoldersAreHits = foldersAreHits;
    TNames shown = Mapped(CollectHits(source, "edit"), Shown);
    std::sort(shown.begin(), shown.end());  // the walk's order is the file system's
    TNames expected = {"Editor notes.txt|" + file + "|" + file + "|" + file + "||File|Desktop",
                       "Editor|Edits texts|" + shortcut + "|" + shortcut + "|.exe|Shortcut|Desktop"};
    if (foldersAreHits)
      expected.insert(expected.begin() + 1,
                      "Editor projects|" + folder + "|" + folder + "|" + folder + "||Folder|Desktop");
    EXPECT_EQ(shown, expected);
  }
}

// The matching itself is the file walk's; the source turns it on with the extended search.
TEST_F(ShortcutSourceTest, ExtendedSearchAddsDisplayNamesWordsAndInitialsAndMayReportAShortcutTwice) {
  Touch("StartMenu/Media Player Classic.lnk");
  Touch("StartMenu/Rechner.lnk");
  os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
    return ExtractFileName(path) == "Rechner.lnk" ? "Calculator" : ExtractFileNameNoExt(path);
  });
  TSearchStartMenu source(nullptr, Shell);
  EXPECT_TRUE(CollectHits(source, "calc").empty());
  AppSettings().ExtendedSearch = true;
  EXPECT_EQ(NamesInOrder(source, "calc"), TNames{"Calculator"});
  EXPECT_EQ(NamesInOrder(source, "mpc"), TNames{"Media Player Classic"});
  // By its name, and again by its words.
  EXPECT_EQ(NamesInOrder(source, "media player"), (TNames{"Media Player Classic", "Media Player Classic"}));
}

// A stop ends the first folder at once (the file walk's rule) and the second at its first poll.
TEST_F(ShortcutSourceTest, EachSourceWalksItsTwoFoldersInOrderAndAStopEndsTheSecondAtItsFirstPoll) {
  Touch("StartMenu/Alpha one.lnk");
  Touch("CommonStartMenu/Alpha two.lnk");
  Touch("Desktop/Alpha three.lnk");
  Touch("CommonDesktop/Alpha four.lnk");
  TSearchStartMenu startMenu(nullptr, Shell);
  TSearchDesktop desktop(nullptr, Shell);
  EXPECT_EQ(NamesInOrder(startMenu, "alpha"), (TNames{"Alpha one", "Alpha two"}));
  EXPECT_EQ(NamesInOrder(desktop, "alpha"), (TNames{"Alpha three", "Alpha four"}));
  TNames seen;           // "" for a poll
  bool stopped = false;  // the list answers "stop" from the first hit on
  desktop.Search("alpha", [&](const TItemRecord& record) {
    seen.push_back(record.DisplayName);
    return stopped = stopped || !record.DisplayName.empty();
  });
  EXPECT_EQ(seen, (TNames{"", "Alpha three", ""}));
  // A failing add-hit still ends the shell's search.
  EXPECT_THROW(startMenu.Search("alpha", [](const TItemRecord&) -> bool { throw Exception("gone"); }), Exception);
  EXPECT_EQ(Shell->Begun, Shell->Ended);
}

// The message of a failure is the shell's (see the suite under Wine).
TEST_F(ShortcutSourceTest, ExecuteOpensTheExpandedItemThroughTheShell) {
  os::SetEnv("LORVEX_SHORTCUT_TEST", "C:\\Menu");
  TSearchStartMenu source(nullptr, Shell);
  for (const bool asAdmin : {false, true})
    RunItem(source, ItemOf("%LORVEX_SHORTCUT_TEST%\\Editor.lnk", "%LORVEX_SHORTCUT_TEST%\\notes.txt", asAdmin));
  EXPECT_EQ(Opened.Calls,
            (std::vector<os::TShellOpenRequest>{{"", "C:\\Menu\\Editor.lnk", "C:\\Menu\\notes.txt", "", 9},
                                                {"runas", "C:\\Menu\\Editor.lnk", "C:\\Menu\\notes.txt", "", 9}}));
}

TEST_F(ShortcutSourceTest, FavouritesAreFoundByFileNameOnly) {
  Touch("Favorites/Links/News.url");
  Touch("Favorites/Weather.url");
  Shell->Folders[csidlFavorites] = Root + "Favorites";
  os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
    return ExtractFileName(path) == "Weather.url" ? "Wetterbericht" : ExtractFileNameNoExt(path);
  });
  AppSettings().ExtendedSearch = true;  // changes nothing here
  TSearchIEBookmarks source(nullptr, Shell);
  std::vector<TItemRecord> hits = CollectHits(source, "new");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(Shown(hits[0]), "News||" + Path("Favorites", "Links\\News.url") +
                                "||.url|Internet Explorer favorite|Internet Explorer Favorites");
  EXPECT_TRUE(CollectHits(source, "wetter").empty());

  // A favourite the shell cannot open says so, as every other hit does.
  Opened.Failure = "The system cannot find the file specified.";
  TItemData item(hits[0]);
  item.AsAdmin = true;
  EXPECT_THROW(source.Execute(item), Exception);
  EXPECT_EQ(Opened.Calls, (std::vector<os::TShellOpenRequest>{{"runas", hits[0].ExecuteString, "", "", 9}}));
}
