// The selection form of the screen capture: the frozen picture of the desktop over the whole
// primary screen, on which the user drags a rectangle; Esc cancels.
#pragma once

#include "sources/SearchSystem.h"
#include "ui/Forms.h"

class TCaptureForm : public TForm {
 public:
  TCaptureForm(TComponent* owner, const TCaptureImage& desktop);
  const char* ClassName() const override { return "TCaptureForm"; }

  // The dragged rectangle, in the picture's pixels.
  TSelectionRect Selection() const;

  void FormKeyDown(WORD& key, TShiftState shift);

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& canvas) override;

 private:
  void FormMouseDown(int x, int y);
  void FormMouseMove(int x, int y);
  void FormMouseUp(int x, int y);
  // The frame from the start point to the end point, inverting what is below: drawn twice it is gone.
  void DrawFrame(HDC dc) const;
  void DrawFrame();

  const TCaptureImage& FDesktop;
  POINT FStart{};
  POINT FEnd{};
  bool FDragging = false;
};

// Shows the form over Desktop; false when the user cancelled, else the dragged rectangle.
bool SelectCaptureArea(const TCaptureImage& desktop, TSelectionRect& selection);
