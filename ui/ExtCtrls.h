// Panels, images, bevels and window timers.
#pragma once

#include <windows.h>

#include "ui/Controls.h"

// A container that paints its background colour, an optional raised frame and its caption.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  const char* ClassName() const override { return "TPanel"; }
  bool Bevel = false;  // a raised frame

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(TCanvas& canvas) override;
};

// Shows one icon (not owned unless OwnsIcon) at its own size, or at 16 by 16 when that does
// not fit the control.
class TImage : public TWinControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  const char* ClassName() const override { return "TImage"; }
  void SetIcon(HICON icon, bool owns = false);
  HICON Icon() const { return FIcon; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(TCanvas& canvas) override;

 private:
  HICON FIcon = nullptr;
  bool FOwnsIcon = false;
  int FIconSize = 16;
};

// A line across the bottom of its bounds.
class TBevel : public TWinControl {
 public:
  explicit TBevel(TComponent* owner);
  const char* ClassName() const override { return "TBevel"; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(TCanvas& canvas) override;
};

// A window timer on a hidden helper window of its own. It runs from its creation while
// Enabled and Interval allow; OnTimer may free the timer.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  UINT Interval() const { return FInterval; }
  void SetInterval(UINT milliseconds);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  // Stops and starts again: the full interval from now.
  void Restart();
  TNotifyEvent OnTimer;

 private:
  void Update();
  void Timer();
  HWND FWindow = nullptr;
  UINT FInterval = 1000;
  bool FEnabled = true;
};
