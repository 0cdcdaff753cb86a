#include "ui/ExtCtrls.h"

#include <algorithm>

#include "ui/Forms.h"

namespace {

constexpr UINT_PTR TimerId = 1;

// The width of an icon's own picture.
int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

}  // namespace

// --- TPanel -------------------------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  OwnerPaints = true;
  SetBounds(0, 0, 185, 41);
}

void TPanel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexPanel";
  params.Style |= WS_CLIPCHILDREN;
  params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;  // the frame and the centred caption move with the size
}

void TPanel::Paint(TCanvas& canvas) {
  RECT r = ClientRect();
  if (Bevel) DrawEdge(canvas.Handle(), &r, BDR_RAISEDINNER, BF_RECT);
  if (const std::string caption = Caption(); !caption.empty()) {
    canvas.SetFont(Font());
    canvas.DrawText(caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

// --- TImage -------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TWinControl(owner) {
  OwnerPaints = true;
  SetBounds(0, 0, 32, 32);
}

TImage::~TImage() {
  if (FOwnsIcon && FIcon) DestroyIcon(FIcon);
}

void TImage::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexImage";
}

void TImage::SetIcon(HICON icon, bool owns) {
  if (FOwnsIcon && FIcon && FIcon != icon) DestroyIcon(FIcon);
  FIcon = icon;
  FOwnsIcon = owns && icon;
  const int width = IconWidth(icon);
  FIconSize = width > 0 ? width : 16;
  Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  if (!FIcon) return;
  const int size = FIconSize <= std::min(Width(), Height()) ? FIconSize : 16;
  canvas.DrawIcon(0, 0, FIcon, size);
}

// --- TBevel -------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TWinControl(owner) {
  OwnerPaints = true;
  SetBounds(0, 0, 50, 50);
}

void TBevel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexBevel";
  params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}

void TBevel::Paint(TCanvas& canvas) {
  // An etched line: shadow, then highlight below it.
  const RECT client = ClientRect();
  RECT line{client.left, client.bottom - 2, client.right, client.bottom};
  DrawEdge(canvas.Handle(), &line, EDGE_ETCHED, BF_TOP);
}

// --- TTimer -------------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == WM_TIMER && wParam == TimerId) {
      Timer();  // may free this timer: nothing after it
      return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
  });
  Update();
}

TTimer::~TTimer() {
  KillTimer(FWindow, TimerId);
  Application().DeallocateHWnd(FWindow);
}

void TTimer::SetInterval(UINT milliseconds) {
  FInterval = milliseconds;
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  FEnabled = enabled;
  Update();
}

void TTimer::Restart() { Update(); }

void TTimer::Update() {
  KillTimer(FWindow, TimerId);
  if (FEnabled && FInterval > 0) SetTimer(FWindow, TimerId, FInterval, nullptr);
}

void TTimer::Timer() {
  // A copy: the handler may free the timer and with it OnTimer.
  const TNotifyEvent handler = OnTimer;
  if (handler) handler(*this);
}
