// <windows.h> first: os.h takes back the names it maps to ...A functions.
#ifdef _WIN32
#include <windows.h>
#endif

#include "os/os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
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

  EXPECT_TRUE(os::CopyFile(file, dir + "copy.txt", false));
  EXPECT_FALSE(os::CopyFile(file, dir + "copy.txt", false));  // not over another file
  ASSERT_TRUE(os::WriteFileReplacing(dir + "new.txt", "new"));
  EXPECT_FALSE(os::CopyFile(dir + "new.txt", dir + "copy.txt", false));
  EXPECT_EQ(ReadText(dir + "copy.txt"), bytes);
  EXPECT_TRUE(os::CopyFile(dir + "new.txt", dir + "copy.txt", true));
  EXPECT_EQ(ReadText(dir + "copy.txt"), "new");
  EXPECT_FALSE(os::CopyFile(dir + "none.txt", dir + "d.txt", true));

  EXPECT_TRUE(os::DeleteFile(file));
  EXPECT_FALSE(os::ReadFile(file, data));
  EXPECT_FALSE(os::DeleteFile(file));
}

TEST(OsFiles, AReplacementTouchesNoOtherFileAndAFailedOneLeavesTheOldFile) {
  const std::string dir = FreshFolder("os_replace");
  EXPECT_FALSE(os::WriteFileReplacing(dir + "missing" + Sep + "x.txt", "data"));
  const std::string file = dir + "keep.txt";
  ASSERT_TRUE(os::WriteFileReplacing(file, "old contents"));
  ASSERT_TRUE(os::WriteFileReplacing(file + ".tmp", "the user's own"));
  ASSERT_TRUE(os::WriteFileReplacing(file, "old contents"));
  EXPECT_EQ(ReadText(file + ".tmp"), "the user's own");
  // A file written piece by piece that its check refuses is not taken, nor one whose maker fails.
  bool checked = false;
  auto pieces = [](const os::TWriteChunk& write) { return write("new ") && write("contents"); };
  EXPECT_FALSE(os::WriteFileReplacing(file, pieces, [&](const std::string& written) {
    checked = ReadText(written) == "new contents";
    return false;
  }));
  EXPECT_TRUE(checked);
  EXPECT_FALSE(os::WriteFileReplacing(file, [](const os::TWriteChunk&) { return false; }));
  EXPECT_EQ(ReadText(file), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // and no other file
}

TEST(OsFiles, AReplacedFileKeepsItsPermissions) {
  const std::string file = FreshFolder("os_permissions") + "kept.txt";
#ifdef _WIN32
  const auto get = [&] { return GetFileAttributesA(file.c_str()); };
  const auto set = [&](DWORD attr) { ASSERT_TRUE(SetFileAttributesA(file.c_str(), attr)); };
  const DWORD cases[] = {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_HIDDEN,
                         FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE};
  const DWORD normal = FILE_ATTRIBUTE_NORMAL;
#else
  const auto get = [&] { return std::filesystem::status(file).permissions(); };
  const auto set = [&](int mode) { std::filesystem::permissions(file, std::filesystem::perms(mode)); };
  const int cases[] = {0600, 0444, 0640, 0755};
  const int normal = 0644;
#endif
  for (const auto permissions : cases) {
    SCOPED_TRACE(permissions);
    ASSERT_TRUE(os::WriteFileReplacing(file, "old"));
    set(permissions);
    const auto before = get();  // what the file system keeps of them
    ASSERT_TRUE(os::WriteFileReplacing(file, "new"));
    EXPECT_EQ(get(), before);
    EXPECT_EQ(ReadText(file), "new");
    set(normal);
  }
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

// The clock reads the local time as the C library has it: months and days from 1.
TEST(OsClock, NowIsTheLocalTime) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    const os::TLocalTime now = os::Now();
    if (std::time(nullptr) / 60 != before / 60) continue;  // a minute turned meanwhile
    const std::tm local = *std::localtime(&before);
    EXPECT_EQ(now, (os::TLocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                   now.Second}));
    EXPECT_TRUE(now.Second >= 0 && now.Second <= 60) << now.Second;
    return;
  }
}
