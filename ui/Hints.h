// The tool-tip window that shows a control's Hint, and what the application's show-hint event
// gets to adjust.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Controls.h"

// A framed popup in the tool-tip colours that never takes the activation or the mouse: the
// pointer moving over it still moves over the control below.
class THintWindow : public TWinControl {
 public:
  explicit THintWindow(TComponent* owner);
  const char* ClassName() const override { return "THintWindow"; }

  // The window's rectangle, at 0,0, for Text wrapped to fit MaxWidth pixels.
  RECT CalcHintRect(int maxWidth, const std::string& text);
  // Shows Text in ScreenRect, moved onto the screen where it would leave it, without
  // activating; a shown hint is moved and its text replaced.
  void ActivateHint(RECT screenRect, const std::string& text);
  // Hides the window.
  void ReleaseHandle();
  bool Showing() const;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& canvas) override;
};

// What the application's show-hint event may change before a hint shows.
struct THintInfo {
  TWinControl* HintControl;
  POINT CursorPos;   // the pointer, in the control's client coordinates
  int HintMaxWidth;  // the text wraps to fit this width
  POINT HintPos;     // the hint window's top left corner on the screen
  RECT CursorRect;   // in client coordinates: the hint stays while the pointer is inside
  THintWindow* HintWindow;
};

// Pixels from the pointer's hot spot down to the bottom of its picture.
int CursorHeightMargin();
