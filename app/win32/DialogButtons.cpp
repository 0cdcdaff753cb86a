#include "app/win32/DialogButtons.h"

namespace {

constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 27;
constexpr int ButtonGap = 10;

TButton* AddButton(TForm& form, TWinControl& parent, const char* caption, int left, int top, int result) {
  auto* button = new TButton(&form);
  button->SetCaption(caption);
  button->TabStop = true;
  button->ModalResult = result;
  button->SetBounds(left, top, ButtonWidth, ButtonHeight);
  button->SetParent(&parent);
  return button;
}

}  // namespace

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
