#include "core/qmLog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "tests/support/Mapped.h"
#include "tests/support/TestPaths.h"

namespace {

using testpaths::FreshFolder;

// Writes section "Log" of the INI file in Dir and loads it into Log.
void Configure(TqmLog& log, const std::string& dir, const std::vector<std::pair<std::string, std::string>>& values) {
  const std::string ini = dir + "Lorvex.ini";
  for (const auto& [key, value] : values) EXPECT_TRUE(IniWriteString(ini, "Log", key, value));
  log.LoadSettings(ini);
}

// The group and message of each line of a log file, after its time stamp; empty when there is
// no file.
std::vector<std::string> GroupsAndMessages(const std::string& fileName) {
  const std::string text = testpaths::ReadText(fileName);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start + 20, end - start - 20));
  EXPECT_EQ(start, text.size()) << "the last line has no CR LF";
  return lines;
}

}  // namespace

TEST(Log, FormatLineWritesTimeGroupAndMessageUnescaped) {
  TqmLog log;
  EXPECT_EQ(log.FormatLine({2024, 3, 5, 7, 8, 9}, "Score", "a;b\r\nc"), "05.03.2024 07:08:09;Score;a;b\r\nc\r\n");
  EXPECT_EQ(log.FormatLine({1999, 12, 31, 23, 59, 58}, "", "m"), "31.12.1999 23:59:58;;m\r\n");
}

// An empty group is always written; blanks around a name in the settings are part of it.
TEST(Log, WritesOnlyWhenEnabledAndOnlyTheEnabledGroupsIgnoringCase) {
  const std::string dir = FreshFolder("log_settings");
  TqmLog log;
  Configure(log, dir, {{"Enabled", "1"}});
  EXPECT_EQ(log.FileName, ChangeFileExt(os::ExeFileName(), ".log"));
  const char* const groups[] = {"Score", "score", " lorvex", "Lorvex", "Clipboard", ""};
  const struct {
    const char *Enabled, *EnabledGroups;
    std::vector<std::string> Written;
  } cases[] = {
      {"", "", {}},
      {"0", "", {}},
      {"yes", "", {}},
      {"1", "", {"Score", "score", " lorvex", "Lorvex", "Clipboard", ""}},
      {"1", "Score,Lorvex", {"Score", "score", "Lorvex", ""}},
      {"1", "Score, Lorvex,,", {"Score", "score", " lorvex", ""}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(std::string(c.Enabled) + " / " + c.EnabledGroups);
    const std::string file = dir + std::to_string(i) + ".log";
    Configure(log, dir, {{"FileName", file}, {"Enabled", c.Enabled}, {"EnabledGroups", c.EnabledGroups}});
    for (const char* group : groups) log.Log(group, "m");
    EXPECT_EQ(GroupsAndMessages(file), Mapped(c.Written, [](const std::string& group) { return group + ";m"; }));
  }
}

TEST(Log, SessionsTakeTheFirstFreeNumberAndAnUnwritableFileDropsTheLineQuietly) {
  const std::string dir = FreshFolder("log_files");
  testpaths::WriteText(dir + "Lorvex0001.log", "");
  testpaths::WriteText(dir + "Lorvex0003.log", "");
  TqmLog log;
  Configure(log, dir, {{"Enabled", "1"}, {"FileName", dir + "Lorvex.log"}, {"Sessions", "1"}});
  EXPECT_EQ(log.FileName, dir + "Lorvex0002.log");

  log.FileName = dir + "missing\\sub\\a.log";
  EXPECT_NO_THROW(log.Log("Lorvex", "lost"));
  EXPECT_FALSE(os::DirectoryExists(dir + "missing"));
  log.FileName = dir + "later.log";  // the log keeps working
  log.Log("Lorvex", "kept");
  EXPECT_EQ(GroupsAndMessages(dir + "later.log"), (std::vector<std::string>{"Lorvex;kept"}));
}

// A line whose level is below the log's own is not written.
TEST(Log, ALevelBelowTheLogsOwnWritesNothing) {
  const std::string dir = FreshFolder("log_level");
  TqmLog log;
  Configure(log, dir, {{"Enabled", "1"}, {"FileName", dir + "a.log"}});
  log.Level = 1;
  log.Log("Score", "level 0");
  log.LogLevel("Score", "level 1", 1);
  log.LogLevel("Score", "level 2", 2);
  EXPECT_EQ(GroupsAndMessages(dir + "a.log"), (std::vector<std::string>{"Score;level 1", "Score;level 2"}));
}

// A log file name that names a folder loses the line and touches neither the folder nor the log.
TEST(Log, AFileNameThatIsAFolderDropsTheLineQuietly) {
  const std::string dir = FreshFolder("log_folder");
  testpaths::WriteText(dir + "inside.txt", "kept");
  TqmLog log;
  Configure(log, dir, {{"Enabled", "1"}, {"FileName", dir}});
  EXPECT_NO_THROW(log.Log("Lorvex", "lost"));
  EXPECT_TRUE(os::DirectoryExists(dir));
  EXPECT_EQ(testpaths::ReadText(dir + "inside.txt"), "kept");
  log.FileName = dir + "later.log";
  log.Log("Lorvex", "kept");
  EXPECT_EQ(GroupsAndMessages(dir + "later.log"), (std::vector<std::string>{"Lorvex;kept"}));
}

TEST(Log, LinesOfTwoThreadsNeverMix) {
  const std::string dir = FreshFolder("log_threads");
  TqmLog log;
  Configure(log, dir, {{"Enabled", "1"}, {"FileName", dir + "a.log"}});
  constexpr int LinesPerThread = 2000;
  const std::string padding(200, 'x');
  auto writer = [&](const std::string& group) {
    for (int i = 0; i < LinesPerThread; ++i) log.Log(group, std::to_string(i) + padding);
  };
  std::thread first(writer, "One");
  std::thread second(writer, "Two");
  first.join();
  second.join();

  std::set<std::string> expected;
  for (int i = 0; i < LinesPerThread; ++i) {
    expected.insert("One;" + std::to_string(i) + padding);
    expected.insert("Two;" + std::to_string(i) + padding);
  }
  const std::vector<std::string> lines = GroupsAndMessages(dir + "a.log");
  EXPECT_EQ(lines.size(), 2u * LinesPerThread);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);
}
