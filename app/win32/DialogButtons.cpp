#include "app/win32/DialogButtons.h"

#include "core/Persistent.h"
#include "ui/qmMsgBox.h"

namespace {

constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 27;
constexpr int ButtonGap = 10;

TButton* AddButton(TForm& form, TWinControl& parent, const char* caption, int left, int top, int result) {
  TButton* button = NewButton(form, parent, caption, left, top, ButtonWidth);
  button->ModalResult = result;
  return button;
}

}  // namespace

void SetDialogFrame(TForm& form, int width, int height, TPosition position) {
  form.BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  form.Position = position;
  form.SetClientSize(width, height);
}

TPanel* AddBottomPanel(TForm& form, int height) {
  auto* panel = new TPanel(&form);
  panel->SetHeight(height);
  panel->SetAlign(alBottom);
  panel->SetParent(&form);
  return panel;
}

TButton* NewButton(TForm& form, TWinControl& parent, const std::string& caption, int left, int top, int width) {
  auto* button = new TButton(&form);
  button->SetCaption(caption);
  button->TabStop = true;
  button->SetBounds(left, top, width, ButtonHeight);
  button->SetParent(&parent);
  return button;
}

std::pair<TButton*, TButton*> AddOkCancel(TForm& form, TWinControl& parent, int top, int right, int okResult) {
  const int cancelLeft = right - ButtonWidth;
  TButton* ok = AddButton(form, parent, "OK", cancelLeft - ButtonGap - ButtonWidth, top, okResult);
  TButton* cancel = AddButton(form, parent, "Cancel", cancelLeft, top, mrCancel);
  ok->SetDefault(true);
  cancel->Cancel = true;
  form.DefaultButton = ok;
  form.CancelButton = cancel;
  return {ok, cancel};
}

TLabel* AddFocusLabel(TForm& form, const std::string& caption, int left, int top, int width, TWinControl* focus) {
  auto* label = new TLabel(&form);
  label->SetCaption(caption);
  label->SetBounds(left, top, width, 16);
  label->SetParent(&form);
  label->FocusControl = focus;
  label->OnClick = [focus](TComponent&) { focus->SetFocus(); };
  return label;
}

std::tuple<TButton*, TButton*, TButton*> AddEditButtons(TForm& form, TWinControl& parent, int left, int top) {
  return {NewButton(form, parent, "&Add", left, top), NewButton(form, parent, "&Edit", left + 81, top),
          NewButton(form, parent, "&Delete", left + 162, top)};
}

std::pair<TSpeedButton*, TSpeedButton*> AddMoveButtons(TForm& form, TWinControl& parent, int left, int top) {
  auto arrow = [&](bool up, const char* hint, int at) {
    auto* button = new TArrowButton(&form, up);
    button->Hint = hint;
    button->SetBounds(at, top, 27, 27);
    button->SetParent(&parent);
    return button;
  };
  TSpeedButton* down = arrow(false, "Move down", left);
  return {down, arrow(true, "Move up", left + 30)};
}

bool TellFileError(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const EInOutError& e) {
    ShowError(e.Message());
    return false;
  }
}

void TArrowButton::Paint(TCanvas& canvas) {
  TSpeedButton::Paint(canvas);
  const RECT r = ClientRect();
  const int cx = r.right / 2, cy = r.bottom / 2, half = 5;
  const int tip = FUp ? cy - 3 : cy + 3, base = FUp ? cy + 2 : cy - 2;
  const POINT arrow[3] = {{cx - half, base}, {cx + half, base}, {cx, tip}};
  const COLORREF color = GetSysColor(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldBrush = SelectObject(canvas.Handle(), brush);
  HGDIOBJ oldPen = SelectObject(canvas.Handle(), pen);
  Polygon(canvas.Handle(), arrow, 3);
  SelectObject(canvas.Handle(), oldPen);
  SelectObject(canvas.Handle(), oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}
