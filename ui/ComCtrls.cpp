#include "ui/ComCtrls.h"

#include <commctrl.h>

namespace {

// Registers the common-control window classes of the framework (bars, list views), once.
void InitCommonControlClasses() {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  (void)initialised;
}

}  // namespace

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

void TStatusBar::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  params.WinClassName = STATUSCLASSNAMEA;
  params.SystemClass = true;
  // Our alignment places the bar; it must not move or size itself.
  params.Style |= SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE;
}

void TStatusBar::CreateWindowHandle() { UpdateParts(); }

void TStatusBar::UpdateParts() {
  if (!HandleAllocated()) return;
  // The one panel is also the last, and a status bar's last panel reaches its right end.
  int right = -1;
  SendMessageA(FHandle, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
  SendMessageA(FHandle, SB_SETTEXTA, 0 | SBT_OWNERDRAW, 0);
}

void TStatusBar::SetPanelWidth(int width) {
  PanelWidth = width;
  UpdateParts();
}

void TStatusBar::SetSimpleText(const std::string& text) {
  if (text == FSimpleText) return;
  FSimpleText = text;
  Invalidate();
}

LRESULT TStatusBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZE) {
    // A bar that does not size itself does not lay out its parts on WM_SIZE either.
    const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
    UpdateParts();
    return result;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

bool TStatusBar::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg != WM_DRAWITEM) return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  TCanvas canvas(item.hDC);
  canvas.SetFont(Font());
  canvas.BrushColor = Color();
  if (OnDrawPanel) {
    OnDrawPanel(*this, item.rcItem, canvas);
  } else {
    RECT r = item.rcItem;
    r.left += 2;
    canvas.DrawText(FSimpleText, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  result = TRUE;
  return true;
}
