#include "app/win32/DialogButtons.h"

#include "core/Persistent.h"
#include "ui/qmMsgBox.h"

namespace {

constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 27;
constexpr int ButtonGap = 10;
constexpr int ArrowSize = 16;

// The arrows' pictures, drawn once in the buttons' text colour: a triangle 11 pixels wide with
// its tip up or down.
HICON ArrowGlyph(bool up) {
  const auto draw = [](bool pointsUp) {
    return DrawGlyph(ArrowSize, GetSysColor(COLOR_BTNTEXT), [pointsUp](TCanvas& canvas, TColor ink) {
      const int cx = ArrowSize / 2, cy = ArrowSize / 2, half = 5;
      const int tip = pointsUp ? cy - 3 : cy + 3, base = pointsUp ? cy + 2 : cy - 2;
      const POINT arrow[3] = {{cx - half, base}, {cx + half, base}, {cx, tip}};
      canvas.Polygon(arrow, ink);
    });
  };
  static const HICON upArrow = draw(true), downArrow = draw(false);
  return up ? upArrow : downArrow;
}

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

std::pair<TBitBtn*, TBitBtn*> AddMoveButtons(TForm& form, TWinControl& parent, int left, int top) {
  auto arrow = [&](bool up, const char* hint, int at) {
    auto* button = new TArrowButton(&form, up);
    button->Hint = hint;
    button->SetBounds(at, top, 27, 27);
    button->SetParent(&parent);
    return button;
  };
  TBitBtn* down = arrow(false, "Move down", left);
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

TArrowButton::TArrowButton(TComponent* owner, bool up) : TBitBtn(owner) { SetGlyph(ArrowGlyph(up)); }
