// The timer service's bookkeeping over a handler whose window timers the test expires.
#include "desktop/SimpleTimer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "tests/desktop/FakeTimerHandler.h"

namespace {

class SimpleTimerTest : public testing::Test {
 protected:
  std::shared_ptr<TFakeTimerHandler> Handler = std::make_shared<TFakeTimerHandler>();
  int Ticks = 0;
  TTimerEvent Count = [this](TSimpleTimer&) { ++Ticks; };
};

// A timer runs every second by default. Starting a running timer restarts it, a stop kills what
// runs (a second one finds nothing), the running count follows, and each timer has an id of its
// own; a refused window timer leaves the timer stopped.
TEST_F(SimpleTimerTest, RunsWhileStartedAndKeepsTheRunningCount) {
  TSimpleTimer timer(Handler), other(Handler, 50, Count);
  timer.SetOnTimer(Count);
  ASSERT_TRUE(timer.Start());
  ASSERT_TRUE(timer.Start());
  other.SetEnabled(true);
  EXPECT_EQ(Handler->WindowTimers, (std::map<uintptr_t, uint32_t>{{timer.Id(), 1000}, {other.Id(), 50}}));
  EXPECT_EQ(Handler->RunningCount(), 2);
  Handler->ExpireAll();
  EXPECT_EQ(Ticks, 2);
  EXPECT_TRUE(timer.Stop());
  EXPECT_FALSE(timer.Stop());
  EXPECT_FALSE(timer.Enabled());
  other.SetEnabled(false);
  EXPECT_TRUE(Handler->WindowTimers.empty());
  EXPECT_EQ(Handler->RunningCount(), 0);

  Handler->RefuseTimers = true;
  EXPECT_FALSE(other.Start());
  EXPECT_FALSE(other.Enabled());
  EXPECT_EQ(Handler->RunningCount(), 0);
}

// Interval 0 never starts a timer; on a running one it holds the ticks with Enabled still set, as
// no event does, and a new interval or event resumes them. A new interval restarts a running
// timer and does not start a stopped one.
TEST_F(SimpleTimerTest, IntervalZeroOrNoEventHoldsARunningTimer) {
  TSimpleTimer timer(Handler, 0, Count);
  EXPECT_FALSE(timer.Start());
  timer.SetInterval(200);
  EXPECT_FALSE(timer.Enabled());
  ASSERT_TRUE(timer.Start());

  timer.SetInterval(0);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(Handler->RunningCount(), 0);
  EXPECT_FALSE(Handler->Timer(timer.Id()));  // a tick still queued changes nothing
  timer.SetInterval(300);
  EXPECT_EQ(Handler->WindowTimers.at(timer.Id()), 300u);
  EXPECT_EQ(Handler->RunningCount(), 1);

  timer.SetOnTimer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(Handler->RunningCount(), 0);
  timer.SetOnTimer(Count);
  Handler->ExpireAll();
  EXPECT_EQ(Ticks, 1);
  timer.Stop();
  timer.SetOnTimer(Count);  // on a stopped timer a new event only waits for the start
  EXPECT_TRUE(Handler->WindowTimers.empty());
}

TEST_F(SimpleTimerTest, OneShotStopsBeforeItsEventWhichMayStartItAgain) {
  TSimpleTimer timer(Handler, 10);
  timer.OneShot = true;
  bool enabledInEvent = true;
  timer.SetOnTimer([&](TSimpleTimer& sender) {
    enabledInEvent = sender.Enabled();
    ++Ticks;
  });
  ASSERT_TRUE(timer.Start());
  EXPECT_TRUE(Handler->Timer(timer.Id()));
  EXPECT_FALSE(enabledInEvent);
  EXPECT_FALSE(Handler->Timer(timer.Id()));  // the second tick of a stopped timer is stale
  EXPECT_EQ(Handler->RunningCount(), 0);

  timer.SetOnTimer([&](TSimpleTimer& sender) {
    ++Ticks;
    sender.Start();
  });
  timer.Start();
  Handler->ExpireAll();
  Handler->ExpireAll();
  EXPECT_EQ(Ticks, 3);
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(SimpleTimerTest, StaleAndForgedIdsRunNothing) {
  auto timer = std::make_unique<TSimpleTimer>(Handler, 10, Count);
  timer->Start();
  const uintptr_t freedId = timer->Id();
  timer.reset();
  EXPECT_EQ(Handler->TimerCount(), 0u);
  TSimpleTimer live(Handler, 10, Count), stopped(Handler, 10, Count);
  live.Start();
  for (uintptr_t id : {freedId, uintptr_t(0), reinterpret_cast<uintptr_t>(&live), live.Id() + 1000, stopped.Id()})
    EXPECT_FALSE(Handler->Timer(id)) << id;
  EXPECT_EQ(Ticks, 0);
  EXPECT_TRUE(Handler->Timer(live.Id()));
  EXPECT_EQ(Ticks, 1);
}

TEST_F(SimpleTimerTest, ATimerMayFreeItselfInItsEventAndHoldsItsHandler) {
  auto* timer = new TSimpleTimer(Handler, 10);
  timer->SetOnTimer([&](TSimpleTimer& sender) {
    ++Ticks;
    delete &sender;
  });
  timer->Start();
  const uintptr_t id = timer->Id();
  EXPECT_TRUE(Handler->Timer(id));
  EXPECT_EQ(Ticks, 1);
  EXPECT_EQ(Handler->TimerCount(), 0u);
  EXPECT_EQ(Handler->RunningCount(), 0);
  EXPECT_FALSE(Handler->Timer(id));

  std::weak_ptr<TFakeTimerHandler> watch = Handler;
  auto held = std::make_unique<TSimpleTimer>(Handler, 10, Count);
  Handler.reset();
  ASSERT_FALSE(watch.expired());
  held->Start();
  held.reset();  // stops its window timer on the way out
  EXPECT_TRUE(watch.expired());
}

}  // namespace
