#include "desktop/win32/WindowTimers.h"

#include "ui/Forms.h"

TWindowTimerHandler::TWindowTimerHandler() = default;

TWindowTimerHandler::~TWindowTimerHandler() {
  if (FWindow) Application().DeallocateHWnd(FWindow);
}

// The window comes with the first timer that starts: the tray icon and the run groups make
// their timers at start-up, and most of them never run.
bool TWindowTimerHandler::SetWindowTimer(uintptr_t id, uint32_t interval) {
  if (!FWindow)
    FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg == WM_TIMER) {
        // The id is looked up among the live timers: an unknown one is ignored.
        Timer(static_cast<uintptr_t>(wParam));  // may free this handler: nothing after it
        return 0;
      }
      return DefWindowProcA(wnd, msg, wParam, lParam);
    });
  return SetTimer(FWindow, id, interval, nullptr) != 0;
}

bool TWindowTimerHandler::KillWindowTimer(uintptr_t id) { return FWindow && KillTimer(FWindow, id) != 0; }

std::shared_ptr<TWindowTimerHandler> AcquireTimerHandler() {
  static std::weak_ptr<TWindowTimerHandler> shared;
  std::shared_ptr<TWindowTimerHandler> handler = shared.lock();
  if (!handler) {
    handler = std::make_shared<TWindowTimerHandler>();
    shared = handler;
  }
  return handler;
}
