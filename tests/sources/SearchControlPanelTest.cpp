#include "sources/SearchControlPanel.h"

#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "tests/sources/SourceHits.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Thrown.h"

namespace {

TCplAnswer Answered(std::vector<TCplApplet> applets) { return {TCplAnswer::caAnswered, std::move(applets)}; }

// A helper that answers for each module as the test says, by file name, in pieces of three
// bytes: an answer, or "hang" (nothing more until the time-out), "crash" (the helper ends), for
// the file "" before it says it runs.
struct TFakeHelper : TCplHelper {
  std::map<std::string, std::variant<TCplAnswer, std::string>> Modules;
  std::vector<size_t> Starts;  // how many modules each start was given
  bool Fails = false;

  std::unique_ptr<TCplHelperRun> Start(const std::vector<std::string>& modules) override {
    if (Fails) throw Exception("no helper here");
    Starts.push_back(modules.size());
    auto run = std::make_unique<TRun>();
    const auto stop = [&](const std::string& file) {
      const auto* how = std::get_if<std::string>(&Modules[file]);
      if (how) run->End = *how == "hang" ? TCplHelperRun::rdTimeOut : TCplHelperRun::rdEnded;
      return how != nullptr;
    };
    if (stop("")) return run;
    run->Text = helper::ReadyLine();
    for (const std::string& path : modules) {
      const std::string file = path.substr(path.find_last_of("\\/") + 1);
      run->Text += helper::ModuleLine(path);
      if (stop(file)) return run;
      const TCplAnswer& answer = std::get<TCplAnswer>(Modules[file]);
      for (const TCplApplet& applet : answer.Applets) run->Text += helper::AppletLine(applet, path);
      run->Text += helper::EndLine(answer.State);
    }
    return run;
  }
  struct TRun : TCplHelperRun {
    std::string Text;
    TRead End = rdEnded;
    TRead Read(std::chrono::steady_clock::time_point, std::string& piece) override {
      if (Text.empty()) return End;
      piece = Text.substr(0, 3);
      Text.erase(0, 3);
      return rdData;
    }
  };
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
      {"desk.cpl", {TCplAnswer::caNotLoaded, {}}, {}},
      {"desk.cpl", Answered({}), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    EXPECT_EQ(Names(ModuleEntries("C:\\Sys\\", c.File, c.Answer)), c.Entries);
  }
  const TCplEntry applet = ModuleEntries("C:\\Sys\\", "multi.cpl", Answered({{"One", "Info", 7}}))[0];
  EXPECT_EQ(applet.IconFile + "," + std::to_string(applet.IconIndex), "C:\\Sys\\multi.cpl,-7");  // the resource's id
}

TEST(ControlPanelModules, AModuleThatHangsOrCrashesTheHelperCostsOnlyItsOwnAnswerAndIsNamedOnce) {
  const TCplAnswer odd = Answered({{"Tab\there\r\nand \\t back", "\\", -3}});
  const std::vector<std::string> modules = {"C:\\S y s\\a.cpl", "C:\\S y s\\hang.cpl", "C:\\S y s\\b.cpl",
                                            "C:\\S y s\\crash.cpl", "C:\\S y s\\c.cpl"};
  using TFailures = std::vector<TCplFailure>;
  const struct {
    std::string Case;
    std::string Helper;  // "" a working one, "fails" it does not start, "hang"/"crash" before it runs
    std::vector<std::string> Answered;
    std::vector<size_t> Starts;
    TFailures Failures;
  } cases[] = {
      {"working",
       "",
       {"a.cpl", "b.cpl", "c.cpl"},
       {5, 3, 1},
       {{TCplFailure::cfNoAnswer, "hang.cpl"}, {TCplFailure::cfCrashed, "crash.cpl"}}},
      {"not started", "fails", {}, {}, {{TCplFailure::cfNoHelper, "no helper here"}}},
      {"hangs at once", "hang", {}, {5}, {{TCplFailure::cfNoHelper, "LorvexHelper.exe did not start."}}},
      {"ends at once", "crash", {}, {5}, {{TCplFailure::cfNoHelper, "LorvexHelper.exe did not start."}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    TFakeHelper helper;
    helper.Modules = {{"a.cpl", odd},
                      {"hang.cpl", "hang"},
                      {"b.cpl", TCplAnswer{TCplAnswer::caNoEntry, {}}},
                      {"crash.cpl", "crash"},
                      {"c.cpl", Answered({})}};
    if (c.Helper == "fails")
      helper.Fails = true;
    else if (!c.Helper.empty())
      helper.Modules[""] = c.Helper;
    TFailures failures;
    const auto answers = AskModules(helper, modules, std::chrono::seconds(1), failures);
    std::vector<std::string> answered;
    for (size_t i = 0; i < answers.size(); ++i)
      if (answers[i]) answered.push_back(modules[i].substr(9));
    EXPECT_EQ(answered, c.Answered);
    EXPECT_EQ(helper.Starts, c.Starts);
    EXPECT_EQ(failures, c.Failures);
    if (c.Helper.empty()) {
      EXPECT_EQ(answers[0]->Applets[0].Name + "|" + answers[0]->Applets[0].Info, "Tab\there\r\nand \\t back|\\");
      EXPECT_EQ(answers[0]->Applets[0].IconId, -3);
      EXPECT_EQ(answers[2]->State, TCplAnswer::caNoEntry);
    }
  }
}

TEST(ControlPanelTest, ListsEachEntryOnceForPartOfControlPanelOrItsNameAndNamesTheLostModulesOnce) {
  TTestLanguage language{{"Control panel", "Systemsteuerung"}, {"Fonts", "Schriftarten"}};
  // A system folder of three modules: "a.cpl" with two applets, "b.cpl" with one, "c.cpl" hangs.
  const std::string folder = testpaths::FreshFolder("control_panel");
  auto helper = std::make_shared<TFakeHelper>();
  for (const char* file : {"a.cpl", "b.cpl", "c.cpl"}) testpaths::WriteText(folder + file, "");
  helper->Modules = {{"a.cpl", Answered({{"Mouse", "Pointer settings", 5}, {"Keyboard control", "Keys", 6}})},
                     {"b.cpl", Answered({{"Sound", "", 0}})},
                     {"c.cpl", "hang"}};
  TSearchControlPanel source(nullptr, folder, helper, nullptr);
  std::string failure;
  CollectHits(source, "cont", &failure);
  EXPECT_EQ(failure, "The control-panel module c.cpl did not answer in time.");
  const TNames all = {"Mouse",
                      "Keyboard control",
                      "Sound",
                      "Printers and Faxes",
                      "Schriftarten",
                      "Internet Options",
                      "Administrative tools"};
  const struct {
    std::string Text;
    TNames Hits;
  } cases[] = {
      {"cont", all}, {"STEUER", all}, {"font", {"Schriftarten"}}, {"schrift", {}}, {"ou", {"Mouse", "Sound"}}, {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(NamesInOrder(source, c.Text), c.Hits);  // the failure named no more
  }
  int reported = 0;
  source.Search("cont", [&](const TItemRecord&) { return ++reported == 2; });
  EXPECT_EQ(reported, 2);
}

TEST(ControlPanelTest, RunsModulesAndNamesThroughTheControlPanelAndFileEntriesThroughRundll32FromTheSystemFolder) {
  TSearchControlPanel source(nullptr, "C:\\Sys\\", std::make_shared<TFakeHelper>(), nullptr);
  const struct {
    std::string ExecuteString, Parameters;
    bool AsAdmin;
    os::TShellOpenRequest Expected;
  } cases[] = {
      {"inetcpl.cpl", "", false, {"", "C:\\Sys\\control.exe", "\"inetcpl.cpl\"", "", 9}},
      {"multi.CPL", "@1", true, {"runas", "C:\\Sys\\control.exe", "\"multi.CPL\",@1", "", 9}},
      {"admintools", "", false, {"", "C:\\Sys\\control.exe", "admintools", "", 9}},
      {"shell32.dll,Entry Folder", "", false, {"", "C:\\Sys\\rundll32.exe", "shell32.dll,Entry Folder", "", 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ExecuteString);
    TItemData item = ItemOf(c.ExecuteString, c.Parameters, c.AsAdmin);
    TShellRecorder shell;
    source.Execute(item);
    EXPECT_EQ(shell.Calls, std::vector<os::TShellOpenRequest>{c.Expected});
  }
}
