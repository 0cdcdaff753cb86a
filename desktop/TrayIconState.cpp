#include "desktop/TrayIconState.h"

#include <utility>

#include "core/Unicode.h"

// --- TTrayClickTracker --------------------------------------------------------------------

TTrayClickTracker::TTrayClickTracker(std::shared_ptr<TSimpleTimerHandler> timers)
    : FClickTimer(std::move(timers), 1000, [this](TSimpleTimer&) { ClickTimerTick(); }) {}

void TTrayClickTracker::LeftButtonDown(bool wantsDoubleClick, uint32_t doubleClickTime) {
  if (wantsDoubleClick) {
    FClickTimer.SetInterval(doubleClickTime);
    FClickTimer.Start();
  }
  FLeftButtonDown = true;
}

void TTrayClickTracker::LeftButtonUp() {
  if (!FLeftButtonDown) return;
  FLeftButtonDown = false;
  FClickPending = true;
  if (FClickTimer.Enabled()) return;  // the timer decides
  FClickPending = false;
  if (OnClick) OnClick();
}

void TTrayClickTracker::LeftDoubleClick() {
  FClickPending = false;
  // It matters only to a click the timer waits for: kept longer, it would swallow a click
  // made long after, once the icon wants double clicks.
  FDoubleClicked = FClickTimer.Enabled();
}

void TTrayClickTracker::ClickTimerTick() {
  FClickTimer.Stop();
  const bool click = FClickPending && !FDoubleClicked;
  FClickPending = false;
  FDoubleClicked = false;
  if (click && OnClick) OnClick();
}

// --- TTrayHoverTracker --------------------------------------------------------------------

bool TTrayHoverTracker::MouseMove(TTrayPoint p, bool wantEnterExit) {
  FLast = p;
  if (!wantEnterExit || !FOutside) return false;
  FOutside = false;
  return true;
}

bool TTrayHoverTracker::Poll(TTrayPoint p) {
  if (FOutside || p == FLast) return false;
  FOutside = true;
  return true;
}

// --- Images and tips ----------------------------------------------------------------------

std::optional<int> ClampIconIndex(int index, int count) {
  if (count <= 0) return std::nullopt;
  if (index < 0) return 0;
  return index < count ? index : count - 1;
}

int NextCycleIndex(int index, int count) { return index + 1 < count ? index + 1 : 0; }

std::string TrayTipText(const std::string& hint, bool showHint) {
  constexpr size_t MaxTip = 127;  // the shell's field holds 128 bytes with the terminator
  if (!showHint || hint.empty()) return {};
  return hint.substr(0, Utf8Cut(hint, MaxTip));
}
