#include "core/qmFileUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "tests/core/TestPaths.h"

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

TEST(FileMasks, MatchLikeTheFileSystem) {
  EXPECT_TRUE(MatchesFileMask("noext", "*.*"));
  EXPECT_TRUE(MatchesFileMask("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesFileMask("", "*"));
  EXPECT_TRUE(MatchesFileMask("Photo.JPG", "*.jpg"));
  EXPECT_TRUE(MatchesFileMask("photo.jpg", "P?OTO.*"));
  EXPECT_FALSE(MatchesFileMask("photo.jpeg", "*.jpg"));
  EXPECT_FALSE(MatchesFileMask("jpg", "*.jpg"));

  // "name.*" also matches the name without any extension, but not a longer name.
  EXPECT_TRUE(MatchesFileMask("README", "readme.*"));
  EXPECT_TRUE(MatchesFileMask("readme.txt", "readme.*"));
  EXPECT_FALSE(MatchesFileMask("readmes", "readme.*"));
  EXPECT_FALSE(MatchesFileMask("readme2.txt", "readme.*"));

  // Case beyond ASCII, by the code page's rules.
  EXPECT_TRUE(MatchesFileMask("\xC3\xA4rger.TXT", "\xC3\x84RGER.txt"));  // ärger / ÄRGER
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
