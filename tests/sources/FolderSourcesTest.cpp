// The folder-list file, the folders source and the mp3 source over real folders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/qmFileUtils.h"
#include "os/os.h"
#include "sources/SearchFolders.h"
#include "sources/SearchMp3.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestPaths.h"

namespace {

struct TNoLinks : TShortcutShell {
  void ResolveShortcut(TShortcutInfo&) override {}
};

// An ID3v1 tag of Title, Artist and Album, each field padded to 30 bytes with zeros.
std::string Tag(const std::string& title, const std::string& artist, const std::string& album) {
  std::string tag = "TAG";
  for (const std::string* field : {&title, &artist, &album}) tag += (*field + std::string(30, '\0')).substr(0, 30);
  return tag + std::string(128 - tag.size(), '\0');
}

}  // namespace

TEST(FolderListTest, ReadsEveryKeyInFileOrderSkipsEmptyOnesAndSavesThemNumbered) {
  os::SetEnv("LORVEX_FOLDER_TEST", "C:\\Users\\me");
  TMemIniFile ini(
      WriteSettingsFile("folders_gap.ini",
                        "[Folders]\r\nFolder0=C:\\a\r\nFolder1=%LORVEX_FOLDER_TEST%\\Music\r\n"
                        "Folder3=C:\\c\\\r\nFolder4=\r\n[Options]\r\nSubfolders=1\r\n[Other]\r\nKept=1\r\n"));
  TFolderList list;
  list.Load(ini);
  EXPECT_EQ(list.Folders, (TNames{"C:\\a", "%LORVEX_FOLDER_TEST%\\Music", "C:\\c\\"}));
  EXPECT_TRUE(list.Subfolders);
  EXPECT_EQ(ExpandedFolders(list.Folders), (TNames{"C:\\a\\", "C:\\Users\\me\\Music\\", "C:\\c\\"}));

  list.Subfolders = false;
  list.Save(ini);
  EXPECT_EQ(ini.KeyNames("Folders"), (TNames{"Folder0", "Folder1", "Folder2"}));
  EXPECT_EQ(Mapped(ini.KeyNames("Folders"), [&](const std::string& key) { return ini.ReadString("Folders", key, ""); }),
            list.Folders);  // as the user wrote them, macros kept
  EXPECT_EQ(ini.ReadString("Options", "Subfolders", ""), "0");
  EXPECT_EQ(ini.ReadString("Other", "Kept", ""), "1");
}

TEST(FolderSourcesTest, TheFoldersSourceReadsItsListAgainOnlyAfterOk) {
  const std::string root = testpaths::FreshFolder("folders_source");
  for (const char* file : {"Alpha Beta.txt", "abacus beta.txt", "xaby.txt", "other.txt", "sub/Abba.txt"})
    testpaths::WriteText(root + file, "x");
  WriteSettingsFile(TSearchFolders::IniFileName, FolderListText({root}, false));
  bool dialogAnswer = false;
  TSearchFolders source(nullptr, std::make_shared<TNoLinks>(), [&](const std::string& ini) {
    EXPECT_EQ(ini, "LorvexFolders.ini");
    return dialogAnswer;
  });

  EXPECT_EQ(HitNames(CollectHits(source, "ab")), (TNames{"abacus beta.txt", "xaby.txt"}));
  // The extended search adds a pass by the initials: a file both passes find is found twice.
  AppSettings().ExtendedSearch = true;
  EXPECT_EQ(HitNames(CollectHits(source, "ab")),
            (TNames{"Alpha Beta.txt", "abacus beta.txt", "abacus beta.txt", "xaby.txt"}));
  WriteSettingsFile(TSearchFolders::IniFileName, FolderListText({root}, true));
  for (bool ok : {false, true}) {
    EXPECT_EQ(CollectHits(source, "abba").size(), 0u);
    dialogAnswer = ok;
    source.ShowOptions();
  }
  EXPECT_EQ(HitNames(CollectHits(source, "abba")), (TNames{"Abba.txt"}));
  AppSettings().ExtendedSearch = false;
}

// Extended search matches display names and words against what was typed: a file the shell
// shows under another name is found by that name, once, and never for an unrelated text.
TEST(FolderSourcesTest, ExtendedSearchMatchesDisplayNamesAndWordsAgainstTheTypedText) {
  const std::string root = testpaths::FreshFolder("folders_display_names");
  for (const char* file : {"report.lnk", "Year plan.txt", "notes.txt"}) testpaths::WriteText(root + file, "x");
  WriteSettingsFile(TSearchFolders::IniFileName, FolderListText({root}, false));
  os::SetDisplayNameProviderForTests([](const std::string& path) -> std::string {
    return ExtractFileName(path) == "report.lnk" ? "Quarterly figures" : ExtractFileNameNoExt(path);
  });
  AppSettings().ExtendedSearch = true;
  TSearchFolders source(nullptr, std::make_shared<TNoLinks>(), nullptr);
  const struct {
    const char* Text;
    TNames Names;
  } cases[] = {
      {"xyz", {}},
      {"xy", {}},  // a text that also has initials
      {"quart", {"Quarterly figures"}},
      {"fig", {"Quarterly figures"}},
      {"rep", {"report"}},
      {"plan year", {"Year plan.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(HitNames(CollectHits(source, c.Text)), c.Names);
  }
  AppSettings().ExtendedSearch = false;
  os::SetDisplayNameProviderForTests(nullptr);
}

TEST(Mp3TagTest, ReadsTheFieldsAsFarAsTheyAreSound) {
  const std::string full = Tag(std::string(30, 'T'), "Beatles", "Abbey Road");
  struct TCase {
    const char* What;
    std::string Bytes;
    bool Read;
    TId3v1Tag Tag;
  } cases[] = {
      {"a title of 30 bytes without a zero", full, true, {std::string(30, 'T'), "Beatles", "Abbey Road"}},
      {"Windows-1252", Tag("Don\x92t", "\x8Cuvre", "\xC4rzte"), true, {"Don’t", "Œuvre", "Ärzte"}},
      {"padded with blanks", Tag("Help   ", " Beatles  ", "   "), true, {"Help", "Beatles", ""}},
      {"UTF-8", Tag("Café", "", ""), true, {"Café", "", ""}},
      {"no TAG", "XAG" + full.substr(3), false, {}},
      {"127 bytes", full.substr(0, 127), false, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TId3v1Tag tag;
    EXPECT_EQ(ReadId3v1(c.Bytes, tag), c.Read);
    EXPECT_EQ(tag, c.Tag);
  }
}

TEST(FolderSourcesTest, TheMp3SourceFindsFilesByTagOrByName) {
  const std::string root = testpaths::FreshFolder("mp3_source");
  testpaths::WriteText(root + "one.mp3", std::string(500, 'x') + Tag("Yesterday   ", "Beatles", "Help"));
  testpaths::WriteText(root + "three.mp3", Tag("Suite", "\x8Cuvre Collective", ""));
  testpaths::WriteText(root + "deep/two.MP3", Tag("Love Me Do", "The Beatles", "Please"));
  testpaths::WriteText(root + "untagged beatles.mp3", std::string(500, 'x'));
  testpaths::WriteText(root + "short.mp3", "TAG beatles");
  testpaths::WriteText(root + "Love Song.mp3", "x");
  testpaths::WriteText(root + "love folder.mp3/inside.txt", "x");
  testpaths::WriteText(root + "beatles.txt", Tag("", "Beatles", ""));
  TSearchMp3 source(nullptr, nullptr);

  struct TCase {
    const char* Text;
    bool Tags, Subfolders;
    TNames Names;
  } cases[] = {
      {"love", false, false, {"Love Song.mp3", "love folder.mp3"}},
      {"beat", false, true, {"untagged beatles.mp3"}},
      {"beat", true, false, {"one.mp3"}},
      {"œuvre", true, false, {"three.mp3"}},
      {"beat", true, true, {"one.mp3", "two.MP3"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Text) + (c.Tags ? " tags" : " names") + (c.Subfolders ? " subfolders" : ""));
    WriteSettingsFile(TSearchMp3::IniFileName, FolderListText({root}, c.Subfolders, c.Tags ? "SearchTags=1\r\n" : ""));
    source.Reset();
    EXPECT_EQ(HitNames(CollectHits(source, c.Text)), c.Names);
  }
  const std::vector<TItemRecord> hits = CollectHits(source, "yester");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].Hint, "Artist: Beatles\r\nTitle: Yesterday\r\nAlbum: Help");

  // A cancelled search asks once more at most: at the next file.
  int asked = 0;
  source.Search("no such tag", [&](const TItemRecord&) { return ++asked > 0; });
  EXPECT_EQ(asked, 1);
  TId3v1Tag tag;
  EXPECT_FALSE(ReadId3v1File(root + "vanished.mp3", tag));

  // A file's own name is opened as it is, never read for macros.
  TShellRecorder shell;
  RunItem(source, ItemOf(root + "%PATH% 100%.mp3"));
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_EQ(shell.Calls[0].File, root + "%PATH% 100%.mp3");
}
