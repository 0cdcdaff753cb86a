#include "ui/ExtCtrls.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

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

// --- TGroupBox ---------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  OwnerPaints = true;
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexGroupBox";
  params.Style |= WS_CLIPCHILDREN;
  params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}

int TGroupBox::CaptionHeight() {
  HDC dc = GetDC(nullptr);
  int height = 0;
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    height = canvas.TextHeight("W");
  }
  ReleaseDC(nullptr, dc);
  return height;
}

void TGroupBox::Paint(TCanvas& canvas) {
  const int height = CaptionHeight();
  RECT frame = ClientRect();
  frame.top += height / 2;
  DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
  if (const std::string caption = Caption(); !caption.empty()) {
    canvas.SetFont(Font());
    RECT text{8, 0, 8 + canvas.TextWidth(caption) + 4, height};
    canvas.BrushColor = Color();
    canvas.FillRect(text);
    text.left += 2;
    canvas.DrawText(caption, text, DT_SINGLELINE | DT_NOPREFIX);
  }
}

// --- TRadioGroup --------------------------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent* owner) : TGroupBox(owner) {}

void TRadioGroup::CreateParams(TCreateParams& params) {
  TGroupBox::CreateParams(params);
  params.WinClassName = "TLorvexRadioGroup";
}

void TRadioGroup::describe(TPropertyVisitor& visitor) {
  TGroupBox::describe(visitor);
  // Taken as they come; Loaded makes the buttons and chooses the item.
  visitor.Strings("Items", FItems);
  visitor.Integer("ItemIndex", FItemIndex);
}

void TRadioGroup::Loaded() { SetItems(FItems); }

void TRadioGroup::SetItems(const TStringList& items) {
  for (TRadioButton* button : FButtons) delete button;
  FButtons.clear();
  FItems = items;
  for (size_t i = 0; i < FItems.size(); ++i) {
    auto* button = new TRadioButton(this);
    button->TabStop = i == 0;
    button->SetCaption(FItems[i]);
    button->OnClick = [this, i](TComponent&) {
      FItemIndex = static_cast<int>(i);
      if (OnClick) OnClick(*this);
    };
    FButtons.push_back(button);
  }
  ArrangeButtons();
  for (TRadioButton* button : FButtons) button->SetParent(this);
  SetItemIndex(FItemIndex);
}

void TRadioGroup::SetItemIndex(int index) {
  FItemIndex = std::clamp(index, -1, static_cast<int>(FButtons.size()) - 1);
  for (size_t i = 0; i < FButtons.size(); ++i) FButtons[i]->SetChecked(static_cast<int>(i) == FItemIndex);
}

// The buttons share the room below the caption evenly, one under the other.
void TRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) return;
  const int top = CaptionHeight() + 2;
  const int step = std::max(0, ClientHeight() - top - 4) / static_cast<int>(FButtons.size());
  for (size_t i = 0; i < FButtons.size(); ++i)
    FButtons[i]->SetBounds(8, top + static_cast<int>(i) * step, std::max(0, ClientWidth() - 16), step);
}

LRESULT TRadioGroup::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZE) ArrangeButtons();
  return TGroupBox::WndProc(msg, wParam, lParam);
}

// --- TSplitter ----------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TWinControl(owner) {
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
}

void TSplitter::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexSplitter";
  params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}

TWinControl* TSplitter::FindControl() {
  if (!Parent()) return nullptr;
  POINT probe{Left(), Top()};
  switch (Align()) {
    case alLeft:
      --probe.x;
      break;
    case alRight:
      probe.x += Width();
      break;
    case alTop:
      --probe.y;
      break;
    case alBottom:
      probe.y += Height();
      break;
    default:
      return nullptr;
  }
  const bool before = Align() == alLeft || Align() == alTop;  // the control lies before the bar
  for (TWinControl* control : Parent()->Controls()) {
    if (control == this || !control->Visible() || !control->Enabled()) continue;
    RECT r{control->Left(), control->Top(), control->Left() + control->Width(), control->Top() + control->Height()};
    // A collapsed control reaches one pixel out, towards the probe.
    if (r.right == r.left) {
      if (before)
        --r.left;
      else
        ++r.right;
    }
    if (r.bottom == r.top) {
      if (before)
        --r.top;
      else
        ++r.bottom;
    }
    if (PtInRect(&r, probe)) return control;
  }
  return nullptr;
}

void TSplitter::StartDrag(POINT screenPoint) {
  FControl = FindControl();
  if (!FControl) return;
  FDownPoint = screenPoint;
  FDownSize = Sideways() ? FControl->Width() : FControl->Height();
  // The bar stops at the far edge of the parent.
  const RECT client = Parent()->ClientRect();
  int room = 0;
  switch (Align()) {
    case alLeft:
      room = client.right - (Left() + Width());
      break;
    case alRight:
      room = Left() - client.left;
      break;
    case alTop:
      room = client.bottom - (Top() + Height());
      break;
    default:
      room = Top() - client.top;
      break;
  }
  FMaxSize = FDownSize + std::max(0, room);
  SetCapture(FHandle);
}

void TSplitter::DragTo(POINT screenPoint) {
  const int moved = Sideways() ? screenPoint.x - FDownPoint.x : screenPoint.y - FDownPoint.y;
  const bool before = Align() == alLeft || Align() == alTop;
  const int size = std::clamp(FDownSize + (before ? moved : -moved), 0, FMaxSize);
  if (Sideways())
    FControl->SetWidth(size);
  else
    FControl->SetHeight(size);
}

LRESULT TSplitter::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  POINT screenPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_SETCURSOR:
      if (!ScreenCursor() && !Cursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(Sideways() ? IDC_SIZEWE : IDC_SIZENS)));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      ClientToScreen(FHandle, &screenPoint);
      StartDrag(screenPoint);
      return 0;
    case WM_MOUSEMOVE:
      if (Dragging()) {
        ClientToScreen(FHandle, &screenPoint);
        DragTo(screenPoint);
      }
      break;
    case WM_LBUTTONUP:
      if (Dragging()) {
        ClientToScreen(FHandle, &screenPoint);
        DragTo(screenPoint);
        FControl = nullptr;
        ReleaseCapture();
      }
      break;
    case WM_CAPTURECHANGED:
      FControl = nullptr;
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

// --- TTimer -------------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner, bool enabled) : TComponent(owner), FEnabled(enabled) { Update(); }

TTimer::~TTimer() {
  if (!FWindow) return;
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
  if (FWindow) KillTimer(FWindow, TimerId);
  if (!FEnabled || FInterval == 0) return;
  // The window comes with the first start: a window costs start-up time, and a timer that is
  // created stopped may never run.
  if (!FWindow)
    FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg == WM_TIMER && wParam == TimerId) {
        Timer();  // may free this timer: nothing after it
        return 0;
      }
      return DefWindowProcA(wnd, msg, wParam, lParam);
    });
  SetTimer(FWindow, TimerId, FInterval, nullptr);
}

void TTimer::Timer() {
  // A copy: the handler may free the timer and with it OnTimer.
  const TNotifyEvent handler = OnTimer;
  if (handler) handler(*this);
}
