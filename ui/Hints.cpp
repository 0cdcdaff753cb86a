#include "ui/Hints.h"

#include <algorithm>
#include <vector>

namespace {

// Space between the frame and the text.
constexpr int PaddingX = 4;
constexpr int PaddingY = 2;
constexpr UINT TextFlags = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS;

// The frame around the client area of a window with these styles.
RECT FrameOf(DWORD style, DWORD exStyle) {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return frame;
}

}  // namespace

THintWindow::THintWindow(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);  // shown only by ActivateHint
  OwnerPaints = true;
  SetColor(clInfoBk);
  TFont font = Font();
  font.Color = clInfoText;
  SetFont(font);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexHint";
  params.Style = WS_POPUP | WS_BORDER;
  // Layered and transparent: the system passes the mouse through to the window below (a
  // transparent hit test alone reaches only windows of the same top-level window under Wine).
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT;
  params.ClassStyle = CS_SAVEBITS | CS_DROPSHADOW;
}

void THintWindow::CreateWindowHandle() {
  SetLayeredWindowAttributes(FHandle, 0, 255, LWA_ALPHA);  // fully opaque; drawn as any window
}

RECT THintWindow::CalcHintRect(int maxWidth, const std::string& text) {
  TCreateParams params;
  CreateParams(params);
  const RECT frame = FrameOf(params.Style, params.ExStyle);
  const int extraWidth = 2 * PaddingX + (frame.right - frame.left);
  RECT r{0, 0, std::max(1, maxWidth - extraWidth), 0};
  HDC dc = GetDC(nullptr);
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    canvas.DrawText(text, r, TextFlags | DT_CALCRECT);
  }
  ReleaseDC(nullptr, dc);
  return RECT{0, 0, r.right + extraWidth, r.bottom + 2 * PaddingY + (frame.bottom - frame.top)};
}

void THintWindow::ActivateHint(RECT screenRect, const std::string& text) {
  // Onto the work area of the monitor it is on: shifted, not shrunk.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoA(MonitorFromRect(&screenRect, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    OffsetRect(&screenRect, std::min(0L, work.right - screenRect.right), std::min(0L, work.bottom - screenRect.bottom));
    OffsetRect(&screenRect, std::max(0L, work.left - screenRect.left), std::max(0L, work.top - screenRect.top));
  }
  SetCaption(text);
  SetWindowPos(Handle(), HWND_TOPMOST, screenRect.left, screenRect.top, screenRect.right - screenRect.left,
               screenRect.bottom - screenRect.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  Invalidate();
}

void THintWindow::ReleaseHandle() {
  if (HandleAllocated()) ShowWindow(FHandle, SW_HIDE);
}

bool THintWindow::Showing() const { return FHandle && IsWindowVisible(FHandle); }

LRESULT THintWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // the mouse goes to the window below
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

void THintWindow::Paint(TCanvas& canvas) {
  RECT r = ClientRect();
  InflateRect(&r, -PaddingX, -PaddingY);
  canvas.SetFont(Font());
  canvas.DrawText(Caption(), r, TextFlags);
}

int CursorHeightMargin() {
  const int fallback = GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  HCURSOR cursor = GetCursor();
  ICONINFO info{};
  if (!cursor || !GetIconInfo(cursor, &info)) return fallback;
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof(mask), &mask);
  // A monochrome pointer keeps its AND mask above its XOR mask in one bitmap.
  const bool monochrome = info.hbmColor == nullptr;
  const int height = monochrome ? mask.bmHeight / 2 : mask.bmHeight;
  const int stride = (mask.bmWidth + 31) / 32 * 4;
  const int rowBytes = (mask.bmWidth + 7) / 8;
  std::vector<BYTE> bits(static_cast<size_t>(stride) * std::max(0L, mask.bmHeight));
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } format{};
  format.header.biSize = sizeof(format.header);
  format.header.biWidth = mask.bmWidth;
  format.header.biHeight = -mask.bmHeight;  // top row first
  format.header.biPlanes = 1;
  format.header.biBitCount = 1;
  HDC dc = GetDC(nullptr);
  const int rows = bits.empty() ? 0
                                : GetDIBits(dc, info.hbmMask, 0, static_cast<UINT>(mask.bmHeight), bits.data(),
                                            reinterpret_cast<BITMAPINFO*>(&format), DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  if (rows <= 0) return fallback;

  // The lowest row with a visible pixel: clear in the AND mask, or set in the XOR mask.
  int bottom = 0;
  for (int y = 0; y < height; ++y) {
    const BYTE* andRow = &bits[static_cast<size_t>(y) * stride];
    const BYTE* xorRow = monochrome ? &bits[static_cast<size_t>(y + height) * stride] : nullptr;
    for (int x = 0; x < rowBytes; ++x) {
      if (andRow[x] != 0xFF || (xorRow && xorRow[x] != 0)) {
        bottom = y + 1;
        break;
      }
    }
  }
  const int margin = bottom - static_cast<int>(info.yHotspot);
  return margin > 0 ? margin : fallback;
}
