#include "sources/SearchSystem.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/sources/SourceHits.h"
#include "tests/support/Mapped.h"
#include "tests/support/TestLanguage.h"

namespace {

// What the commands were asked to do, in words.
struct TRecordedCommands : TSystemCommands {
  TNames Done;
  void ShowOptions() override { Done.push_back("options"); }
  void EndSession(TExitKind kind) override { Done.push_back("end " + std::to_string(kind)); }
  void Capture(TCaptureArea area, bool toClipboard) override {
    Done.push_back("capture " + std::to_string(area) + (toClipboard ? " clipboard" : " file"));
  }
};

const TNames Captures = {"CAPTURE DESKTOP TO CLIPBOARD",       "CAPTURE DESKTOP TO FILE",
                         "CAPTURE ACTIVE WINDOW TO CLIPBOARD", "CAPTURE ACTIVE WINDOW TO FILE",
                         "CAPTURE SELECTION TO CLIPBOARD",     "CAPTURE SELECTION TO FILE"};

TNames With(TNames first, const TNames& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

class SystemSourceTest : public ::testing::Test {
 protected:
  ~SystemSourceTest() override { AppSettings().ExtendedSearch = false; }

  std::shared_ptr<TRecordedCommands> Recorded = std::make_shared<TRecordedCommands>();
  TSearchSystem Source{nullptr, Recorded, nullptr};
};

}  // namespace

TEST_F(SystemSourceTest, OffersTheCommandsWhoseKeywordsHoldTheTextInTheirOrder) {
  TTestLanguage language{{"LOGOFF", "ABMELDEN"}, {"SCREEN CAPTURE", "BILDSCHIRMFOTO"}, {"Logoff", "Abmelden"}};
  const std::pair<std::string, TNames> cases[] = {
      {"sys", With({"EXTSEARCH", "OPTIONS", "LOGOFF", "SHUTDOWN", "RESTART"}, Captures)},
      {"grab", Captures},
      {"off", {"LOGOFF"}},
      {"re", With({"RESTART"}, Captures)},
      {"abmel", {"LOGOFF"}},
      {"fOTO", Captures},
      {"down", {"SHUTDOWN"}},
      {"", {}},
  };
  for (const auto& [text, commands] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Mapped(CollectHits(Source, text), [](const TItemRecord& hit) { return hit.ExecuteString; }), commands);
  }
  const TItemRecord logoff = CollectHits(Source, "logoff").at(0);
  EXPECT_EQ(logoff.DisplayName, "Abmelden");
  EXPECT_EQ(logoff.Description, "Log off user");
  int reported = 0;
  Source.Search("sys", [&](const TItemRecord&) { return ++reported == 3; });
  EXPECT_EQ(reported, 3);
}

// Every command, typed in any case, runs its own action on its own target and shows its own icon.
TEST_F(SystemSourceTest, RunsEachCommandByItsKeywordInAnyCaseWithItsIconAndSwitchesTheExtendedSearch) {
  const TIconLocation none{"none", 0}, restart{ImagesIcon("restart"), 0};
  TIconLocation icon;
  TSearchSystem source{nullptr, Recorded, [&](TItemData&, const TIconLocation& location) { icon = location; }};
  const TIconLocation clipboard{ImagesIcon("capture"), 0}, file{ImagesIcon("capture2"), 0};
  const std::tuple<std::string, std::string, TIconLocation> cases[] = {
      {"options", "options", none},
      {"LogOff", "end 0", {Shell32Path(), 44}},
      {"Shutdown", "end 1", {Shell32Path(), 27}},
      {"restart", "end 2", restart},
      {"CAPTURE DESKTOP TO CLIPBOARD", "capture 0 clipboard", clipboard},
      {"CAPTURE DESKTOP TO FILE", "capture 0 file", file},
      {"CAPTURE ACTIVE WINDOW TO CLIPBOARD", "capture 1 clipboard", clipboard},
      {"CAPTURE ACTIVE WINDOW TO FILE", "capture 1 file", file},
      {"CAPTURE SELECTION TO CLIPBOARD", "capture 2 clipboard", clipboard},
      {"CAPTURE SELECTION TO FILE", "capture 2 file", file},
  };
  for (const auto& [command, done, location] : cases) {
    SCOPED_TRACE(command);
    Recorded->Done.clear();
    icon = none;
    TItemData item = ItemOf(command);
    source.LoadIcon(item);
    source.Execute(item);
    EXPECT_EQ(Recorded->Done, TNames{done});
    EXPECT_EQ(icon, location);
  }
  // The extended search switches, and its hint tells what running it will do.
  for (const bool extended : {true, false}) {
    EXPECT_EQ(CollectHits(Source, "ext").at(0).Hint, extended ? "Enable extended search" : "Disable extended search");
    RunItem(Source, ItemOf("EXTSEARCH"));
    EXPECT_EQ(AppSettings().ExtendedSearch, extended);
  }
}

TEST(CapturedPicture, ASelectionIsThePartBetweenTheDragsEndsWhicheverWayItWent) {
  TCaptureImage image{4, 3, {}};
  for (uint32_t i = 0; i < 12; ++i) image.Pixels.push_back(i);
  EXPECT_EQ(SelectionBetween(3, 2, 1, 0), SelectionBetween(1, 0, 3, 2));
  const TCaptureImage part = CropImage(image, SelectionBetween(3, 3, 1, 1));
  EXPECT_EQ(std::pair(part.Width, part.Height), std::pair(2, 2));
  EXPECT_EQ(part.Pixels, (std::vector<uint32_t>{5, 6, 9, 10}));
  EXPECT_EQ(CropImage(image, SelectionBetween(2, 5, 9, 1)).Pixels, (std::vector<uint32_t>{6, 7, 10, 11}));
  EXPECT_TRUE(CropImage(image, SelectionBetween(2, 1, 2, 3)).Empty());
}
