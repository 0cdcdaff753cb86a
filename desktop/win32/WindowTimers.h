// The process's timer handler on Windows: one hidden window whose window timers run the
// TSimpleTimers. The handler is made with the first timer and freed with the last; its window
// comes when the first timer starts.
#pragma once

#include <windows.h>

#include <memory>

#include "desktop/SimpleTimer.h"

class TWindowTimerHandler : public TSimpleTimerHandler {
 public:
  TWindowTimerHandler();
  ~TWindowTimerHandler() override;
  // The window that receives the WM_TIMER messages; none before the first timer started.
  HWND Handle() const { return FWindow; }

 protected:
  bool SetWindowTimer(uintptr_t id, uint32_t interval) override;
  bool KillWindowTimer(uintptr_t id) override;

 private:
  HWND FWindow = nullptr;
};

// The shared handler; a new one when no timer holds it.
std::shared_ptr<TWindowTimerHandler> AcquireTimerHandler();
