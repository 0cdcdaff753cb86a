// The shortcut and favourites sources over the real shell: links made through IShellLinkA and
// saved with IPersistFile, a real ".url" file, and ShellExecuteEx replaced by a recorder.
#include "sources/win32/SearchShortcuts.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "os/win32/os_win32.h"
#include "tests/sources/SourceHits.h"
#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "sources/SearchIEBookmarks.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestPaths.h"
#include "tests/win32/ShellLinks.h"

namespace {

// The real shell, with the special folders pointing into the test's own folder.
class TTestShell : public TWin32ShortcutShell {
 public:
  explicit TTestShell(std::string cacheFile) : TWin32ShortcutShell(std::move(cacheFile)) {}
  std::map<int, std::string> Folders;
  std::string FolderPath(int csidl) override { return Folders.count(csidl) ? Folders[csidl] : ""; }
};

void WriteText(const std::string& fileName, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(fileName).parent_path());
  std::ofstream(fileName, std::ios::binary) << text;
}

// Moves a file's time of last write by whole seconds.
void ShiftWriteTime(const std::string& fileName, int seconds) {
  HANDLE file = CreateFileA(fileName.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME time{};
  GetFileTime(file, nullptr, nullptr, &time);
  ULARGE_INTEGER value{};
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  value.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ULL;
  time.dwLowDateTime = value.LowPart;
  time.dwHighDateTime = value.HighPart;
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

class ShellShortcutTest : public ::testing::Test {
 protected:
  ShellShortcutTest() : Root(testpaths::FreshFolder("shell_shortcuts")) {
    Shell = std::make_shared<TTestShell>(Root + "shortcuts.cache");
    Shell->Folders = {{csidlStartMenu, Root + "Start Menu"},
                      {csidlCommonStartMenu, Root + "Common Start Menu"},
                      {csidlDesktop, Root + "Desktop"},
                      {csidlFavorites, Root + "Favorites"}};
    ResetSettings();
    WriteText(Root + "Programs\\foo.exe", "MZ");
    WriteText(Root + "Programs\\unins000.exe", "MZ");
    WriteText(Root + "Programs\\mpc.exe", "MZ");
    MakeLink(Root + "Start Menu\\Foo\\Foo Editor.lnk",
             {Root + "Programs\\foo.exe", "/new \"a b\"", Root + "Programs", "Edits foo files", Root + "Programs\\foo.exe", 2});
    MakeLink(Root + "Start Menu\\Foo\\Uninstall Foo.lnk", LinkTo(Root + "Programs\\unins000.exe"));
    MakeLink(Root + "Common Start Menu\\Media Player Classic.lnk", LinkTo(Root + "Programs\\mpc.exe"));
  }
  ~ShellShortcutTest() override {
    ResetSettings();
    os::SetDisplayNameProviderForTests(nullptr);
  }

  static void ResetSettings() {
    TLorvexSettings& settings = AppSettings();
    settings.Filters.Clear();
    TLorvexSettings::AddDefaultFilters(settings.Filters);
    settings.ExtendedSearch = false;
    settings.FoldersAreHits = false;
  }

  static std::vector<TItemRecord> Search(TSearchClass& source, const std::string& text) {
    return CollectHits(source, text);
  }
  static std::vector<std::string> Names(const std::vector<TItemRecord>& hits) { return HitNames(hits); }

  std::string Root;
  std::shared_ptr<TTestShell> Shell;
};

using TNames = std::vector<std::string>;

}  // namespace

TEST_F(ShellShortcutTest, ResolvesEveryFieldOfARealLink) {
  TShortcutInfo info;
  info.FileName = Root + "Start Menu\\Foo\\Foo Editor.lnk";
  Shell->ResolveShortcut(info);
  EXPECT_TRUE(AnsiSameText(info.Target, Root + "Programs\\foo.exe")) << info.Target;
  EXPECT_EQ(info.Arguments, "/new \"a b\"");
  EXPECT_TRUE(AnsiSameText(info.WorkingDirectory, Root + "Programs")) << info.WorkingDirectory;
  EXPECT_EQ(info.Description, "Edits foo files");
  EXPECT_TRUE(AnsiSameText(info.IconLocation, Root + "Programs\\foo.exe")) << info.IconLocation;
  EXPECT_EQ(info.IconIndex, 2);
  EXPECT_TRUE(AnsiSameText(info.FindData.Name, "foo.exe")) << info.FindData.Name;
  EXPECT_EQ(info.FindData.Size, 2);
}

TEST_F(ShellShortcutTest, AnotherThreadNeverUsesTheObjectOfTheRunningSearch) {
  Shell->BeginSearch();
  TShortcutInfo mine, theirs;
  mine.FileName = Root + "Start Menu\\Foo\\Foo Editor.lnk";
  theirs.FileName = Root + "Common Start Menu\\Media Player Classic.lnk";
  Shell->ResolveShortcut(mine);
  std::thread([&] { Shell->ResolveShortcut(theirs); }).join();
  Shell->EndSearch();
  EXPECT_EQ(Shell->LinkObjectsMade(), 2);
  EXPECT_TRUE(AnsiSameText(ExtractFileName(mine.Target), "foo.exe")) << mine.Target;
  EXPECT_TRUE(AnsiSameText(ExtractFileName(theirs.Target), "mpc.exe")) << theirs.Target;
}

TEST_F(ShellShortcutTest, ADamagedLinkGivesNothingEvenRightAfterAGoodOneInTheSameSearch) {
  WriteText(Root + "Start Menu\\Broken.lnk", "not a link at all");
  Shell->BeginSearch();
  TShortcutInfo good, broken;
  good.FileName = Root + "Start Menu\\Foo\\Foo Editor.lnk";
  broken.FileName = Root + "Start Menu\\Broken.lnk";
  Shell->ResolveShortcut(good);
  Shell->ResolveShortcut(broken);
  Shell->EndSearch();
  EXPECT_FALSE(good.Target.empty());
  EXPECT_EQ(broken.Target, "");
  EXPECT_EQ(broken.Description, "");
  EXPECT_EQ(broken.FileName, Root + "Start Menu\\Broken.lnk");

  // Listed by its name all the same.
  TSearchStartMenu source(nullptr, Shell);
  EXPECT_EQ(Names(Search(source, "broken")), (TNames{"Broken"}));
}

TEST_F(ShellShortcutTest, ResolvedLinksAreKeptForThisRunAndTheNextUntilTheirFileChangesOrAReset) {
  TSearchStartMenu source(nullptr, Shell);
  ASSERT_EQ(Search(source, "foo").size(), 1u);  // the uninstaller is read too, then hidden
  EXPECT_EQ(Shell->LinkObjectsMade(), 1);        // one object for the whole search
  EXPECT_EQ(Shell->CachedLinks(), 2u);
  ASSERT_EQ(Search(source, "e").size(), 2u);  // the editor (kept) and the player (read)
  EXPECT_EQ(Shell->CachedLinks(), 3u);
  EXPECT_EQ(Shell->LinkObjectsMade(), 2);
  ASSERT_EQ(Search(source, "e").size(), 2u);  // everything kept: no link read at all
  EXPECT_EQ(Shell->LinkObjectsMade(), 2);

  // Another target in the same file: the stamp changes, the link is read again.
  const std::string editor = Root + "Start Menu\\Foo\\Foo Editor.lnk";
  MakeLink(editor, LinkTo(Root + "Programs\\mpc.exe", "Now the player"));
  ShiftWriteTime(editor, 10);
  std::vector<TItemRecord> hits = Search(source, "foo editor");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].Hint, "Now the player");

  // The next run reads no link: the last one kept them in its file.
  auto nextRun = std::make_shared<TTestShell>(Root + "shortcuts.cache");
  nextRun->Folders = Shell->Folders;
  TSearchStartMenu again(nullptr, nextRun);
  hits = Search(again, "foo editor");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].Hint, "Now the player");
  EXPECT_EQ(nextRun->LinkObjectsMade(), 0);

  source.Reset();
  EXPECT_EQ(Shell->CachedLinks(), 0u);
}

TEST_F(ShellShortcutTest, RealLinksAreFoundByMaskDisplayNameWordsAndInitialsAfterTheFilters) {
  TSearchStartMenu source(nullptr, Shell);
  std::vector<TItemRecord> hits = Search(source, "foo");
  ASSERT_EQ(Names(hits), (TNames{"Foo Editor"}));  // "Uninstall Foo" hidden
  EXPECT_EQ(hits[0].Extension, ".exe");
  EXPECT_EQ(hits[0].Hint, "Edits foo files");
  EXPECT_EQ(hits[0].ExecuteString, Root + "Start Menu\\Foo\\Foo Editor.lnk");
  EXPECT_EQ(hits[0].Description, "Shortcut");
  EXPECT_EQ(Names(Search(source, "unin")), (TNames{"Uninstall Foo"}));

  EXPECT_TRUE(Search(source, "mpc").empty());
  AppSettings().ExtendedSearch = true;
  os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
    return ExtractFileName(path) == "Foo Editor.lnk" ? "Foo-Schreiber" : ExtractFileNameNoExt(path);
  });
  hits = Search(source, "mpc");
  ASSERT_EQ(Names(hits), (TNames{"Media Player Classic"}));
  EXPECT_EQ(hits[0].DrawType, dtAbbrevations);
  hits = Search(source, "player media");
  ASSERT_EQ(Names(hits), (TNames{"Media Player Classic"}));
  EXPECT_EQ(hits[0].DrawType, dtWords);
  EXPECT_EQ(Names(Search(source, "schreib")), (TNames{"Foo-Schreiber"}));
}

TEST_F(ShellShortcutTest, ExecuteHandsTheShortcutToTheShell) {
  TShellRecorder recorder;
  TSearchStartMenu source(nullptr, Shell);
  std::vector<TItemRecord> hits = Search(source, "foo");
  ASSERT_EQ(hits.size(), 1u);
  TItemData item(hits[0]);
  item.SetParameters("--fresh");
  item.AsAdmin = true;
  source.Execute(item);
  ASSERT_EQ(recorder.Calls.size(), 1u);
  EXPECT_EQ(recorder.Calls[0], (os::TShellOpenRequest{"runas", Root + "Start Menu\\Foo\\Foo Editor.lnk", "--fresh", "", SW_RESTORE}));
}

// The real shell: the reason is the shell's own result, not what the thread's last error holds.
TEST_F(ShellShortcutTest, AFailedLaunchIsReportedWithTheShellsOwnReason) {
  WriteText(Root + "Desktop\\notes.xyz", "no program opens this");
  TSearchDesktop source(nullptr, Shell);
  TItemData item;
  item.SetExecuteString(Root + "Desktop\\notes.xyz");
  try {
    source.Execute(item);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "ShellExecute error " + os::SystemMessage(ERROR_NO_ASSOCIATION));
  }
}

TEST_F(ShellShortcutTest, AFavouriteUrlFileIsFoundByNameAndHandedToTheShell) {
  WriteText(Root + "Favorites\\Links\\News.url", "[InternetShortcut]\r\nURL=http://news.example.org/\r\n");
  TShellRecorder recorder;
  TSearchIEBookmarks source(nullptr, Shell);
  std::vector<TItemRecord> hits = Search(source, "new");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].DisplayName, "News");
  EXPECT_EQ(hits[0].Description, "Internet Explorer favorite");
  EXPECT_EQ(hits[0].Extension, ".url");
  TItemData item(hits[0]);
  EXPECT_NO_THROW(source.Execute(item));
  ASSERT_EQ(recorder.Calls.size(), 1u);
  EXPECT_EQ(recorder.Calls[0].File, Root + "Favorites\\Links\\News.url");
}
