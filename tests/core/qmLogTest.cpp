#include "core/qmLog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "tests/support/TestPaths.h"

namespace {

using testpaths::FreshFolder;

// Writes section "Log" of a new INI file in Dir and answers its name.
std::string WriteSettings(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& values) {
  const std::string ini = dir + "Lorvex.ini";
  for (const auto& [key, value] : values) EXPECT_TRUE(IniWriteString(ini, "Log", key, value));
  return ini;
}

// The lines of a log file, without their CR LF; empty when there is no file.
std::vector<std::string> LogLines(const std::string& fileName) {
  std::string text;
  std::vector<std::string> lines;
  if (!os::ReadFile(fileName, text)) return lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the last line has no CR LF";
  return lines;
}

// The group and message of a line, after its time stamp.
std::string WithoutTime(const std::string& line) { return line.size() > 20 ? line.substr(20) : line; }

std::vector<std::string> GroupsAndMessages(const std::string& fileName) {
  std::vector<std::string> result;
  for (const std::string& line : LogLines(fileName)) result.push_back(WithoutTime(line));
  return result;
}

}  // namespace

TEST(Log, FormatLineWritesTimeGroupAndMessageUnescaped) {
  TqmLog log;
  const os::TLocalTime time{2024, 3, 5, 7, 8, 9};
  EXPECT_EQ(log.FormatLine(time, "Score", "a;b\r\nc"), "05.03.2024 07:08:09;Score;a;b\r\nc\r\n");
  EXPECT_EQ(log.FormatLine({1999, 12, 31, 23, 59, 58}, "", "m"), "31.12.1999 23:59:58;;m\r\n");
}

TEST(Log, DisabledLogWritesNoFile) {
  const std::string dir = FreshFolder("log_disabled");
  const std::string logFile = dir + "x.log";
  TqmLog log;

  log.LoadSettings(WriteSettings(dir, {{"FileName", logFile}}));
  EXPECT_FALSE(log.Enabled);
  log.Log("Lorvex", "missing Enabled");
  log.LoadSettings(WriteSettings(dir, {{"Enabled", "0"}}));
  log.Log("Lorvex", "Enabled=0");
  log.LoadSettings(WriteSettings(dir, {{"Enabled", "yes"}}));
  log.Log("Lorvex", "Enabled=yes");
  EXPECT_FALSE(os::FileExists(logFile));

  log.LoadSettings(WriteSettings(dir, {{"Enabled", "1"}}));
  log.Log("Lorvex", "now on");
  EXPECT_EQ(GroupsAndMessages(logFile), (std::vector<std::string>{"Lorvex;now on"}));
}

TEST(Log, DefaultFileNameIsTheExecutablesWithLogExtension) {
  TqmLog log;
  log.LoadSettings(WriteSettings(FreshFolder("log_default"), {{"Enabled", "1"}}));
  EXPECT_EQ(log.FileName, ChangeFileExt(os::ExeFileName(), ".log"));
}

TEST(Log, EnabledGroupsIgnoreCaseButKeepBlanks) {
  const std::string dir = FreshFolder("log_groups");
  TqmLog log;
  log.LoadSettings(WriteSettings(dir, {{"Enabled", "1"}, {"FileName", dir + "a.log"}, {"EnabledGroups", "Score,Lorvex"}}));
  for (const char* group : {"Score", "score", "Lorvex", "Clipboard", ""}) log.Log(group, "m");
  EXPECT_EQ(GroupsAndMessages(dir + "a.log"), (std::vector<std::string>{"Score;m", "score;m", "Lorvex;m", ";m"}));

  log.LoadSettings(WriteSettings(dir, {{"FileName", dir + "b.log"}, {"EnabledGroups", "Score, Lorvex,,"}}));
  EXPECT_EQ(log.EnabledGroups, (TStringList{"Score", " Lorvex"}));
  for (const char* group : {"Score", "Lorvex", " lorvex", ""}) log.Log(group, "m");
  EXPECT_EQ(GroupsAndMessages(dir + "b.log"), (std::vector<std::string>{"Score;m", " lorvex;m", ";m"}));
}

TEST(Log, LevelAboveTheLinesLevelWritesNothing) {
  const std::string dir = FreshFolder("log_level");
  TqmLog log;
  log.LoadSettings(WriteSettings(dir, {{"Enabled", "1"}, {"FileName", dir + "a.log"}}));
  log.Level = 1;
  log.Log("Score", "level 0");
  log.LogLevel("Score", "level 1", 1);
  EXPECT_EQ(GroupsAndMessages(dir + "a.log"), (std::vector<std::string>{"Score;level 1"}));
}

TEST(Log, SessionsTakeTheFirstFreeNumber) {
  const std::string dir = FreshFolder("log_sessions");
  ASSERT_TRUE(os::WriteFileReplacing(dir + "Lorvex0001.log", ""));
  ASSERT_TRUE(os::WriteFileReplacing(dir + "Lorvex0003.log", ""));
  TqmLog log;
  log.LoadSettings(WriteSettings(dir, {{"Enabled", "1"}, {"FileName", dir + "Lorvex.log"}, {"Sessions", "1"}}));
  EXPECT_EQ(log.FileName, dir + "Lorvex0002.log");
  log.Log("Lorvex", "start");
  EXPECT_EQ(LogLines(dir + "Lorvex0002.log").size(), 1u);
}

TEST(Log, UnwritableFileDropsTheLineQuietly) {
  const std::string dir = FreshFolder("log_unwritable");
  TqmLog log;
  log.LoadSettings(WriteSettings(dir, {{"Enabled", "1"}, {"FileName", dir + "missing\\sub\\a.log"}}));
  EXPECT_NO_THROW(log.Log("Lorvex", "lost"));
  EXPECT_TRUE(log.Enabled);
  EXPECT_FALSE(os::DirectoryExists(dir + "missing"));

  log.FileName = dir;  // a folder
  EXPECT_NO_THROW(log.Log("Lorvex", "lost"));

  log.FileName = dir + "later.log";  // the log keeps working
  log.Log("Lorvex", "kept");
  EXPECT_EQ(GroupsAndMessages(dir + "later.log"), (std::vector<std::string>{"Lorvex;kept"}));
}

TEST(Log, LinesOfTwoThreadsNeverMix) {
  const std::string dir = FreshFolder("log_threads");
  TqmLog log;
  log.LoadSettings(WriteSettings(dir, {{"Enabled", "1"}, {"FileName", dir + "a.log"}}));
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

TEST(Log, GetLogIsOneObject) {
  EXPECT_EQ(&GetLog(), &GetLog());
}
