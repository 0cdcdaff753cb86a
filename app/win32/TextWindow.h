// What the record window of the database source and the note window share: a memo over a row
// of buttons, Esc closing the window even from the memo, and closing freeing it. Neither is
// modal, and several may be open at once.
#pragma once

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TTextWindow : public TForm {
 public:
  TPanel* pButtons;

  // Shows the window and brings it to the front once the main window has hidden.
  void ShowInFront();

 protected:
  TTextWindow(TComponent* owner, const char* caption, int clientWidth, int clientHeight);

  // A button of the bottom row.
  TButton* AddButton(const char* caption, int left);
  // "Close", the window's cancel button.
  TButton* AddCloseButton(int left);
  // The memo over the rest of the window, with the focus; long lines scroll sideways.
  TMemo* AddMemo();

  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
