#include "sources/SearchShortcuts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/qmFileUtils.h"
#include "sources/SearchIEBookmarks.h"
#include "tests/sources/SourceHits.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Thrown.h"

namespace fs = std::filesystem;

namespace {

// The shell of a test: special folders and link targets as the test sets them, and a record of
// what was handed to "open".
class TFakeShell : public TShortcutShell {
 public:
  std::map<int, std::string> Folders;
  std::map<std::string, TShortcutInfo> Links;  // by file name
  std::vector<os::TShellOpenRequest> Opened;   // what the shell was handed meanwhile
  bool OpenFails = false;
  int Begun = 0, Ended = 0, Resets = 0;

  TFakeShell() {
    os::SetShellOpenForTests([this](const os::TShellOpenRequest& request, std::string& errorText) {
      Opened.push_back(request);
      if (OpenFails) errorText = "The system cannot find the file specified.";
      return !OpenFails;
    });
  }
  ~TFakeShell() override { os::SetShellOpenForTests(nullptr); }

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
  void Reset() override { ++Resets; }

  void Link(const std::string& fileName, const std::string& target, const std::string& description = "") {
    Links[fileName].Target = target;
    Links[fileName].Description = description;
  }
};

// A fake start menu and desktop on disk.
class ShortcutSourceTest : public ::testing::Test {
 protected:
  ShortcutSourceTest() : Root(testpaths::FreshFolder("shortcut_sources")) {
    Shell = std::make_shared<TFakeShell>();
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
  std::shared_ptr<TFakeShell> Shell;
};

using TNames = std::vector<std::string>;

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

TEST_F(ShortcutSourceTest, TheSourceFiltersWithTheTargetTheShellResolves) {
  Touch("StartMenu/Foo/Foo.lnk");
  Touch("StartMenu/Foo/Uninstall Foo.lnk");
  Touch("StartMenu/Foo/Foo Cleaner.lnk");
  Shell->Link("Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe");  // only the target names the hidden word
  TSearchStartMenu source(nullptr, Shell);
  EXPECT_EQ(HitNames(CollectHits(source, "foo")), (TNames{"Foo"}));
  EXPECT_EQ(HitNames(CollectHits(source, "unin")), (TNames{"Uninstall Foo"}));
}

TEST_F(ShortcutSourceTest, ShortcutsFilesAndFoldersBecomeTheirRecords) {
  Touch("Desktop/Editor.lnk");
  Touch("CommonDesktop/Editor notes.txt");
  fs::create_directories(fs::u8path(Root + "Desktop/Editor projects"));
  Shell->Link("Editor.lnk", "C:\\Tools\\edit.exe", "Edits texts");
  TSearchDesktop source(nullptr, Shell);

  std::vector<TItemRecord> hits = CollectHits(source, "edit");
  ASSERT_EQ(hits.size(), 2u);  // folders only when they are hits; the common desktop second
  const std::string shortcut = Path("Desktop", "Editor.lnk"), file = Path("CommonDesktop", "Editor notes.txt");
  EXPECT_EQ(Shown(hits[0]), "Editor|Edits texts|" + shortcut + "|" + shortcut + "|.exe|Shortcut|Desktop");
  EXPECT_EQ(Shown(hits[1]), "Editor notes.txt|" + file + "|" + file + "|" + file + "||File|Desktop");

  AppSettings().FoldersAreHits = true;
  hits = CollectHits(source, "edit");
  ASSERT_EQ(hits.size(), 3u);
  const std::string folder = Path("Desktop", "Editor projects");
  const auto projects =
      std::find_if(hits.begin(), hits.end(), [](auto& hit) { return hit.DisplayName == "Editor projects"; });
  ASSERT_NE(projects, hits.end());
  EXPECT_EQ(Shown(*projects), "Editor projects|" + folder + "|" + folder + "|" + folder + "||Folder|Desktop");
}

TEST_F(ShortcutSourceTest, ExtendedSearchAddsDisplayNamesWordsAndInitialsAndMayReportAShortcutTwice) {
  Touch("StartMenu/Media Player Classic.lnk");
  Touch("StartMenu/Rechner.lnk");
  Shell->Link("Media Player Classic.lnk", "C:\\MPC\\mpc.exe");
  os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
    return ExtractFileName(path) == "Rechner.lnk" ? "Calculator" : ExtractFileNameNoExt(path);
  });
  TSearchStartMenu source(nullptr, Shell);
  EXPECT_TRUE(CollectHits(source, "calc").empty());
  EXPECT_TRUE(CollectHits(source, "mpc").empty());
  EXPECT_EQ(CollectHits(source, "media player").size(), 1u);

  AppSettings().ExtendedSearch = true;
  using TFound = std::vector<std::pair<std::string, TDrawType>>;
  auto found = [&](const std::string& text) {
    TFound result;
    for (const TItemRecord& hit : CollectHits(source, text)) result.emplace_back(hit.DisplayName, hit.DrawType);
    return result;
  };
  EXPECT_EQ(found("calc"), (TFound{{"Calculator", dtPos}}));  // the shell's name
  EXPECT_EQ(found("mpc"), (TFound{{"Media Player Classic", dtAbbrevations}}));
  // By its name, and again by its words.
  EXPECT_EQ(found("media player"), (TFound{{"Media Player Classic", dtPos}, {"Media Player Classic", dtWords}}));
}

TEST_F(ShortcutSourceTest, EachSourceWalksItsTwoFoldersInOrderAndNeverAnEmptyPath) {
  Touch("StartMenu/Alpha one.lnk");
  Touch("CommonStartMenu/Alpha two.lnk");
  Touch("Desktop/Alpha three.lnk");
  Touch("CommonDesktop/Alpha four.lnk");
  TSearchStartMenu startMenu(nullptr, Shell);
  TSearchDesktop desktop(nullptr, Shell);
  auto inOrder = [&](TSearchClass& source) {
    std::vector<std::string> names;
    for (const TItemRecord& hit : CollectHits(source, "alpha")) names.push_back(hit.DisplayName);
    return names;
  };
  EXPECT_EQ(inOrder(startMenu), (TNames{"Alpha one", "Alpha two"}));
  EXPECT_EQ(inOrder(desktop), (TNames{"Alpha three", "Alpha four"}));
  EXPECT_EQ(Shell->Begun, 2);
  EXPECT_EQ(Shell->Ended, 2);

  // A folder the shell does not have is not the root of the drive.
  Shell->Folders.erase(csidlDesktop);
  Shell->Folders.erase(csidlCommonDesktop);
  int calls = 0;
  desktop.Search("", [&](const TItemRecord&) { return ++calls, false; });
  EXPECT_EQ(calls, 0);
}

TEST_F(ShortcutSourceTest, AStopEndsTheFirstFolderAndTheSecondAtItsFirstPoll) {
  Touch("StartMenu/Beta one.lnk");
  Touch("StartMenu/Beta two.lnk");
  Touch("CommonStartMenu/Beta three.lnk");
  TSearchStartMenu source(nullptr, Shell);
  std::vector<std::string> seen;  // "" for a poll
  bool cancelled = false;         // the list answers "stop" from the first hit on
  source.Search("beta", [&](const TItemRecord& record) {
    seen.push_back(record.DisplayName);
    return cancelled = cancelled || !record.DisplayName.empty();
  });
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "");
  EXPECT_FALSE(seen[1].empty());
  EXPECT_EQ(seen[2], "");
  EXPECT_EQ(Shell->Ended, 1);
}

TEST_F(ShortcutSourceTest, AFailingAddHitStillEndsTheShellsSearch) {
  Touch("StartMenu/Gamma.lnk");
  TSearchStartMenu source(nullptr, Shell);
  EXPECT_THROW(source.Search("gamma", [](const TItemRecord&) -> bool { throw Exception("gone"); }), Exception);
  EXPECT_EQ(Shell->Begun, 1);
  EXPECT_EQ(Shell->Ended, 1);
}

TEST_F(ShortcutSourceTest, ExecuteOpensTheExpandedItemThroughTheShellAndReportsItsFailure) {
  os::SetEnv("LORVEX_SHORTCUT_TEST", "C:\\Menu");
  TSearchStartMenu source(nullptr, Shell);
  TItemData item;
  item.SetExecuteString("%LORVEX_SHORTCUT_TEST%\\Editor.lnk");
  item.SetParameters("%LORVEX_SHORTCUT_TEST%\\notes.txt");
  source.Execute(item);
  item.AsAdmin = true;
  source.Execute(item);
  EXPECT_EQ(Shell->Opened,
            (std::vector<os::TShellOpenRequest>{{"", "C:\\Menu\\Editor.lnk", "C:\\Menu\\notes.txt", "", 9},
                                                {"runas", "C:\\Menu\\Editor.lnk", "C:\\Menu\\notes.txt", "", 9}}));
  Shell->OpenFails = true;
  EXPECT_EQ(ThrownMessage<Exception>([&] { source.Execute(item); }),
            "ShellExecute error The system cannot find the file specified.");
  source.Reset();
  EXPECT_EQ(Shell->Resets, 1);
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
  EXPECT_TRUE(CollectHits(source, "wn").empty());

  // A favourite the shell cannot open says so, as every other hit does.
  Shell->OpenFails = true;
  TItemData item(hits[0]);
  item.AsAdmin = true;
  EXPECT_THROW(source.Execute(item), Exception);
  ASSERT_EQ(Shell->Opened.size(), 1u);
  EXPECT_EQ(Shell->Opened[0].Verb, "runas");
  EXPECT_EQ(Shell->Opened[0].File, hits[0].ExecuteString);
}
