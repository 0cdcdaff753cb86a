// A timer handler without a window: the test expires the window timers itself.
#pragma once

#include <map>
#include <vector>

#include "desktop/SimpleTimer.h"

class TFakeTimerHandler : public TSimpleTimerHandler {
 public:
  std::map<uintptr_t, uint32_t> WindowTimers;  // the running window timers, with their intervals
  bool RefuseTimers = false;                   // the system has no timers left

  // Every running window timer expires once, as after the longest interval.
  void ExpireAll() {
    std::vector<uintptr_t> ids;
    for (const auto& [id, interval] : WindowTimers) ids.push_back(id);
    for (uintptr_t id : ids) Timer(id);
  }

 protected:
  bool SetWindowTimer(uintptr_t id, uint32_t interval) override {
    if (RefuseTimers) return false;
    WindowTimers[id] = interval;
    return true;
  }
  bool KillWindowTimer(uintptr_t id) override { return WindowTimers.erase(id) > 0; }
};
