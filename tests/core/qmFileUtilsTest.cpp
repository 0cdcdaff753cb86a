#include "core/qmFileUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "tests/support/TestPaths.h"

namespace {

using testpaths::FreshFolder;
using testpaths::Sep;

void MakeFile(const std::string& path, const std::string& text = "x") {
  ASSERT_TRUE(os::WriteFileReplacing(path, text)) << path;
}

// dir: a.txt B.TXT c.log noext; sub: d.txt; sub\deeper: e.txt; sub2: f.txt
std::string MakeTree(const std::string& name) {
  const std::string dir = FreshFolder(name);
  MakeFile(dir + "a.txt");
  MakeFile(dir + "B.TXT");
  MakeFile(dir + "c.log");
  MakeFile(dir + "noext");
  EXPECT_TRUE(ForceDirectories(dir + "sub" + Sep + "deeper"));
  EXPECT_TRUE(ForceDirectories(dir + "sub2"));
  MakeFile(dir + "sub" + Sep + "d.txt");
  MakeFile(dir + "sub" + Sep + "deeper" + Sep + "e.txt");
  MakeFile(dir + "sub2" + Sep + "f.txt");
  return dir;
}

size_t IndexOf(const TStringList& list, const std::string& item) {
  return static_cast<size_t>(std::find(list.begin(), list.end(), item) - list.begin());
}

}  // namespace

TEST(FindFiles, FilesOfAFolderComeBeforeThoseOfItsSubfolders) {
  const std::string dir = MakeTree("find_order");
  TStringList list{"kept"};

  EXPECT_EQ(FindFiles("*.txt", dir, true, list), 5);
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0], "kept");
  // The order within one folder is the directory's own.
  EXPECT_EQ(std::set<std::string>(list.begin() + 1, list.begin() + 3),
            (std::set<std::string>{dir + "a.txt", dir + "B.TXT"}));
  const std::string d = dir + "sub\\d.txt", e = dir + "sub\\deeper\\e.txt", f = dir + "sub2\\f.txt";
  ASSERT_LT(IndexOf(list, d), list.size());
  ASSERT_LT(IndexOf(list, e), list.size());
  ASSERT_LT(IndexOf(list, f), list.size());
  EXPECT_LT(IndexOf(list, d), IndexOf(list, e));
}

TEST(FindFiles, WithoutRecursionOnlyTheFolderItself) {
  const std::string dir = MakeTree("find_flat");
  TStringList list;
  // The folder without trailing separator gets a backslash.
  const std::string bare = dir.substr(0, dir.size() - 1);
  EXPECT_EQ(FindFiles("*", bare, false, list), 4);
  EXPECT_EQ(std::set<std::string>(list.begin(), list.end()),
            (std::set<std::string>{bare + "\\a.txt", bare + "\\B.TXT", bare + "\\c.log", bare + "\\noext"}));
}

TEST(FindFiles, MaskIgnoresCase) {
  const std::string dir = MakeTree("find_case");
  TStringList list;
  EXPECT_EQ(FindFiles("b.txt", dir, false, list), 1);
  EXPECT_EQ(FindFiles("*.LOG", dir, false, list), 1);
  EXPECT_EQ(FindFiles("NOEXT.*", dir, false, list), 1);
  EXPECT_EQ(list, (TStringList{dir + "B.TXT", dir + "c.log", dir + "noext"}));
}

TEST(FindFiles, MissingOrEmptyFolderFindsNothing) {
  TStringList list;
  EXPECT_EQ(FindFiles("*", "", true, list), 0);  // not the drive's root
  EXPECT_EQ(FindFiles("*", FreshFolder("find_empty") + "missing", true, list), 0);
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

TEST(FileNames, ExtractFileNameNoExt) {
  EXPECT_EQ(ExtractFileNameNoExt("C:\\data\\a.b\\readme"), "readme");
  EXPECT_EQ(ExtractFileNameNoExt("archive.tar.gz"), "archive.tar");
  EXPECT_EQ(ExtractFileNameNoExt("C:\\Program Files\\Lorvex.exe"), "Lorvex");
  EXPECT_EQ(ExtractFileNameNoExt("/home/user/notes.md"), "notes");
  EXPECT_EQ(ExtractFileNameNoExt(""), "");
}

TEST(FileNames, PathParts) {
  EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(ExtractFilePath("C:b.txt"), "C:");
  EXPECT_EQ(ExtractFilePath("/usr/b.txt"), "/usr/");
  EXPECT_EQ(ExtractFilePath("b.txt"), "");
  EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("C:b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("C:\\a\\"), "");

  EXPECT_EQ(ExtractFileExt("C:\\a\\x.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("C:\\a.b\\readme"), "");
  EXPECT_EQ(ExtractFileExt("/a.b/readme"), "");

  EXPECT_EQ(ChangeFileExt("C:\\a.b\\Lorvex.exe", ".ini"), "C:\\a.b\\Lorvex.ini");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\readme", ".log"), "C:\\a.b\\readme.log");
  EXPECT_EQ(ChangeFileExt("name.txt", ""), "name");

  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash("/a/"), "/a/");
}

TEST(FileNames, ExtractFileDrive) {
  EXPECT_EQ(ExtractFileDrive("C:\\x\\y.txt"), "C:");
  EXPECT_EQ(ExtractFileDrive("d:file"), "d:");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\f.txt"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\server"), "\\\\server");
  EXPECT_EQ(ExtractFileDrive("\\x\\y"), "");
  EXPECT_EQ(ExtractFileDrive("relative\\y"), "");
  EXPECT_EQ(ExtractFileDrive(""), "");
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
      {"noext", "*.*", true},
      {"a.b.c", "*.*", true},
      {"", "*", true},
      {"Photo.JPG", "*.jpg", true},
      {"x.y.jpg", "*.jpg", true},
      {"photo.jpeg", "*.jpg", false},
      {"jpg", "*.jpg", false},
      {"\xC3\xA4rger.TXT", "\xC3\x84RGER.txt", true},  // case beyond ASCII: ärger, ÄRGER
      {"aaaa", "a*aa", true},
      // A star before a dot may run over dots, but not over the last one.
      {"setup.exe", "*setup.exe*.*", true},
      {"notepad.exe", "*notepad.*.*", true},
      {"Alpha Beta Console.lnk", "A* B* C*.*", true},
      // A dot before a wildcard also matches the end of the name.
      {"README", "readme.*", true},
      {"readme.txt.bak", "readme.*", true},
      {"readmes", "readme.*", false},
      {"readme2.txt", "readme.*", false},
      {".hidden", ".*", true},
      {"readme.txt", ".*", false},
      {"a", "*.?", true},
      {"a.bc", "*.?", false},
      // A trailing dot asks for names without one.
      {"readme", "*.", true},
      {"readme.txt", "*.", false},
      // A question mark takes one character but never a dot, and before a dot or at the end
      // its run may take less.
      {"photo.jpg", "P?OTO.*", true},
      {"gr\xC3\xBCn.txt", "gr?n.*", true},  // ü is one character of two bytes
      {"a", "a?", true},
      {"abc", "a?", false},
      {"a.b", "a??", false},
      {"a.b", "a?b", false},
      {"ab.c", "???.?", true},
      {"photo.jp", "*.jp?", true},
      {"photo.jpeg", "*.jp?", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + " / " + c.Mask);
    EXPECT_EQ(MatchesFileMask(c.Name, c.Mask), c.Matches);
  }
}

TEST(Folders, ForceDirectoriesCreatesEveryMissingParent) {
  const std::string dir = FreshFolder("force_dirs");
  const std::string deep = dir + "one" + Sep + "two" + Sep + "three";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep + Sep));  // already there, trailing separator
  EXPECT_TRUE(ForceDirectories(dir + "back\\slashes\\too"));
  EXPECT_TRUE(DirectoryExists(dir + "back\\slashes\\too"));

  MakeFile(dir + "file");
  EXPECT_FALSE(ForceDirectories(dir + "file" + Sep + "sub"));
  EXPECT_FALSE(ForceDirectories(""));
}

TEST(Folders, ExeFolderHoldsTheExecutable) {
  const std::string folder = ExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == '\\' || folder.back() == '/');
  EXPECT_TRUE(FileExists(folder + ExtractFileName(os::ExeFileName())));
}

TEST(CopyFiles, CopiesOnlyMatchingFilesAndOverwrites) {
  const std::string source = MakeTree("copy_source");
  const std::string dest = FreshFolder("copy_dest");
  MakeFile(dest + "a.txt", "old");

  CopyFiles("*.ico", source, dest);  // no icons: nothing happens, nothing is reported
  std::vector<os::TDirEntry> entries;
  ASSERT_TRUE(os::ListFolder(dest, entries));
  EXPECT_EQ(entries.size(), 1u);

  MakeFile(source + "a.txt", "new");
  CopyFiles("*.txt", source, dest);
  ASSERT_TRUE(os::ListFolder(dest, entries));
  EXPECT_EQ(entries.size(), 2u);  // a.txt and B.TXT; no subfolders
  std::string text;
  ASSERT_TRUE(os::ReadFile(dest + "a.txt", text));
  EXPECT_EQ(text, "new");
  EXPECT_TRUE(FileExists(dest + "B.TXT"));
}

TEST(GetFileInfo, FillsOnlyForAnExistingFile) {
  const std::string dir = FreshFolder("file_info");
  MakeFile(dir + "Seven.dat", "1234567");

  TFileDetails info;
  GetFileInfo(dir + "Seven.dat", info);
  EXPECT_EQ(info.Name, "Seven.dat");
  EXPECT_EQ(info.Size, 7);
  EXPECT_EQ(info.Attr & os::faDirectory, 0u);
  EXPECT_GE(info.Date.Year, 2020);

  info.Name = "unchanged";
  info.Size = 42;
  GetFileInfo(dir + "missing.dat", info);
  EXPECT_EQ(info.Name, "unchanged");
  EXPECT_EQ(info.Size, 42);
}
