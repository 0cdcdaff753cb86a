// The OK and Cancel buttons every dialog of the program ends with.
#pragma once

#include <string>
#include <utility>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

// OK (the default button: Enter) and Cancel (Esc, closing with mrCancel) side by side on
// Parent, the pair ending at Right; answers them in that order. OK closes the form with
// OkResult; mrNone leaves that to its OnClick (a dialog that checks its input first).
std::pair<TButton*, TButton*> AddOkCancel(TForm& form, TWinControl& parent, int top, int right, int okResult = mrOk);

// A button of the dialogs' height on Parent, owned by Form.
TButton* NewButton(TForm& form, TWinControl& parent, const std::string& caption, int left, int top, int width = 75);

// A button that shows an arrow, up or down (moving a list's row).
class TArrowButton : public TSpeedButton {
 public:
  TArrowButton(TComponent* owner, bool up) : TSpeedButton(owner), FUp(up) { Flat = false; }

 protected:
  void Paint(TCanvas& canvas) override;

 private:
  bool FUp;
};
