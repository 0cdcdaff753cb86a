// Panels, images, bevels, radio groups, splitters and window timers.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/Controls.h"

class TRadioButton;

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

// An etched frame with its caption in the top edge, around the controls placed on it.
class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);
  const char* ClassName() const override { return "TGroupBox"; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(TCanvas& canvas) override;
  // The height of a line of the caption's font.
  int CaptionHeight();
};

// A framed group of radio buttons, one for each item, of which at most one is chosen.
class TRadioGroup : public TGroupBox {
 public:
  explicit TRadioGroup(TComponent* owner);
  const char* ClassName() const override { return "TRadioGroup"; }
  void describe(TPropertyVisitor& visitor) override;
  // Makes the buttons of the items component text gave.
  void Loaded() override;

  const TStringList& Items() const { return FItems; }
  // One new button for each item; the chosen index stays when there are still as many items.
  void SetItems(const TStringList& items);
  int ItemIndex() const { return FItemIndex; }  // -1: none is chosen
  // Chooses an item without running OnClick; below -1 means none, beyond the items the last.
  void SetItemIndex(int index);
  // OnClick: the user chose an item.

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ArrangeButtons();
  TStringList FItems;
  std::vector<TRadioButton*> FButtons;
  int FItemIndex = -1;
};

// A bar beside an aligned control: dragging the bar resizes that control. Over the bar the
// pointer is a sizing arrow unless Cursor says otherwise.
class TSplitter : public TWinControl {
 public:
  explicit TSplitter(TComponent* owner);
  const char* ClassName() const override { return "TSplitter"; }

  // The control the splitter sizes: the first visible, enabled control of the parent at the
  // point just outside the splitter's aligned side (a control of no width or height counts when
  // it touches that point); nullptr without one or when the splitter is not aligned to a side.
  TWinControl* FindControl();

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool Dragging() const { return FControl != nullptr; }
  bool Sideways() const { return Align() == alLeft || Align() == alRight; }  // sizes widths

 private:
  void StartDrag(POINT screenPoint);
  void DragTo(POINT screenPoint);
  TWinControl* FControl = nullptr;  // being sized by a drag
  POINT FDownPoint{};
  int FDownSize = 0;
  int FMaxSize = 0;
};

// A window timer on a hidden helper window of its own. It runs from its creation while
// Enabled and Interval allow; OnTimer may free the timer.
class TTimer : public TComponent {
 public:
  // Created running unless told otherwise.
  explicit TTimer(TComponent* owner, bool enabled = true);
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
