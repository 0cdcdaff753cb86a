#include "desktop/win32/WindowTimers.h"

#include "ui/Forms.h"

TWindowTimerHandler::TWindowTimerHandler() {
  FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == WM_TIMER) {
      // The id is looked up among the live timers: an unknown one is ignored.
      Timer(static_cast<uintptr_t>(wParam));  // may free this handler: nothing after it
      return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
  });
}

TWindowTimerHandler::~TWindowTimerHandler() { Application().DeallocateHWnd(FWindow); }

bool TWindowTimerHandler::SetWindowTimer(uintptr_t id, uint32_t interval) {
  return SetTimer(FWindow, id, interval, nullptr) != 0;
}

bool TWindowTimerHandler::KillWindowTimer(uintptr_t id) { return KillTimer(FWindow, id) != 0; }

std::shared_ptr<TWindowTimerHandler> AcquireTimerHandler() {
  static std::weak_ptr<TWindowTimerHandler> shared;
  std::shared_ptr<TWindowTimerHandler> handler = shared.lock();
  if (!handler) {
    handler = std::make_shared<TWindowTimerHandler>();
    shared = handler;
  }
  return handler;
}
