// The notification-area icon's decisions without a window: clicks against double clicks (the
// click timer expired by the test), entering and leaving, image indexes and tips.
#include "desktop/TrayIconState.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

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
  void Click(bool wantsDoubleClick) {
    Clicks.LeftButtonDown(wantsDoubleClick, DoubleClickTime);
    Clicks.LeftButtonUp();
  }
  // What the shell reports for a double click: down, up, double click, up.
  void DoubleClick(bool wantsDoubleClick) {
    Click(wantsDoubleClick);
    Clicks.LeftDoubleClick();
    Clicks.LeftButtonUp();
  }
};

TEST_F(TrayClickTest, WithoutADoubleClickEventEveryButtonUpIsAClick) {
  Click(false);
  EXPECT_EQ(ClickCount, 1);
  EXPECT_TRUE(Timers->WindowTimers.empty());  // no click timer

  // A double click is a click on its first button-up only.
  DoubleClick(false);
  EXPECT_EQ(ClickCount, 2);
  EXPECT_FALSE(Clicks.ClickPending());

  // A button-up without a button-down over the icon is no click.
  Clicks.LeftButtonUp();
  EXPECT_EQ(ClickCount, 2);
}

TEST_F(TrayClickTest, WithADoubleClickEventAClickWaitsForTheDoubleClickTime) {
  Click(true);
  EXPECT_EQ(ClickCount, 0);
  EXPECT_TRUE(Clicks.ClickPending());
  ASSERT_EQ(Timers->WindowTimers.size(), 1u);
  EXPECT_EQ(Timers->WindowTimers.begin()->second, DoubleClickTime);

  Timers->ExpireAll();
  EXPECT_EQ(ClickCount, 1);
  EXPECT_FALSE(Clicks.ClickPending());
  EXPECT_TRUE(Timers->WindowTimers.empty());  // stopped by its own tick
  EXPECT_FALSE(Timers->Timer(Clicks.ClickTimer().Id()));  // a late tick changes nothing
  EXPECT_EQ(ClickCount, 1);

  // The button held past the double-click time: the click comes with the button-up.
  Clicks.LeftButtonDown(true, DoubleClickTime);
  Timers->ExpireAll();
  EXPECT_EQ(ClickCount, 1);
  Clicks.LeftButtonUp();
  EXPECT_EQ(ClickCount, 2);
}

TEST_F(TrayClickTest, ADoubleClickWithADoubleClickEventIsNeverAClick) {
  DoubleClick(true);
  EXPECT_EQ(ClickCount, 0);
  EXPECT_FALSE(Clicks.ClickPending());
  Timers->ExpireAll();
  EXPECT_EQ(ClickCount, 0);
  EXPECT_TRUE(Timers->WindowTimers.empty());

  // Two double clicks in a row, the timer expiring only at the end.
  DoubleClick(true);
  DoubleClick(true);
  Timers->ExpireAll();
  EXPECT_EQ(ClickCount, 0);

  // The double click is forgotten once the time has passed: the next click counts.
  Click(true);
  Timers->ExpireAll();
  EXPECT_EQ(ClickCount, 1);
}

TEST_F(TrayClickTest, ADoubleClickMadeBeforeTheIconWantedThemSwallowsNoLaterClick) {
  DoubleClick(false);
  EXPECT_EQ(ClickCount, 1);
  Click(true);
  Timers->ExpireAll();
  EXPECT_EQ(ClickCount, 2);
}

TEST(TrayHoverTest, EntersOnAMoveAndLeavesWhenThePointerIsElsewhere) {
  TTrayHoverTracker hover;
  EXPECT_FALSE(hover.MouseMove({10, 10}, false));  // enter and exit not wanted
  EXPECT_TRUE(hover.Outside());

  EXPECT_TRUE(hover.MouseMove({10, 10}, true));
  EXPECT_FALSE(hover.MouseMove({11, 10}, true));  // entered once
  EXPECT_FALSE(hover.Poll({11, 10}));              // still where the shell last saw it
  EXPECT_TRUE(hover.Poll({11, 30}));
  EXPECT_FALSE(hover.Poll({50, 50}));  // left once
  EXPECT_TRUE(hover.MouseMove({12, 12}, true));
  EXPECT_TRUE(hover.Poll({13, 12}));  // X alone differs
}

TEST(TrayIconIndexTest, IndexesAreClampedToTheImagesAndAnEmptyListKeepsTheIcon) {
  EXPECT_EQ(ClampIconIndex(10, 5), 4);
  EXPECT_EQ(ClampIconIndex(5, 5), 4);
  EXPECT_EQ(ClampIconIndex(2, 5), 2);
  EXPECT_EQ(ClampIconIndex(-3, 5), 0);
  EXPECT_EQ(ClampIconIndex(0, 0), std::nullopt);
  EXPECT_EQ(ClampIconIndex(3, -1), std::nullopt);

  EXPECT_EQ(NextCycleIndex(0, 5), 1);
  EXPECT_EQ(NextCycleIndex(3, 5), 4);
  EXPECT_EQ(NextCycleIndex(4, 5), 0);
  EXPECT_EQ(NextCycleIndex(0, 1), 0);
  EXPECT_EQ(NextCycleIndex(0, 0), 0);
}

TEST(TrayTipTest, TheTipIsCutTo127BytesOnACharacterBoundary) {
  EXPECT_EQ(TrayTipText("Lorvex", true), "Lorvex");
  EXPECT_EQ(TrayTipText("Lorvex", false), "");
  EXPECT_EQ(TrayTipText(std::string(200, 'x'), true), std::string(127, 'x'));
  EXPECT_EQ(TrayTipText(std::string(127, 'x'), true), std::string(127, 'x'));

  // "é" is two bytes, at 126 and 127: the cut would split it, so it goes whole.
  const std::string accented = std::string(126, 'a') + "\xC3\xA9" + "tail";
  EXPECT_EQ(TrayTipText(accented, true), std::string(126, 'a'));
  // A three-byte character ending at byte 127 fits.
  const std::string euro = std::string(124, 'a') + "\xE2\x82\xAC" + "tail";
  EXPECT_EQ(TrayTipText(euro, true), std::string(124, 'a') + "\xE2\x82\xAC");
}

}  // namespace
