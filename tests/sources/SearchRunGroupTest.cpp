#include "sources/SearchRunGroup.h"

#include <gtest/gtest.h>

#include "tests/desktop/FakeTimerHandler.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/Mapped.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/Thrown.h"

namespace {

// What the shell was asked to open, as "file parameters".
TNames Opened(const TShellRecorder& shell) {
  return Mapped(shell.Calls, [](const auto& request) { return request.File + " " + request.Parameters; });
}

}  // namespace

TEST(RunGroupFileTest, ParseGroupItemTakesTheLastFieldWhole) {
  const std::pair<const char*, TGroupItemValue> cases[] = {
      {"1500;notepad.exe;a;b", {"1500", "notepad.exe", "a;b"}},
      {"notepad.exe;readme.txt", {"1000", "notepad.exe", "readme.txt"}},
      {"notepad.exe", {"1000", "notepad.exe", ""}},
      {"", {"1000", "", ""}},
      {";;", {"", "", ""}},
      {"0;%PATH%\\x.exe;100%", {"0", "%PATH%\\x.exe", "100%"}},
      {"0;\"C:\\a;b\\x.exe\";-p;q", {"0", "C:\\a;b\\x.exe", "-p;q"}},
      {"0;\"C:\\x y\\x.exe\";-p", {"0", "\"C:\\x y\\x.exe\"", "-p"}},  // quotes of an older file stay
  };
  for (const auto& [value, item] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(ParseGroupItem(value), item);
  }
}

TEST(RunGroupFileTest, DelaysAreFiniteNumbersOfAtMostTwoMinutes) {
  struct TCase {
    const char* Text;
    std::optional<unsigned> Stored;  // milliseconds in the file
    double Typed;                    // seconds in the dialog
  } cases[] = {
      {"1500", 1500u, 120},     {"-300", 300u, 120},      {"2,5", 2u, 2.5},         {" 0.25 ", 0u, 0.25},
      {"300000", 120000u, 120}, {"", std::nullopt, 1},    {"abc", std::nullopt, 1}, {"inf", std::nullopt, 1},
      {"nan", std::nullopt, 1}, {"1e9", std::nullopt, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(DelayMilliseconds(c.Text), c.Stored);
    std::string error;
    EXPECT_DOUBLE_EQ(DelaySecondsFromText(c.Text, error), c.Typed);
    EXPECT_EQ(error.empty(), std::string(c.Text).empty() || c.Stored.has_value());
  }
  EXPECT_EQ(DelaySecondsText(1.5), "1.5");
  EXPECT_EQ(DelaySecondsText(120), "120");
}

TEST(RunGroupFileTest, GroupsWithoutItemsAreNotWritten) {
  TRunGroupFile file(WriteSettingsFile("rungroups.ini", "; my groups\r\n[Old]\r\nx=1000;x.exe;\r\n"));
  const TRunGroups groups = {{"Work", {{"mail", "mail.exe", "/new", 300}, {"web", "web.exe", "a;b", 0.5}}},
                             {"Empty", {}}};
  file.Write(groups);
  const std::unique_ptr<TMemIniFile> ini = file.Read();
  EXPECT_EQ(ini->ReadString("Work", "mail", ""), "120000;mail.exe;/new");
  EXPECT_EQ(ini->ReadString("Work", "web", ""), "500;web.exe;a;b");
  EXPECT_EQ(ini->Text().substr(0, 11), "; my groups");
  TRunGroups read = ReadRunGroups(*ini);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].Items[0].Delay, 120);
  EXPECT_EQ(read[0].Items[1], groups[0].Items[1]);
}

TEST(RunGroupSourceTest, ItemsStartInOrderWithPausesOnlyBetweenThem) {
  WriteSettingsFile(
      TSearchRunGroup::IniFileName,
      "[Day %PATH%]\r\none=1500;one.exe;a;b\r\nbad=1000;missing;\r\nzero=0;two.exe;\r\nlast=9000;three.exe;\r\n"
      "[Broken day]\r\nfirst=x.exe\r\nsecond=soon;y.exe;\r\nthird=z.exe\r\n");
  auto timers = std::make_shared<TFakeTimerHandler>();
  TSearchRunGroup source(nullptr, timers, nullptr);
  EXPECT_EQ(Mapped(CollectHits(source, "day"),
                   [](const TItemRecord& hit) { return hit.DisplayName + " " + hit.Description; }),
            (TNames{"Day %PATH% Run: one, bad, zero, last", "Broken day Run: first, second, third"}));
  EXPECT_EQ(NamesInOrder(source, "broken"), TNames{"Broken day"});
  TShellRecorder shell;
  RunItem(source, ItemOf("Day %PATH%", "", true));  // the first item at once, the group's name as it was stored
  std::vector<uint32_t> pauses;
  int failures = 0;
  while (!timers->WindowTimers.empty()) {
    pauses.push_back(timers->WindowTimers.begin()->second);
    shell.Failure = shell.Calls.size() == 1 ? "missing" : "";  // the second item cannot start
    failures += !ThrownMessage<Exception>([&] { timers->ExpireAll(); }).empty();
  }
  EXPECT_EQ(Opened(shell), (TNames{"one.exe a;b", "missing ", "two.exe ", "three.exe "}));
  EXPECT_EQ(pauses, (std::vector<uint32_t>{1500, 1000, 1}));
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(shell.Calls[0].Verb, "runas");
  EXPECT_EQ(source.RunningSequences(), 0u);

  // A delay that is no number stops the group before its item starts.
  shell.Calls.clear();
  RunItem(source, ItemOf("Broken day"));
  EXPECT_THROW(timers->ExpireAll(), Exception);
  EXPECT_EQ(Opened(shell), (TNames{"x.exe "}));
  EXPECT_TRUE(timers->WindowTimers.empty());
}
