#include "sources/SearchShortcuts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/sources/SourceHits.h"
#include "core/qmFileUtils.h"
#include "sources/SearchIEBookmarks.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

// The shell of a test: special folders and link targets as the test sets them, and a record of
// what was handed to "open".
class TFakeShell : public TShortcutShell {
 public:
  std::map<int, std::string> Folders;
  std::map<std::string, TShortcutInfo> Links;  // by file name
  std::vector<os::TShellOpenRequest> Opened;  // what the shell was handed meanwhile
  bool OpenFails = false;
  int Begun = 0, Ended = 0, Resets = 0, Resolved = 0;

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
    ++Resolved;
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
    TShortcutInfo& info = Links[fileName];
    info.Target = target;
    info.Description = description;
  }
};

// A fake start menu and desktop on disk.
class ShortcutSourceTest : public ::testing::Test {
 protected:
  ShortcutSourceTest() : Root(testpaths::FreshFolder("shortcut_sources")) {
    Shell = std::make_shared<TFakeShell>();
    Shell->Folders = {{csidlStartMenu, Root + "StartMenu"}, {csidlCommonStartMenu, Root + "CommonStartMenu"},
                      {csidlDesktop, Root + "Desktop"}, {csidlCommonDesktop, Root + "CommonDesktop"}};
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

  void Touch(const std::string& relative) const {
    const fs::path file = fs::path(Root) / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
  }

  std::vector<TItemRecord> Search(TSearchClass& source, const std::string& text) {
    return CollectHits(source, text);
  }
  static std::vector<std::string> Names(const std::vector<TItemRecord>& hits) { return HitNames(hits); }

  std::string Root;
  std::shared_ptr<TFakeShell> Shell;
};

using TNames = std::vector<std::string>;

}  // namespace

TEST_F(ShortcutSourceTest, TheDefaultWordFilterHidesUninstallersUnlessTheTextIsPartOfTheWordOrHoldsIt) {
  Touch("StartMenu/Foo/Foo.lnk");
  Touch("StartMenu/Foo/Uninstall Foo.lnk");
  Touch("StartMenu/Foo/Foo Cleaner.lnk");
  Touch("StartMenu/Uninstallers/Foo Remover.lnk");
  Shell->Link("Foo.lnk", "C:\\Foo\\foo.exe");
  Shell->Link("Uninstall Foo.lnk", "C:\\Foo\\unins000.exe");
  Shell->Link("Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe");  // only the target names it
  TSearchStartMenu source(nullptr, Shell);

  EXPECT_EQ(Names(Search(source, "foo")), (TNames{"Foo"}));
  EXPECT_EQ(Names(Search(source, "unin")), (TNames{"Uninstall Foo"}));
  EXPECT_EQ(Names(Search(source, "UNINSTALL FOO")), (TNames{"Uninstall Foo"}));

  // The word filter looks at File and Target as given.
  const TFilters& filters = AppSettings().Filters;
  EXPECT_FALSE(PassesFilters(filters, "clean", "C:\\Menu\\Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe"));
  EXPECT_TRUE(PassesFilters(filters, "stall", "C:\\Menu\\Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe"));
  EXPECT_TRUE(PassesFilters(filters, "my uninstaller", "C:\\Menu\\Foo Cleaner.lnk", "C:\\Foo\\Uninstall.exe"));
}

TEST_F(ShortcutSourceTest, ExtensionFiltersHideByTheFileOrTheTargetOnlyWhenTheyHide) {
  Touch("StartMenu/Tool.lnk");
  Touch("StartMenu/Tool Manual.lnk");
  Touch("StartMenu/tool.exe");
  Shell->Link("Tool.lnk", "C:\\Tool\\TOOL.EXE");
  Shell->Link("Tool Manual.lnk", "C:\\Tool\\manual.pdf");
  TSearchStartMenu source(nullptr, Shell);

  AppSettings().Filters.Add(ftExt, "exe", faShow);
  EXPECT_EQ(Names(Search(source, "tool")), (TNames{"Tool", "Tool Manual", "tool.exe"}));

  AppSettings().Filters.Add(ftExt, "exe", faHide);
  EXPECT_EQ(Names(Search(source, "tool")), (TNames{"Tool Manual"}));
}

TEST_F(ShortcutSourceTest, ShortcutsFilesAndFoldersBecomeTheirRecords) {
  Touch("Desktop/Editor.lnk");
  Touch("CommonDesktop/Editor notes.txt");
  fs::create_directories(fs::path(Root) / "Desktop" / "Editor projects");
  Shell->Link("Editor.lnk", "C:\\Tools\\edit.exe", "Edits texts");
  TSearchDesktop source(nullptr, Shell);

  std::vector<TItemRecord> hits = Search(source, "edit");
  ASSERT_EQ(hits.size(), 2u);  // folders only when they are hits
  const TItemRecord& shortcut = hits[0];
  const std::string shortcutPath = IncludeTrailingBackslash(Root + "Desktop") + "Editor.lnk";
  EXPECT_EQ(shortcut.DisplayName, "Editor");
  EXPECT_EQ(shortcut.Hint, "Edits texts");
  EXPECT_EQ(shortcut.ExecuteString, shortcutPath);
  EXPECT_EQ(shortcut.IconFile, shortcutPath);
  EXPECT_EQ(shortcut.Extension, ".exe");
  EXPECT_EQ(shortcut.Description, "Shortcut");
  EXPECT_EQ(shortcut.SearchClassName, "Desktop");
  EXPECT_EQ(shortcut.Score, -1);
  EXPECT_EQ(shortcut.Kind, ikHit);

  const TItemRecord& file = hits[1];  // the common desktop comes second
  const std::string filePath = IncludeTrailingBackslash(Root + "CommonDesktop") + "Editor notes.txt";
  EXPECT_EQ(file.DisplayName, "Editor notes.txt");
  EXPECT_EQ(file.Hint, filePath);
  EXPECT_EQ(file.ExecuteString, filePath);
  EXPECT_EQ(file.IconFile, filePath);
  EXPECT_EQ(file.Extension, "");
  EXPECT_EQ(file.Description, "File");

  AppSettings().FoldersAreHits = true;
  hits = Search(source, "edit");
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(Names(hits), (TNames{"Editor", "Editor notes.txt", "Editor projects"}));
  for (const TItemRecord& hit : hits) {
    if (hit.DisplayName == "Editor projects") {
      EXPECT_EQ(hit.Description, "Folder");
    }
  }
}

TEST_F(ShortcutSourceTest, ExtendedSearchAddsDisplayNamesWordsAndInitialsAndMayReportAShortcutTwice) {
  Touch("StartMenu/Media Player Classic.lnk");
  Touch("StartMenu/Rechner.lnk");
  Shell->Link("Media Player Classic.lnk", "C:\\MPC\\mpc.exe");
  os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
    return ExtractFileName(path) == "Rechner.lnk" ? "Calculator" : ExtractFileNameNoExt(path);
  });
  TSearchStartMenu source(nullptr, Shell);

  EXPECT_TRUE(Search(source, "calc").empty());
  EXPECT_TRUE(Search(source, "mpc").empty());
  EXPECT_EQ(Search(source, "media player").size(), 1u);

  AppSettings().ExtendedSearch = true;
  std::vector<TItemRecord> hits = Search(source, "calc");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].DisplayName, "Calculator");  // the shell's name
  hits = Search(source, "mpc");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].DrawType, dtAbbrevations);
  hits = Search(source, "media player");  // by its name, and again by its words
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].DrawType, dtPos);
  EXPECT_EQ(hits[1].DrawType, dtWords);
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
    for (const TItemRecord& hit : Search(source, "alpha")) names.push_back(hit.DisplayName);
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
  bool cancelled = false;  // the list answers "stop" from the first hit on
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

#ifndef _WIN32
TEST_F(ShortcutSourceTest, LinkedFoldersAreNotEntered) {
  Touch("Elsewhere/Delta.lnk");
  fs::create_directories(fs::path(Root) / "StartMenu");
  fs::create_directory_symlink(fs::path(Root) / "Elsewhere", fs::path(Root) / "StartMenu" / "Linked");
  TSearchStartMenu source(nullptr, Shell);
  EXPECT_TRUE(Search(source, "delta").empty());
}
#endif

TEST_F(ShortcutSourceTest, ExecuteOpensTheExpandedItemThroughTheShellAndReportsItsFailure) {
  os::SetEnv("LORVEX_SHORTCUT_TEST", "C:\\Menu");
  TSearchStartMenu source(nullptr, Shell);
  TItemData item;
  item.SetExecuteString("%LORVEX_SHORTCUT_TEST%\\Editor.lnk");
  item.SetParameters("%LORVEX_SHORTCUT_TEST%\\notes.txt");
  source.Execute(item);
  item.AsAdmin = true;
  source.Execute(item);

  ASSERT_EQ(Shell->Opened.size(), 2u);
  EXPECT_EQ(Shell->Opened[0].Verb, "");
  EXPECT_EQ(Shell->Opened[1].Verb, "runas");
  for (const os::TShellOpenRequest& request : Shell->Opened) {
    EXPECT_EQ(request.File, "C:\\Menu\\Editor.lnk");
    EXPECT_EQ(request.Parameters, "C:\\Menu\\notes.txt");
    EXPECT_EQ(request.Directory, "");
    EXPECT_EQ(request.ShowCmd, 9);
  }

  Shell->OpenFails = true;
  try {
    source.Execute(item);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "ShellExecute error The system cannot find the file specified.");
  }
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

  std::vector<TItemRecord> hits = Search(source, "new");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].DisplayName, "News");
  EXPECT_EQ(hits[0].ExecuteString, IncludeTrailingBackslash(Root + "Favorites") + "Links\\News.url");
  EXPECT_EQ(hits[0].Description, "Internet Explorer favorite");
  EXPECT_EQ(hits[0].Extension, ".url");
  EXPECT_EQ(hits[0].SearchClassName, "Internet Explorer Favorites");
  EXPECT_EQ(hits[0].Hint, "");
  EXPECT_EQ(hits[0].IconFile, "");
  EXPECT_TRUE(Search(source, "wetter").empty());
  EXPECT_TRUE(Search(source, "wn").empty());

  // A favourite the shell cannot open says so, as every other hit does.
  Shell->OpenFails = true;
  TItemData item(hits[0]);
  item.AsAdmin = true;
  EXPECT_THROW(source.Execute(item), Exception);
  ASSERT_EQ(Shell->Opened.size(), 1u);
  EXPECT_EQ(Shell->Opened[0].Verb, "runas");
  EXPECT_EQ(Shell->Opened[0].File, hits[0].ExecuteString);
}
