// What the program's dialogs share: their frame, the OK and Cancel buttons every dialog ends
// with, the buttons that edit a list's rows, and the telling of a file they cannot read or write.
#pragma once

#include <functional>
#include <string>
#include <tuple>
#include <utility>

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

// A dialog's frame: a caption bar with the system menu and a border that does not size, and a
// client area of Width by Height.
void SetDialogFrame(TForm& form, int width, int height, TPosition position = poScreenCenter);

// A panel of Height along the form's bottom, for its buttons.
TPanel* AddBottomPanel(TForm& form, int height = 41);

// OK (the default button: Enter) and Cancel (Esc, closing with mrCancel) side by side on
// Parent, the pair ending at Right; answers them in that order. OK closes the form with
// OkResult; mrNone leaves that to its OnClick (a dialog that checks its input first).
std::pair<TButton*, TButton*> AddOkCancel(TForm& form, TWinControl& parent, int top, int right, int okResult = mrOk);

// A button of the dialogs' height on Parent, owned by Form.
TButton* NewButton(TForm& form, TWinControl& parent, const std::string& caption, int left, int top, int width = 75);

// A label of the dialogs' height on the form; clicking it, or its underlined letter, puts the
// focus on Focus.
TLabel* AddFocusLabel(TForm& form, const std::string& caption, int left, int top, int width, TWinControl* focus);

// "&Add", "&Edit" and "&Delete" side by side on Parent from Left; answers them in that order.
std::tuple<TButton*, TButton*, TButton*> AddEditButtons(TForm& form, TWinControl& parent, int left, int top);

// The arrows that move a list's selected row, "Move down" and then "Move up" from Left; answers
// them in that order.
std::pair<TBitBtn*, TBitBtn*> AddMoveButtons(TForm& form, TWinControl& parent, int left, int top);

// A push button that shows an arrow, up or down (moving a list's row).
class TArrowButton : public TBitBtn {
 public:
  TArrowButton(TComponent* owner, bool up);
};

// Runs Action, which reads or writes a dialog's file; a file that cannot be read or written is
// told in a message box, and the answer is false.
bool TellFileError(const std::function<void()>& action);

// Shows a TDialog made with Args (after its owner, none) modally; true when it closed with OK.
template <class TDialog, class... TArgs>
bool ShowModalOk(TArgs&&... args) {
  TDialog dialog(nullptr, std::forward<TArgs>(args)...);
  return dialog.ShowModal() == mrOk;
}
