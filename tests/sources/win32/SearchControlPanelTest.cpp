// The control-panel modules asked for real: the tests' own modules, built for each way of
// answering, beside copies of Wine's appwiz.cpl, inetcpl.cpl and joy.cpl (which the list names).
#include "sources/win32/SearchControlPanel.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/qmFileUtils.h"
#include "sources/win32/SourceIcons.h"
#include "tests/support/Mapped.h"
#include "tests/support/TestPaths.h"

namespace {

using TNames = std::vector<std::string>;

class CplModulesTest : public ::testing::Test {
 protected:
  CplModulesTest() : Folder(testpaths::FreshFolder("cpl_modules")) {
    for (const char* file : {"fakemulti.cpl", "timedate.cpl", "desk.cpl", "fakeempty.cpl", "fakerefused.cpl"})
      os::CopyFile(ExeFolder() + "fake_cpl\\" + file, Folder + file, true);
    for (const char* file : {"appwiz.cpl", "inetcpl.cpl", "joy.cpl"})
      os::CopyFile(SystemFolder() + file, Folder + file, true);
  }

  std::string Log(const std::string& file) { return testpaths::ReadText(Folder + file + ".log"); }

  std::string Folder;
  std::shared_ptr<TWin32CplModules> Modules = std::make_shared<TWin32CplModules>();
};

}  // namespace

// What each module answers shows in the list below; here, how it was asked.
TEST_F(CplModulesTest, EachModuleIsAskedThroughTheWholeProtocolAndLetGo) {
  // Message.applet, CPL_STOP with the applet's data; "free" when unloaded.
  const std::pair<const char*, const char*> cases[] = {
      {"fakemulti.cpl", "1.0 2.0 3.0 3.1 6.0.100 6.1.101 7.0 free"},
      {"timedate.cpl", "1.0 2.0 3.0 3.1 6.0.100 6.1.101 7.0 free"},
      {"desk.cpl", "free"},
      {"fakeempty.cpl", "1.0 2.0 7.0 free"},
      {"fakerefused.cpl", "1.0 free"},
  };
  for (const auto& [file, log] : cases) {
    SCOPED_TRACE(file);
    Modules->Ask(Folder + file);
    EXPECT_EQ(Log(file), log);
  }
}

TEST_F(CplModulesTest, AModuleThatNeverAnswersIsLeftOutOfTheList) {
  os::CopyFile(ExeFolder() + "fake_cpl\\fakehang.cpl", Folder + "fakehang.cpl", true);
  TNames names = Mapped(BuildControlPanelList(Folder, Modules, std::chrono::milliseconds(1000)),
                        [](const TCplEntry& entry) { return entry.Name + entry.Parameters; });
  std::sort(names.begin(), names.end());
  const TNames expected = {
      "Add/Remove Programs@0", "Administrative tools", "Date and Time Properties@0", "Date and Time Properties@1",
      "Display Properties",    "Fake Alpha@0",         "Fake B\xC3\xAAta@1",         "Fonts",
      "Game Controllers@0",    "Internet Options",     "Internet Settings@0",        "Printers and Faxes"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(Log("fakehang.cpl"), "1.0 ");
}

TEST_F(CplModulesTest, RowIconsComeFromAnAppletsIconResourceOrAFilesIconsAndNothingElse) {
  const TCplAnswer joy = Modules->Ask(Folder + "joy.cpl");
  ASSERT_FALSE(joy.Applets.empty());
  testpaths::WriteText(Folder + "plain.txt", "text");
  const struct {
    TIconLocation Location;
    bool Found;
  } cases[] = {
      {{Folder + "joy.cpl", -joy.Applets[0].IconId}, true},
      {{Folder + "joy.cpl", -12345}, false},
      {{Folder + "plain.txt", 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Location.File + "," + std::to_string(c.Location.Index));
    TItemData item;
    ExtractItemIcon(item, c.Location);
    EXPECT_EQ(item.Icon != nullptr, c.Found);
  }
}
