// What a notification-area icon decides without a window: clicks against double clicks, the
// pointer entering and leaving the icon, the image an index shows, and the tip text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "desktop/SimpleTimer.h"

// The left button over the icon. Without a double-click event every button-up after a
// button-down is a click. With one, the button-down starts the click timer with the system's
// double-click time and a click fires only when that time passes without a double click: a
// double click is never also a click.
class TTrayClickTracker {
 public:
  explicit TTrayClickTracker(std::shared_ptr<TSimpleTimerHandler> timers);

  std::function<void()> OnClick;

  void LeftButtonDown(bool wantsDoubleClick, uint32_t doubleClickTime);
  void LeftButtonUp();
  void LeftDoubleClick();

  bool ClickPending() const { return FClickPending; }
  const TSimpleTimer& ClickTimer() const { return FClickTimer; }

 private:
  void ClickTimerTick();

  TSimpleTimer FClickTimer;
  bool FLeftButtonDown = false;
  bool FClickPending = false;
  bool FDoubleClicked = false;
};

struct TTrayPoint {
  int X = 0, Y = 0;
  bool operator==(const TTrayPoint&) const = default;
};

// The shell reports moves over the icon but not the pointer leaving it: the pointer is taken to
// have left when a poll finds it elsewhere than at the last move over the icon.
class TTrayHoverTracker {
 public:
  // A move over the icon; true when the pointer has just entered (only when enter and exit
  // are wanted, as only then does anything notice it leave).
  bool MouseMove(TTrayPoint p, bool wantEnterExit);
  // The pointer is at P now; true when it has just left the icon.
  bool Poll(TTrayPoint p);
  bool Outside() const { return FOutside; }

 private:
  bool FOutside = true;
  TTrayPoint FLast;
};

// The image an icon index shows in a list of Count images: the index clamped to the list;
// nothing for an empty list, whose icon stays as it is.
std::optional<int> ClampIconIndex(int index, int count);
// The index after Index when cycling through Count images: the next one, or 0 after the last.
int NextCycleIndex(int index, int count);
// The icon's tip: at most 127 bytes of Hint, never splitting a UTF-8 character; empty when
// hints are off.
std::string TrayTipText(const std::string& hint, bool showHint);
