#include "os/os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/TestPaths.h"

using testpaths::FreshFolder;
using testpaths::ReadText;
using testpaths::Sep;

// Appending, listing and the environment are also used, and tested, by the log, the file walks
// and the path expansion; these are the edges they do not reach.
TEST(OsFiles, WriteReadCopyDelete) {
  const std::string dir = FreshFolder("os_files");
  const std::string file = dir + "data.bin";
  const std::string bytes("line\r\nzero\0byte\xff", 16);
  ASSERT_TRUE(os::WriteFileReplacing(file, bytes));
  std::string data;
  EXPECT_TRUE(os::ReadFile(file, data));
  EXPECT_EQ(data, bytes);
  EXPECT_FALSE(os::DirectoryExists(file));
  EXPECT_FALSE(os::FileExists(file + ".tmp"));

  EXPECT_TRUE(os::CopyFile(file, dir + "copy.txt", false));
  EXPECT_FALSE(os::CopyFile(file, dir + "copy.txt", false));  // not over another file
  EXPECT_FALSE(os::CopyFile(dir + "none.txt", dir + "d.txt", true));

  EXPECT_TRUE(os::DeleteFile(file));
  EXPECT_FALSE(os::ReadFile(file, data));
  EXPECT_FALSE(os::DeleteFile(file));
}

TEST(OsFiles, AFailedReplacementLeavesTheOldFile) {
  const std::string dir = FreshFolder("os_replace");
  EXPECT_FALSE(os::WriteFileReplacing(dir + "missing" + Sep + "x.txt", "data"));
  // The temporary name is taken by a folder, so the new contents cannot be written.
  const std::string file = dir + "keep.txt";
  ASSERT_TRUE(os::WriteFileReplacing(file, "old contents"));
  ASSERT_TRUE(os::CreateFolder(file + ".tmp"));
  EXPECT_FALSE(os::WriteFileReplacing(file, "new contents"));
  EXPECT_EQ(ReadText(file), "old contents");
  // A file written piece by piece that its check refuses is not taken either.
  std::filesystem::remove(file + ".tmp");
  bool checked = false;
  auto pieces = [](const os::TWriteChunk& write) { return write("new ") && write("contents"); };
  EXPECT_FALSE(os::WriteFileReplacing(file, pieces, [&](const std::string& written) {
    checked = ReadText(written) == "new contents";
    return false;
  }));
  EXPECT_TRUE(checked);
  EXPECT_EQ(ReadText(file), "old contents");
  EXPECT_FALSE(os::FileExists(file + ".tmp"));
}

TEST(OsFolders, CreateListAndGetEntries) {
  const std::string dir = FreshFolder("os_folders");
  EXPECT_TRUE(os::CreateFolder(dir + "sub"));
  EXPECT_TRUE(os::CreateFolder(dir + "sub"));                   // already there
  EXPECT_FALSE(os::CreateFolder(dir + "two" + Sep + "three"));  // one level only
  ASSERT_TRUE(os::WriteFileReplacing(dir + "Mixed.Case.txt", "12345"));

  std::vector<os::TDirEntry> entries;
  for (const std::string& folder : {dir, dir.substr(0, dir.size() - 1)}) {
    ASSERT_TRUE(os::ListFolder(folder, entries));
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
    ASSERT_EQ(entries.size(), 2u);  // no "." and ".."
    EXPECT_EQ(entries[0].Name, "Mixed.Case.txt");
    EXPECT_FALSE(entries[0].IsFolder());
    EXPECT_EQ(entries[0].Size, 5);
    EXPECT_TRUE(entries[1].IsFolder());
  }
  EXPECT_FALSE(os::ListFolder(dir + "missing", entries));
  EXPECT_FALSE(os::ListFolder("", entries));  // never the drive's root

  os::TDirEntry entry;
  ASSERT_TRUE(os::GetEntry(dir + "sub" + Sep, entry));
  EXPECT_EQ(entry.Name, "sub");
  EXPECT_TRUE(entry.IsFolder());
  EXPECT_FALSE(os::GetEntry(dir + "*.txt", entry));
}

TEST(OsShell, EnvironmentSpecialFoldersAndDisplayNames) {
  std::string value = "x";
  ASSERT_TRUE(os::SetEnv("LORVEX_OS_TEST_EMPTY", ""));  // set, but to nothing
  EXPECT_TRUE(os::GetEnv("LORVEX_OS_TEST_EMPTY", value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(os::GetEnv("LORVEX_OS_TEST_NEVER_SET", value));
  const std::string appData = os::SpecialFolderPath(26);
  EXPECT_TRUE(!appData.empty() && appData.back() != '\\' && appData.back() != '/') << appData;

  const std::string dir = FreshFolder("os_display");
  ASSERT_TRUE(os::WriteFileReplacing(dir + "report.txt", "x"));
  ASSERT_TRUE(os::CreateFolder(dir + "Folder"));
  EXPECT_EQ(os::ShellDisplayName(dir + "report.txt").rfind("report", 0), 0u);  // with or without extension
  EXPECT_EQ(os::ShellDisplayName(dir + "Folder"), "Folder");
}
