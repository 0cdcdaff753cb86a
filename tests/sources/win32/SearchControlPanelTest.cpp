// The control-panel modules asked for real, by the helper program: the tests' own modules, built
// for each way of answering, beside copies of Wine's appwiz.cpl, inetcpl.cpl and joy.cpl (which
// the list names).
#include "sources/win32/SearchControlPanel.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/qmFileUtils.h"
#include "sources/SourceSupport.h"
#include "sources/win32/SourceIcons.h"
#include "tests/support/Mapped.h"
#include "tests/support/TestPaths.h"

using TNames = std::vector<std::string>;

TEST(CplModulesTest, EachModuleIsAskedInTheHelperAndOneThatHangsOrCrashesCostsOnlyItsOwnEntries) {
  const std::string folder = testpaths::FreshFolder("cpl modules");
  for (const char* file : {"fakemulti.cpl", "timedate.cpl", "desk.cpl", "fakeempty.cpl", "fakerefused.cpl",
                           "fakehang.cpl", "fakecrash.cpl"})
    os::CopyFile(ExeFolder() + "fake_cpl\\" + file, folder + file, true);
  for (const char* file : {"appwiz.cpl", "inetcpl.cpl", "joy.cpl"})
    os::CopyFile(SystemFolder() + file, folder + file, true);
  HWND window = GetDesktopWindow();
  TWin32CplHelper helper(window);
  const TCplList list = BuildControlPanelList(folder, helper, TSearchControlPanel::AnswerLimit);

  TNames names = Mapped(list.Entries, [](const TCplEntry& entry) { return entry.Name + entry.Parameters; });
  std::sort(names.begin(), names.end());
  const TNames expected = {
      "Add/Remove Programs@0", "Administrative tools", "Date and Time Properties@0", "Date and Time Properties@1",
      "Display Properties",    "Fake Alpha@0",         "Fake B\xC3\xAAta@1",         "Fonts",
      "Game Controllers@0",    "Internet Options",     "Internet Settings@0",        "Printers and Faxes"};
  EXPECT_EQ(names, expected);
  std::vector<TCplFailure> failures = list.Failures;
  std::sort(failures.begin(), failures.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
  EXPECT_EQ(failures, (std::vector<TCplFailure>{{TCplFailure::cfCrashed, "fakecrash.cpl"},
                                                {TCplFailure::cfNoAnswer, "fakehang.cpl"}}));

  // How each was asked: message.applet, CPL_INIT with the window, CPL_STOP with the applet's data;
  // "free" when unloaded.
  const std::string init = "1.0." + std::to_string(reinterpret_cast<uintptr_t>(window)) + " ";
  const std::pair<const char*, std::string> logs[] = {
      {"fakemulti.cpl", init + "2.0 3.0 3.1 6.0.100 6.1.101 7.0 free"},
      {"timedate.cpl", init + "2.0 3.0 3.1 6.0.100 6.1.101 7.0 free"},
      {"desk.cpl", "free"},
      {"fakeempty.cpl", init + "2.0 7.0 free"},
      {"fakerefused.cpl", init + "free"},
      {"fakecrash.cpl", init + "2.0 "},
      {"fakehang.cpl", ""},
  };
  for (const auto& [file, log] : logs) {
    SCOPED_TRACE(file);
    EXPECT_EQ(testpaths::ReadText(folder + file + ".log"), log);
  }

  // A row's icon comes from the applet's icon resource or a file's icons, and nothing else.
  const auto joy = std::find_if(list.Entries.begin(), list.Entries.end(),
                                [](const TCplEntry& entry) { return entry.Name == "Game Controllers"; });
  ASSERT_NE(joy, list.Entries.end());
  testpaths::WriteText(folder + "plain.txt", "text");
  const struct {
    TIconLocation Location;
    bool Found;
  } icons[] = {
      {{joy->IconFile, joy->IconIndex}, true},  // a resource id
      {{Shell32Path(), 0}, true},               // an index among a file's icons
      {{folder + "joy.cpl", -12345}, false},
      {{folder + "plain.txt", 0}, false},
      {{folder + "missing.ico", 0}, false},
  };
  for (const auto& c : icons) {
    SCOPED_TRACE(c.Location.File + "," + std::to_string(c.Location.Index));
    TItemData item;
    ExtractItemIcon(item, c.Location);
    EXPECT_EQ(item.Icon != nullptr, c.Found);
  }
}
