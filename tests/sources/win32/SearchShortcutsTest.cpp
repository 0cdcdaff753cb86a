// The shortcut sources over the real shell, with links made as an installer makes them. The
// rules of the sources (filters, records, extended search, favourites) are the native suite's.
#include "sources/win32/SearchShortcuts.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "os/win32/os_win32.h"
#include "tests/sources/SourceHits.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Thrown.h"
#include "tests/win32/ShellLinks.h"

namespace {

// The real shell, with the special folders pointing into the test's own folder.
struct TTestShell : TWin32ShortcutShell {
  explicit TTestShell(std::string cacheFile) : TWin32ShortcutShell(std::move(cacheFile)) {}
  std::map<int, std::string> Folders;
  std::string FolderPath(int csidl) override { return Folders.count(csidl) ? Folders[csidl] : ""; }
};

class ShellShortcutTest : public ::testing::Test {
 protected:
  ShellShortcutTest() : Root(testpaths::FreshFolder("shell_shortcuts")) {
    Shell = NewRun();
    for (const char* program : {"foo.exe", "unins000.exe", "mpc.exe"})
      testpaths::WriteText(Root + "Programs\\" + program, "MZ");
    MakeLink(Editor, {Root + "Programs\\foo.exe", "/new \"a b\"", Root + "Programs", "Edits foo files",
                      Root + "Programs\\foo.exe", 2});
    MakeLink(Root + "Start Menu\\Foo\\Uninstall Foo.lnk", LinkTo(Root + "Programs\\unins000.exe"));
    MakeLink(Player, LinkTo(Root + "Programs\\mpc.exe"));
  }

  // A shell as a run of the program makes it, with the links file of the test.
  std::shared_ptr<TTestShell> NewRun() const {
    auto shell = std::make_shared<TTestShell>(Root + "shortcuts.cache");
    shell->Folders = {{csidlStartMenu, Root + "Start Menu"},
                      {csidlCommonStartMenu, Root + "Common Start Menu"},
                      {csidlDesktop, Root + "Desktop"}};
    return shell;
  }

  TShortcutInfo Resolve(const std::string& fileName) const {
    TShortcutInfo info;
    info.FileName = fileName;
    Shell->ResolveShortcut(info);
    return info;
  }

  std::string Root;
  std::string Editor = Root + "Start Menu\\Foo\\Foo Editor.lnk";
  std::string Player = Root + "Common Start Menu\\Media Player Classic.lnk";
  std::shared_ptr<TTestShell> Shell;
};

}  // namespace

// The object of a search is reused: a link that does not load must not show the one before it.
TEST_F(ShellShortcutTest, ResolvesEveryFieldOfARealLinkAndNothingOfADamagedOneRightAfterIt) {
  testpaths::WriteText(Root + "Start Menu\\Broken.lnk", "not a link at all");
  Shell->BeginSearch();
  const TShortcutInfo info = Resolve(Editor), broken = Resolve(Root + "Start Menu\\Broken.lnk");
  Shell->EndSearch();
  // The shell may change the case of the paths.
  EXPECT_EQ(AnsiUpperCase(info.Target + "|" + info.Arguments + "|" + info.WorkingDirectory + "|" + info.Description +
                          "|" + info.IconLocation + "," + std::to_string(info.IconIndex) + "|" + info.FindData.Name),
            AnsiUpperCase(Root + "Programs\\foo.exe|/new \"a b\"|" + Root + "Programs|Edits foo files|" + Root +
                          "Programs\\foo.exe,2|foo.exe"));
  EXPECT_EQ(info.FindData.Size, 2);
  TShortcutInfo nothing;
  nothing.FileName = Root + "Start Menu\\Broken.lnk";
  EXPECT_EQ(broken, nothing);
}

TEST_F(ShellShortcutTest, AnotherThreadNeverUsesTheObjectOfTheRunningSearch) {
  Shell->BeginSearch();
  const TShortcutInfo mine = Resolve(Editor);
  TShortcutInfo theirs;
  std::thread([&] { theirs = Resolve(Player); }).join();
  Shell->EndSearch();
  EXPECT_EQ(Shell->LinkObjectsMade(), 2);
  EXPECT_TRUE(AnsiSameText(ExtractFileName(mine.Target), "foo.exe")) << mine.Target;
  EXPECT_TRUE(AnsiSameText(ExtractFileName(theirs.Target), "mpc.exe")) << theirs.Target;
}

// When a kept link is read again is the cache's rule; here the real shell keeps to it.
TEST_F(ShellShortcutTest, ResolvedLinksAreKeptForThisRunAndTheNextUntilAReset) {
  TSearchStartMenu source(nullptr, Shell);
  std::vector<TItemRecord> hits = CollectHits(source, "foo");  // the uninstaller is read too, then hidden
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(Shown(hits[0]), "Foo Editor|Edits foo files|" + Editor + "|" + Editor + "|.exe|Shortcut|Start menu");
  EXPECT_EQ(Shell->LinkObjectsMade(), 1);  // one object for the whole search
  EXPECT_EQ(Shell->CachedLinks(), 2u);
  for (int search = 0; search < 2; ++search) ASSERT_EQ(CollectHits(source, "e").size(), 2u);
  EXPECT_EQ(Shell->CachedLinks(), 3u);
  EXPECT_EQ(Shell->LinkObjectsMade(), 2);  // the player, read once

  // The next run reads no link: the last one kept them in its file.
  auto nextRun = NewRun();
  TSearchStartMenu again(nullptr, nextRun);
  EXPECT_EQ(NamesInOrder(again, "foo editor"), TNames{"Foo Editor"});
  EXPECT_EQ(nextRun->LinkObjectsMade(), 0);

  source.Reset();
  EXPECT_EQ(Shell->CachedLinks(), 0u);
}

// The reason is the shell's own result, not what the thread's last error holds.
TEST_F(ShellShortcutTest, AFailedLaunchIsReportedWithTheShellsOwnReason) {
  testpaths::WriteText(Root + "Desktop\\notes.xyz", "no program opens this");
  TSearchDesktop source(nullptr, Shell);
  TItemData item = ItemOf(Root + "Desktop\\notes.xyz");
  EXPECT_EQ(ThrownMessage<Exception>([&] { source.Execute(item); }),
            "ShellExecute error " + os::SystemMessage(ERROR_NO_ASSOCIATION));
}
