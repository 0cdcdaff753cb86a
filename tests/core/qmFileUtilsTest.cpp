#include "core/qmFileUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestPaths.h"

namespace {

using testpaths::FreshFolder;
using testpaths::ReadText;
using testpaths::Sep;
using testpaths::WriteText;

// a.txt B.TXT c.log noext sub\d.txt sub\deeper\e.txt sub2\f.txt
std::string MakeTree(const std::string& name) {
  const std::string dir = FreshFolder(name);
  for (const char* file : {"a.txt", "B.TXT", "c.log", "noext", "sub/d.txt", "sub/deeper/e.txt", "sub2/f.txt"})
    WriteText(dir + file, "x");
  return dir;
}

TStringList Sorted(TStringList list) {
  std::sort(list.begin(), list.end());
  return list;
}

}  // namespace

TEST(FindFiles, FindsByMaskAndTheFolderComesBeforeItsSubfolders) {
  const std::string dir = MakeTree("find_files");
  TStringList list{"kept"};
  EXPECT_EQ(FindFiles("*.txt", dir, true, list), 5);
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0], "kept");
  // The order within one folder is the directory's own.
  EXPECT_EQ(Sorted({list[1], list[2]}), (TStringList{dir + "B.TXT", dir + "a.txt"}));
  const auto d = std::find(list.begin(), list.end(), dir + "sub\\d.txt");
  EXPECT_LT(d, std::find(list.begin(), list.end(), dir + "sub\\deeper\\e.txt"));
  EXPECT_NE(std::find(list.begin(), list.end(), dir + "sub2\\f.txt"), list.end());

  // Without recursion only the folder itself; a folder without trailing separator gets a backslash.
  const std::string bare = dir.substr(0, dir.size() - 1);
  list.clear();
  EXPECT_EQ(FindFiles("*", bare, false, list), 4);
  EXPECT_EQ(Sorted(list), (TStringList{bare + "\\B.TXT", bare + "\\a.txt", bare + "\\c.log", bare + "\\noext"}));

  list.clear();
  EXPECT_EQ(FindFiles("*", "", true, list), 0);  // not the drive's root
  EXPECT_EQ(FindFiles("*", dir + "missing", true, list), 0);
  EXPECT_TRUE(list.empty());
}

TEST(FindFiles, LinksToFoldersAreNotFollowed) {
  const std::string dir = MakeTree("find_links");
  std::error_code error;
  std::filesystem::create_directory_symlink(dir + "sub", dir + "link", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();

  TStringList list;
  FindFiles("d.txt", dir, true, list);
  EXPECT_EQ(list, (TStringList{dir + "sub\\d.txt"}));
}

TEST(FileNames, SplitIntoFolderNameExtensionAndDrive) {
  using TPart = std::string (*)(const std::string&);
  const TPart noExt = ExtractFileNameNoExt, path = ExtractFilePath, name = ExtractFileName, ext = ExtractFileExt,
              drive = ExtractFileDrive, slash = IncludeTrailingBackslash;
  const TPart toIni = [](const std::string& s) { return ChangeFileExt(s, ".ini"); };
  const struct {
    TPart Part;
    const char *Path, *Result;
  } cases[] = {
      {noExt, "C:\\data\\a.b\\readme", "readme"}, {noExt, "archive.tar.gz", "archive.tar"},
      {path, "C:\\a\\b.txt", "C:\\a\\"}, {path, "C:b.txt", "C:"},
      {name, "C:b.txt", "b.txt"}, {ext, "C:\\a\\x.tar.gz", ".gz"},
      {ext, "C:\\a.b\\readme", ""}, {toIni, "C:\\a.b\\Lorvex.exe", "C:\\a.b\\Lorvex.ini"},
      {toIni, "C:\\a.b\\readme", "C:\\a.b\\readme.ini"}, {slash, "C:\\a", "C:\\a\\"},
      {slash, "/a/", "/a/"}, {drive, "C:\\x\\y.txt", "C:"},
      {drive, "d:file", "d:"}, {drive, "\\\\server\\share\\dir\\f.txt", "\\\\server\\share"},
      {drive, "\\x\\y", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Part(c.Path), c.Result) << c.Path;
}

// What FindFirstFile answers on Windows (its DOS wildcards, short names left out). Wine 8 agrees
// wherever it has those wildcards: it has none, and its star also misses some names ("a*aa" and
// "aaaa"), so the table stands on the documented rules.
TEST(FileMasks, MatchLikeFindFirstFile) {
  const struct {
    const char* Name;
    const char* Mask;
    bool Matches;
  } cases[] = {
      {"noext", "*.*", true}, {"Photo.JPG", "*.jpg", true}, {"x.y.jpg", "*.jpg", true},
      {"photo.jpeg", "*.jpg", false}, {"jpg", "*.jpg", false},
      {"aaaa", "a*aa", true},                          // the star gives back what the rest needs
      {"\xC3\xA4rger.TXT", "\xC3\x84RGER.txt", true},  // case beyond ASCII: ärger, ÄRGER
      // A star before a dot may run over dots, but not over the last one.
      {"setup.exe", "*setup.exe*.*", true}, {"notepad.exe", "*notepad.*.*", true},
      {"Alpha Beta Console.lnk", "A* B* C*.*", true},
      // A dot before a wildcard also matches the end of the name.
      {"README", "readme.*", true}, {"readmes", "readme.*", false}, {".hidden", ".*", true},
      {"readme.txt", ".*", false},
      // A trailing dot asks for names without one.
      {"readme", "*.", true}, {"readme.txt", "*.", false},
      // A question mark takes one character but never a dot, and before a dot or at the end
      // its run may take less.
      {"photo.jpg", "P?OTO.*", true}, {"gr\xC3\xBCn.txt", "gr?n.*", true},  // ü is one character of two bytes
      {"a", "a?", true}, {"a.b", "a??", false}, {"ab.c", "???.?", true}, {"photo.jp", "*.jp?", true},
      {"abc", "a?", false}, {"photo.jpeg", "*.jp?", false},  // but never more than one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + " / " + c.Mask);
    EXPECT_EQ(MatchesFileMask(c.Name, c.Mask), c.Matches);
  }
}

TEST(Folders, ForceDirectoriesCreatesEveryMissingParentAndExeFolderHoldsTheExecutable) {
  const std::string dir = FreshFolder("force_dirs");
  const std::string deep = dir + "one" + Sep + "two" + Sep + "three";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep + Sep));  // already there, trailing separator
  EXPECT_TRUE(ForceDirectories(dir + "back\\slashes\\too"));
  EXPECT_TRUE(DirectoryExists(dir + "back\\slashes\\too"));

  WriteText(dir + "file", "x");
  EXPECT_FALSE(ForceDirectories(dir + "file" + Sep + "sub"));
  EXPECT_FALSE(ForceDirectories(""));
  EXPECT_TRUE(FileExists(ExeFolder() + ExtractFileName(os::ExeFileName())));
}

// The target is the destination folder and the file's name, whether the folders end in a
// backslash or not.
TEST(CopyFiles, CopiesTheMatchingFilesIntoTheFolderOverwriting) {
  const std::string source = MakeTree("copy_source");
  const std::string dest = FreshFolder("copy_dest");
  WriteText(source + "a.txt", "new");
  WriteText(dest + "a.txt", "old");
  CopyFiles("*.txt", source.substr(0, source.size() - 1), dest.substr(0, dest.size() - 1));
  EXPECT_EQ(testpaths::ReadText(dest + "a.txt"), "new");
  EXPECT_TRUE(FileExists(dest + "B.TXT"));
  EXPECT_FALSE(FileExists(dest + "c.log"));
}

// A mask that matches nothing copies nothing and says nothing; subfolders are not copied.
TEST(CopyFiles, AMaskThatMatchesNothingCopiesNothingAndSubfoldersStay) {
  const std::string source = MakeTree("copy_nothing");
  const std::string dest = FreshFolder("copy_nothing_dest");
  EXPECT_NO_THROW(CopyFiles("*.ico", source, dest));
  std::vector<os::TDirEntry> entries;
  ASSERT_TRUE(os::ListFolder(dest, entries));
  EXPECT_TRUE(entries.empty());
  CopyFiles("*", source, dest);
  ASSERT_TRUE(os::ListFolder(dest, entries));
  EXPECT_EQ(entries.size(), 4u);  // a.txt, B.TXT, c.log and noext
}

TEST(GetFileInfo, FillsTheDetailsOfAnExistingFileAndLeavesThemForAMissingOne) {
  const std::string dir = FreshFolder("file_info");
  const auto day = [](const os::TLocalTime& t) { return t.Year * 10000 + t.Month * 100 + t.Day; };
  const int before = day(os::Now());
  WriteText(dir + "Seven.dat", "1234567");
  TFileDetails info;
  GetFileInfo(dir + "Seven.dat", info);
  const int after = day(os::Now());
  EXPECT_EQ(info.Name, "Seven.dat");
  EXPECT_EQ(info.Size, 7);
  EXPECT_EQ(info.Attr & os::faDirectory, 0u);
  EXPECT_TRUE(day(info.Date) == before || day(info.Date) == after) << day(info.Date);  // the local date

  GetFileInfo(dir, info);  // a folder is found too
  EXPECT_NE(info.Attr & os::faDirectory, 0u);
  info.Name = "unchanged";
  info.Size = 42;
  GetFileInfo(dir + "missing.dat", info);
  EXPECT_EQ(info.Name, "unchanged");
  EXPECT_EQ(info.Size, 42);
}
