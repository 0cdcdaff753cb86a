#include "sources/SearchControlPanel.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/sources/SourceHits.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TestPaths.h"

namespace {

TCplAnswer Answered(std::vector<TCplApplet> applets) { return {TCplAnswer::caAnswered, std::move(applets)}; }

// Modules answering as the test says, by file name.
class TFakeModules : public TCplModules {
 public:
  std::map<std::string, TCplAnswer> Answers;

  TCplAnswer Ask(const std::string& fullPath) override {
    const std::string file = fullPath.substr(fullPath.find_last_of("\\/") + 1);
    return Answers.count(file) ? Answers[file] : TCplAnswer{};
  }
};

TNames Names(const std::vector<TCplEntry>& entries) {
  return Mapped(entries, [](const TCplEntry& entry) { return entry.Name + entry.Parameters; });
}

}  // namespace

TEST(ControlPanelModules, EachAnswerGivesItsAppletsOrTheModulesKnownName) {
  const struct {
    std::string File;
    TCplAnswer Answer;
    TNames Entries;  // name and place
  } cases[] = {
      {"multi.cpl", Answered({{"One", "", 1}, {"Two", "", 2}}), {"One@0", "Two@1"}},
      {"TIMEDATE.CPL",
       Answered({{"", "", 0}, {"", "", 0}}),
       {"Date and Time Properties@0", "Date and Time Properties@1"}},
      {"other.cpl", Answered({{"", "", 0}}), {}},
      {"desk.cpl", {TCplAnswer::caNoEntry, {}}, {"Display Properties"}},
      {"other.cpl", {TCplAnswer::caNoEntry, {}}, {}},
      {"desk.cpl", {TCplAnswer::caRefused, {}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    EXPECT_EQ(Names(ModuleEntries("C:\\Sys\\", c.File, c.Answer)), c.Entries);
  }
  const TCplEntry applet = ModuleEntries("C:\\Sys\\", "multi.cpl", Answered({{"One", "Info", 7}}))[0];
  EXPECT_EQ(applet.IconFile + "," + std::to_string(applet.IconIndex), "C:\\Sys\\multi.cpl,-7");  // the resource's id
}

TEST(ControlPanelTest, ListsEveryEntryForPartOfControlPanelAndThoseWhoseNameHoldsTheText) {
  TTestLanguage language{{"Control panel", "Systemsteuerung"}, {"Fonts", "Schriftarten"}};
  // A system folder of two modules, "a.cpl" with two applets and "b.cpl" with one.
  const std::string folder = testpaths::FreshFolder("control_panel");
  auto modules = std::make_shared<TFakeModules>();
  for (const char* file : {"a.cpl", "b.cpl"}) testpaths::WriteText(folder + file, "");
  modules->Answers["a.cpl"] = Answered({{"Mouse", "Pointer settings", 5}, {"Keyboard control", "Keys", 6}});
  modules->Answers["b.cpl"] = Answered({{"Sound", "", 0}});
  TSearchControlPanel source(nullptr, folder, modules, nullptr, std::chrono::minutes(1));  // a loaded machine too
  const TNames all = {"Mouse",
                      "Keyboard control",
                      "Sound",
                      "Printers and Faxes",
                      "Schriftarten",
                      "Internet Options",
                      "Administrative tools"};
  TNames allThenKeyboard = all;
  allThenKeyboard.push_back("Keyboard control");
  const struct {
    std::string Text;
    TNames Hits;
  } cases[] = {
      {"cont", allThenKeyboard},  {"STEUER", all}, {"font", {"Schriftarten"}}, {"schrift", {}},
      {"ou", {"Mouse", "Sound"}}, {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(NamesInOrder(source, c.Text), c.Hits);
  }
  int reported = 0;
  source.Search("cont", [&](const TItemRecord&) { return ++reported == 2; });
  EXPECT_EQ(reported, 2);
}

TEST(ControlPanelTest, RunsModulesThroughTheControlPanelAndTheRestThroughRundll32FromTheSystemFolder) {
  TSearchControlPanel source(nullptr, "C:\\Sys\\", std::make_shared<TFakeModules>(), nullptr);
  const struct {
    std::string ExecuteString, Parameters;
    bool AsAdmin;
    os::TShellOpenRequest Expected;
  } cases[] = {
      {"inetcpl.cpl", "", false, {"", "C:\\Sys\\control.exe", "\"inetcpl.cpl\"", "", 9}},
      {"multi.CPL", "@1", true, {"runas", "C:\\Sys\\control.exe", "\"multi.CPL\",@1", "", 9}},
      {"admintools", "", false, {"", "C:\\Sys\\rundll32.exe", "admintools", "", 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ExecuteString);
    TItemData item = ItemOf(c.ExecuteString, c.Parameters, c.AsAdmin);
    TShellRecorder shell;
    source.Execute(item);
    EXPECT_EQ(shell.Calls, std::vector<os::TShellOpenRequest>{c.Expected});
  }
}
