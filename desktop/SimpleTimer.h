// Small timers over the platform's window timers. The timers of a process share one handler
// (one hidden window on Windows); each timer has an id of its own there, and an expiring window
// timer runs the live timer with that id. An id that names no running timer (a stale message
// of a timer stopped or freed, or a forged one) runs nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class TSimpleTimer;

using TTimerEvent = std::function<void(TSimpleTimer& sender)>;

// The timers' shared bookkeeping: the live timers by id and how many window timers run. The
// platform supplies the window timers themselves.
class TSimpleTimerHandler {
 public:
  TSimpleTimerHandler() = default;
  virtual ~TSimpleTimerHandler() = default;
  TSimpleTimerHandler(const TSimpleTimerHandler&) = delete;
  TSimpleTimerHandler& operator=(const TSimpleTimerHandler&) = delete;

  // A window timer expired: its timer runs (a one-shot timer stops first). False when the id
  // names no running timer; then nothing happens.
  bool Timer(uintptr_t id);

  int RunningCount() const { return FRunning; }
  size_t TimerCount() const { return FTimers.size(); }

 protected:
  // Starts (or restarts) the window timer with this id; false when the system refuses.
  virtual bool SetWindowTimer(uintptr_t id, uint32_t interval) = 0;
  // Kills it; false when there was none.
  virtual bool KillWindowTimer(uintptr_t id) = 0;

 private:
  friend class TSimpleTimer;
  uintptr_t Add(TSimpleTimer* timer);
  void Remove(uintptr_t id);

  std::map<uintptr_t, TSimpleTimer*> FTimers;
  uintptr_t FNextId = 1;
  int FRunning = 0;
};

// A timer that calls OnTimer every Interval milliseconds while it runs; OnTimer may free it.
class TSimpleTimer {
 public:
  explicit TSimpleTimer(std::shared_ptr<TSimpleTimerHandler> handler, uint32_t interval = 1000,
                        TTimerEvent onTimer = {});
  ~TSimpleTimer();
  TSimpleTimer(const TSimpleTimer&) = delete;
  TSimpleTimer& operator=(const TSimpleTimer&) = delete;

  // Starts afresh (a running timer is stopped first). Interval 0 changes nothing; false then and
  // when the system refuses the window timer.
  bool Start();
  // Kills the window timer, and clears Enabled when asked; answers whether a window timer was killed.
  bool Stop(bool clearEnabled = true);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // While Enabled, a new interval restarts the timer; 0 holds the ticks with Enabled still set,
  // and a later non-zero interval resumes them.
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t value);
  // While Enabled, no event holds the ticks and a new event resumes them.
  const TTimerEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TTimerEvent value);

  // Stops the timer before its first tick runs.
  bool OneShot = false;

  uintptr_t Id() const { return FId; }
  // A window timer runs for this timer.
  bool Ticking() const { return FTicking; }

 private:
  friend class TSimpleTimerHandler;
  void Tick();

  std::shared_ptr<TSimpleTimerHandler> FHandler;
  uintptr_t FId;
  bool FEnabled = false;
  bool FTicking = false;
  uint32_t FInterval;
  TTimerEvent FOnTimer;
};
