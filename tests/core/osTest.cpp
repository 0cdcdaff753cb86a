#include "os/os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/TestPaths.h"

namespace {

using testpaths::FreshFolder;

std::string ReadText(const std::string& path) {
  std::string data;
  EXPECT_TRUE(os::ReadFile(path, data)) << path;
  return data;
}

const os::TDirEntry* FindEntry(const std::vector<os::TDirEntry>& entries, const std::string& name) {
  auto it = std::find_if(entries.begin(), entries.end(), [&](const os::TDirEntry& e) { return e.Name == name; });
  return it == entries.end() ? nullptr : &*it;
}

}  // namespace

TEST(OsFiles, WriteReadAppendDelete) {
  const std::string dir = FreshFolder("os_files");
  const std::string file = dir + "data.bin";
  const std::string bytes("line\r\nzero\0byte\xff", 16);

  ASSERT_TRUE(os::WriteFileReplacing(file, bytes));
  EXPECT_EQ(ReadText(file), bytes);
  EXPECT_TRUE(os::FileExists(file));
  EXPECT_FALSE(os::DirectoryExists(file));
  EXPECT_FALSE(os::FileExists(dir + "data.bin.tmp"));

  ASSERT_TRUE(os::WriteFileReplacing(file, "short"));
  EXPECT_EQ(ReadText(file), "short");

  ASSERT_TRUE(os::AppendFile(file, "+more"));
  EXPECT_EQ(ReadText(file), "short+more");
  ASSERT_TRUE(os::AppendFile(dir + "new.txt", "first"));
  EXPECT_EQ(ReadText(dir + "new.txt"), "first");

  EXPECT_TRUE(os::DeleteFile(file));
  EXPECT_FALSE(os::FileExists(file));
  std::string data = "unchanged";
  EXPECT_FALSE(os::ReadFile(file, data));
  EXPECT_FALSE(os::DeleteFile(file));
}

TEST(OsFiles, FailedReplacementLeavesTheOldFile) {
  const std::string dir = FreshFolder("os_replace");
  EXPECT_FALSE(os::WriteFileReplacing(dir + "missing" + testpaths::Sep + "x.txt", "data"));
  EXPECT_FALSE(os::FileExists(dir + "missing" + testpaths::Sep + "x.txt"));

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

  EXPECT_FALSE(os::AppendFile(dir + "missing" + testpaths::Sep + "log.txt", "line"));
}

TEST(OsFiles, CopyFileOverwritesOnlyWhenAllowed) {
  const std::string dir = FreshFolder("os_copy");
  ASSERT_TRUE(os::WriteFileReplacing(dir + "a.txt", "A"));
  ASSERT_TRUE(os::WriteFileReplacing(dir + "b.txt", "B"));

  EXPECT_TRUE(os::CopyFile(dir + "a.txt", dir + "c.txt", false));
  EXPECT_EQ(ReadText(dir + "c.txt"), "A");
  EXPECT_FALSE(os::CopyFile(dir + "a.txt", dir + "b.txt", false));
  EXPECT_EQ(ReadText(dir + "b.txt"), "B");
  EXPECT_TRUE(os::CopyFile(dir + "a.txt", dir + "b.txt", true));
  EXPECT_EQ(ReadText(dir + "b.txt"), "A");
  EXPECT_FALSE(os::CopyFile(dir + "none.txt", dir + "d.txt", true));
}

TEST(OsFolders, CreateFolderMakesOneLevel) {
  const std::string dir = FreshFolder("os_create");
  EXPECT_TRUE(os::CreateFolder(dir + "one"));
  EXPECT_TRUE(os::CreateFolder(dir + "one"));  // already there
  EXPECT_TRUE(os::DirectoryExists(dir + "one"));
  EXPECT_FALSE(os::FileExists(dir + "one"));
  EXPECT_FALSE(os::CreateFolder(dir + "two" + testpaths::Sep + "three"));
  EXPECT_FALSE(os::DirectoryExists(dir + "two"));
}

TEST(OsFolders, ListFolderMarksFoldersAndSizes) {
  const std::string dir = FreshFolder("os_list");
  ASSERT_TRUE(os::WriteFileReplacing(dir + "five.txt", "12345"));
  ASSERT_TRUE(os::CreateFolder(dir + "sub"));

  std::vector<os::TDirEntry> entries;
  ASSERT_TRUE(os::ListFolder(dir, entries));
  ASSERT_EQ(entries.size(), 2u);  // no "." and ".."
  const os::TDirEntry* file = FindEntry(entries, "five.txt");
  const os::TDirEntry* sub = FindEntry(entries, "sub");
  ASSERT_TRUE(file && sub);
  EXPECT_FALSE(file->IsFolder());
  EXPECT_EQ(file->Size, 5);
  EXPECT_GE(file->WriteTime.Year, 2020);
  EXPECT_TRUE(sub->IsFolder());

  // Without the trailing separator too.
  ASSERT_TRUE(os::ListFolder(dir.substr(0, dir.size() - 1), entries));
  EXPECT_EQ(entries.size(), 2u);

  ASSERT_TRUE(os::ListFolder(dir + "sub", entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(os::ListFolder(dir + "missing", entries));
  EXPECT_FALSE(os::ListFolder("", entries));  // never the drive's root
}

TEST(OsFolders, GetEntryOfFileAndFolder) {
  const std::string dir = FreshFolder("os_entry");
  ASSERT_TRUE(os::WriteFileReplacing(dir + "Mixed.Case.txt", "abc"));
  ASSERT_TRUE(os::CreateFolder(dir + "folder"));

  os::TDirEntry entry;
  ASSERT_TRUE(os::GetEntry(dir + "Mixed.Case.txt", entry));
  EXPECT_EQ(entry.Name, "Mixed.Case.txt");
  EXPECT_EQ(entry.Size, 3);
  EXPECT_FALSE(entry.IsFolder());

  ASSERT_TRUE(os::GetEntry(dir + "folder" + testpaths::Sep, entry));
  EXPECT_EQ(entry.Name, "folder");
  EXPECT_TRUE(entry.IsFolder());

  entry.Name = "unchanged";
  EXPECT_FALSE(os::GetEntry(dir + "missing.txt", entry));
  EXPECT_FALSE(os::GetEntry(dir + "*.txt", entry));
  EXPECT_EQ(entry.Name, "unchanged");
}

TEST(OsEnvironment, SetEmptyAndUnsetVariables) {
  std::string value = "before";
  ASSERT_TRUE(os::SetEnv("LORVEX_OS_TEST_SET", "some value"));
  EXPECT_TRUE(os::GetEnv("LORVEX_OS_TEST_SET", value));
  EXPECT_EQ(value, "some value");

  ASSERT_TRUE(os::SetEnv("LORVEX_OS_TEST_EMPTY", ""));
  EXPECT_TRUE(os::GetEnv("LORVEX_OS_TEST_EMPTY", value));
  EXPECT_EQ(value, "");

  value = "kept";
  EXPECT_FALSE(os::GetEnv("LORVEX_OS_TEST_NEVER_SET", value));
  EXPECT_EQ(value, "kept");
}

TEST(OsShell, ExecutableAndSpecialFolders) {
  const std::string exe = os::ExeFileName();
  EXPECT_TRUE(os::FileExists(exe)) << exe;

  const std::string appData = os::SpecialFolderPath(26);
  ASSERT_FALSE(appData.empty());
  EXPECT_NE(appData.back(), '\\');
  EXPECT_NE(appData.back(), '/');
}

TEST(OsShell, DisplayNames) {
  const std::string dir = FreshFolder("os_display");
  ASSERT_TRUE(os::WriteFileReplacing(dir + "report.txt", "x"));
  ASSERT_TRUE(os::CreateFolder(dir + "Folder"));

  // The shell may or may not show the extension.
  EXPECT_EQ(os::ShellDisplayName(dir + "report.txt").rfind("report", 0), 0u);
  EXPECT_EQ(os::ShellDisplayName(dir + "Folder"), "Folder");

  os::SetDisplayNameProviderForTests([](const std::string& path) { return "shown:" + path; });
  EXPECT_EQ(os::ShellDisplayName("any"), "shown:any");
  os::SetDisplayNameProviderForTests(nullptr);
  EXPECT_EQ(os::ShellDisplayName(dir + "Folder"), "Folder");
}

TEST(OsClock, NowIsAPlausibleLocalTime) {
  const os::TLocalTime now = os::Now();
  EXPECT_GE(now.Year, 2020);
  EXPECT_TRUE(now.Month >= 1 && now.Month <= 12);
  EXPECT_TRUE(now.Day >= 1 && now.Day <= 31);
  EXPECT_TRUE(now.Hour >= 0 && now.Hour <= 23);
  EXPECT_TRUE(now.Minute >= 0 && now.Minute <= 59);
  EXPECT_TRUE(now.Second >= 0 && now.Second <= 60);
}
