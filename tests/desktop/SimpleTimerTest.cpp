// The timer service's bookkeeping over a handler whose window timers the test expires.
#include "desktop/SimpleTimer.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/desktop/FakeTimerHandler.h"

namespace {

class SimpleTimerTest : public testing::Test {
 protected:
  std::shared_ptr<TFakeTimerHandler> Handler = std::make_shared<TFakeTimerHandler>();
  int Ticks = 0;
  TTimerEvent Count = [this](TSimpleTimer&) { ++Ticks; };
};

TEST_F(SimpleTimerTest, RunsWhileStartedAndKeepsTheRunningCount) {
  TSimpleTimer timer(Handler);
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_FALSE(timer.Enabled());
  TSimpleTimer* sender = nullptr;
  timer.SetOnTimer([&](TSimpleTimer& s) {
    sender = &s;
    ++Ticks;
  });

  ASSERT_TRUE(timer.Start());
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(Handler->WindowTimers.at(timer.Id()), 1000u);
  EXPECT_EQ(Handler->RunningCount(), 1);
  Handler->ExpireAll();
  Handler->ExpireAll();
  EXPECT_EQ(Ticks, 2);
  EXPECT_EQ(sender, &timer);

  // Starting a running timer restarts it: still one window timer.
  ASSERT_TRUE(timer.Start());
  EXPECT_EQ(Handler->RunningCount(), 1);

  EXPECT_TRUE(timer.Stop());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(Handler->WindowTimers.empty());
  EXPECT_EQ(Handler->RunningCount(), 0);
  EXPECT_FALSE(timer.Stop());  // nothing left to kill; the count stays at 0
  EXPECT_EQ(Handler->RunningCount(), 0);

  TSimpleTimer other(Handler, 50, Count);
  other.SetEnabled(true);
  timer.SetEnabled(true);
  EXPECT_EQ(Handler->RunningCount(), 2);
  EXPECT_NE(timer.Id(), other.Id());
  EXPECT_EQ(Handler->WindowTimers.at(other.Id()), 50u);
  other.SetEnabled(false);
  EXPECT_EQ(Handler->RunningCount(), 1);
}

TEST_F(SimpleTimerTest, IntervalZeroNeverStartsAndHoldsARunningTimer) {
  TSimpleTimer timer(Handler, 0, Count);
  EXPECT_FALSE(timer.Start());
  timer.SetEnabled(true);
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(Handler->WindowTimers.empty());

  timer.SetInterval(200);
  EXPECT_FALSE(timer.Enabled());  // a new interval does not start a stopped timer
  ASSERT_TRUE(timer.Start());

  // Interval 0: the ticks stop while Enabled still reads true; a new interval resumes them.
  timer.SetInterval(0);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_TRUE(Handler->WindowTimers.empty());
  EXPECT_EQ(Handler->RunningCount(), 0);
  EXPECT_FALSE(Handler->Timer(timer.Id()));  // a tick still queued changes nothing
  EXPECT_EQ(Ticks, 0);

  timer.SetInterval(300);
  EXPECT_EQ(Handler->WindowTimers.at(timer.Id()), 300u);
  EXPECT_EQ(Handler->RunningCount(), 1);
  Handler->ExpireAll();
  EXPECT_EQ(Ticks, 1);

  // A new interval restarts a running timer with it.
  timer.SetInterval(40);
  EXPECT_EQ(Handler->WindowTimers.at(timer.Id()), 40u);
  EXPECT_EQ(Handler->RunningCount(), 1);
}

TEST_F(SimpleTimerTest, NoEventHoldsTheTicksAndANewOneResumesThem) {
  TSimpleTimer timer(Handler, 100, Count);
  ASSERT_TRUE(timer.Start());
  timer.SetOnTimer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_TRUE(Handler->WindowTimers.empty());
  EXPECT_EQ(Handler->RunningCount(), 0);

  timer.SetOnTimer(Count);
  EXPECT_EQ(Handler->RunningCount(), 1);
  Handler->ExpireAll();
  EXPECT_EQ(Ticks, 1);

  // On a stopped timer a new event only waits for the start.
  timer.Stop();
  timer.SetOnTimer(Count);
  EXPECT_TRUE(Handler->WindowTimers.empty());
}

TEST_F(SimpleTimerTest, OneShotStopsBeforeItsEvent) {
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
  EXPECT_EQ(Ticks, 1);
  EXPECT_EQ(Handler->RunningCount(), 0);

  // Its event may start it again.
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
  EXPECT_EQ(Handler->RunningCount(), 0);
  EXPECT_EQ(Handler->TimerCount(), 0u);
  EXPECT_FALSE(Handler->Timer(freedId));

  TSimpleTimer live(Handler, 10, Count);
  live.Start();
  EXPECT_FALSE(Handler->Timer(0));
  EXPECT_FALSE(Handler->Timer(reinterpret_cast<uintptr_t>(&live)));  // an address is no id
  EXPECT_FALSE(Handler->Timer(live.Id() + 1000));
  EXPECT_EQ(Ticks, 0);

  TSimpleTimer stopped(Handler, 10, Count);
  EXPECT_FALSE(Handler->Timer(stopped.Id()));  // live, but not running
  EXPECT_EQ(Ticks, 0);
  EXPECT_TRUE(Handler->Timer(live.Id()));
  EXPECT_EQ(Ticks, 1);
}

TEST_F(SimpleTimerTest, ATimerMayFreeItselfInItsEvent) {
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
}

TEST_F(SimpleTimerTest, ARefusedWindowTimerLeavesTheTimerStopped) {
  TSimpleTimer timer(Handler, 10, Count);
  Handler->RefuseTimers = true;
  EXPECT_FALSE(timer.Start());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(Handler->RunningCount(), 0);
  Handler->RefuseTimers = false;
  EXPECT_TRUE(timer.Start());
}

TEST_F(SimpleTimerTest, TheHandlerLivesWhileATimerHoldsIt) {
  std::weak_ptr<TFakeTimerHandler> watch = Handler;
  auto timer = std::make_unique<TSimpleTimer>(Handler, 10, Count);
  Handler.reset();
  ASSERT_FALSE(watch.expired());
  timer->Start();
  timer.reset();  // stops its window timer on the way out
  EXPECT_TRUE(watch.expired());
}

}  // namespace
