// The notification-area icon's decisions without a window: clicks against double clicks (the
// click timer expired by the test), entering and leaving, image indexes and tips.
#include "desktop/TrayIconState.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <utility>

#include "tests/desktop/FakeTimerHandler.h"

namespace {

constexpr uint32_t DoubleClickTime = 500;

class TrayClickTest : public testing::Test {
 protected:
  std::shared_ptr<TFakeTimerHandler> Timers = std::make_shared<TFakeTimerHandler>();
  TTrayClickTracker Clicks{Timers};
  int ClickCount = 0;

  void SetUp() override {
    Clicks.OnClick = [this] { ++ClickCount; };
  }
  // Plays the left button over the icon; the upper-case letters are for an icon with a
  // double-click event: c/C a click (down, up), d/D a double click as the shell reports it
  // (down, up, double click, up), H the button held down, u a button-up, x the click timer
  // expiring as after the double-click time.
  void Play(const std::string& steps) {
    for (char step : steps) {
      const bool wants = std::isupper(static_cast<unsigned char>(step));
      const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(step)));
      if (kind == 'c' || kind == 'd' || kind == 'h') Clicks.LeftButtonDown(wants, DoubleClickTime);
      if (kind == 'c' || kind == 'd' || kind == 'u') Clicks.LeftButtonUp();
      if (kind == 'd') {
        Clicks.LeftDoubleClick();
        Clicks.LeftButtonUp();
      }
      if (kind == 'x') Timers->ExpireAll();
    }
  }
};

// Without a double-click event every button-up after a button-down is a click (the first of a
// double click too); with one a click waits for the double-click time, a double click is never a
// click, and a button held past the time clicks when it comes up. A double click made before the
// icon wanted them swallows no later click.
TEST_F(TrayClickTest, ClicksAndDoubleClicks) {
  const std::pair<const char*, int> cases[] = {{"c", 1},     {"cdu", 2},   {"C", 0},  {"Cx", 1},
                                               {"Cxx", 1},   {"CxHxu", 2}, {"D", 0},  {"Dx", 0},
                                               {"DxDDx", 0}, {"DxCx", 1},  {"dCx", 2}};
  for (auto [steps, clicks] : cases) {
    ClickCount = 0;
    Play(steps);
    EXPECT_EQ(ClickCount, clicks) << steps;
    Timers->ExpireAll();
  }
  Play("C");
  EXPECT_TRUE(Clicks.ClickPending());
  ASSERT_EQ(Timers->WindowTimers.size(), 1u);
  EXPECT_EQ(Timers->WindowTimers.begin()->second, DoubleClickTime);
  Play("x");
  EXPECT_FALSE(Clicks.ClickPending());
  EXPECT_TRUE(Timers->WindowTimers.empty()) << "stopped by its own tick";
  EXPECT_FALSE(Timers->Timer(Clicks.ClickTimer().Id())) << "a late tick changes nothing";
  Play("c");
  EXPECT_TRUE(Timers->WindowTimers.empty()) << "no click timer without a double-click event";
}

// The shell reports moves over the icon only: the pointer enters on the first move while enter
// and exit are wanted, and has left when a poll finds it anywhere but at the last move.
TEST(TrayHoverTest, EntersOnAMoveAndLeavesWhenThePointerIsElsewhere) {
  TTrayHoverTracker hover;
  EXPECT_FALSE(hover.MouseMove({10, 10}, false));  // enter and exit not wanted
  EXPECT_TRUE(hover.Outside());

  EXPECT_TRUE(hover.MouseMove({10, 10}, true));
  EXPECT_FALSE(hover.MouseMove({11, 10}, true));  // entered once
  EXPECT_FALSE(hover.Poll({11, 10}));             // still where the shell last saw it
  EXPECT_TRUE(hover.Poll({11, 30}));
  EXPECT_FALSE(hover.Poll({50, 50}));  // left once
  EXPECT_TRUE(hover.MouseMove({12, 12}, true));
  EXPECT_TRUE(hover.Poll({13, 12}));  // X alone differs
}

TEST(TrayTipTest, TheTipIsCutTo127BytesOnACharacterBoundary) {
  EXPECT_EQ(TrayTipText("Lorvex", true), "Lorvex");
  EXPECT_EQ(TrayTipText("Lorvex", false), "");
  EXPECT_EQ(TrayTipText(std::string(200, 'x'), true), std::string(127, 'x'));
  // "é" is two bytes, at 126 and 127: the cut would split it, so it goes whole.
  EXPECT_EQ(TrayTipText(std::string(126, 'a') + "\xC3\xA9", true), std::string(126, 'a'));
}

// The cycle shows the next image, not the one after it.
TEST(TrayIconIndexTest, IndexesAreClampedToTheImagesAndTheCycleStepsByOne) {
  EXPECT_EQ(ClampIconIndex(10, 5), 4);
  EXPECT_EQ(ClampIconIndex(-3, 5), 0);
  EXPECT_EQ(ClampIconIndex(0, 0), std::nullopt);  // an empty list keeps the icon
  EXPECT_EQ(NextCycleIndex(3, 5), 4);
  EXPECT_EQ(NextCycleIndex(4, 5), 0);
  EXPECT_EQ(NextCycleIndex(0, 0), 0);
}

}  // namespace
