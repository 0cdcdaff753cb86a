#include "app/win32/FCapture.h"

#include <windowsx.h>

TCaptureForm::TCaptureForm(TComponent* owner, const TCaptureImage& desktop) : TForm(owner), FDesktop(desktop) {
  BorderStyle = WS_POPUP;
  StayOnTop = true;
  KeyPreview = true;
  OwnerPaints = true;
  Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS));
  SetBounds(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  OnKeyDown = [this](TComponent&, WORD& key, TShiftState shift) { FormKeyDown(key, shift); };
}

TSelectionRect TCaptureForm::Selection() const { return SelectionBetween(FStart.x, FStart.y, FEnd.x, FEnd.y); }

void TCaptureForm::FormKeyDown(WORD& key, TShiftState) {
  if (key != VK_ESCAPE) return;
  key = 0;
  ModalResult = mrCancel;
}

LRESULT TCaptureForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (msg) {
    case WM_LBUTTONDOWN:
      FormMouseDown(x, y);
      return 0;
    case WM_MOUSEMOVE:
      if (wParam & MK_LBUTTON) FormMouseMove(x, y);
      break;
    case WM_LBUTTONUP:
      FormMouseUp(x, y);
      return 0;
  }
  return TForm::WndProc(msg, wParam, lParam);
}

void TCaptureForm::Paint(TCanvas& canvas) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = FDesktop.Width;
  info.bmiHeader.biHeight = -FDesktop.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  SetDIBitsToDevice(canvas.Handle(), 0, 0, static_cast<DWORD>(FDesktop.Width), static_cast<DWORD>(FDesktop.Height), 0,
                    0, 0, static_cast<UINT>(FDesktop.Height), FDesktop.Pixels.data(), &info, DIB_RGB_COLORS);
  if (FDragging) DrawFrame(canvas.Handle());
}

void TCaptureForm::FormMouseDown(int x, int y) {
  FStart = FEnd = POINT{x, y};
  FDragging = true;
  SetCapture(Handle());
  DrawFrame();
}

void TCaptureForm::FormMouseMove(int x, int y) {
  if (!FDragging) return;
  DrawFrame();
  FEnd = POINT{x, y};
  DrawFrame();
}

void TCaptureForm::FormMouseUp(int x, int y) {
  if (!FDragging) return;
  DrawFrame();
  FDragging = false;
  FEnd = POINT{x, y};
  ReleaseCapture();
  ModalResult = mrOk;
}

void TCaptureForm::DrawFrame() {
  HDC dc = GetDC(Handle());
  DrawFrame(dc);
  ReleaseDC(Handle(), dc);
}

void TCaptureForm::DrawFrame(HDC dc) const {
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(0, 0, 255));
  const int oldMode = SetROP2(dc, R2_NOTXORPEN);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, FStart.x, FStart.y, FEnd.x, FEnd.y);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SetROP2(dc, oldMode);
  DeleteObject(pen);
}

bool SelectCaptureArea(const TCaptureImage& desktop, TSelectionRect& selection) {
  TCaptureForm form(nullptr, desktop);
  if (form.ShowModal() != mrOk) return false;
  selection = form.Selection();
  return true;
}
