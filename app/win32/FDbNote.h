// The record window of the database source: every field of one row, as "name: value" lines. It
// is not modal, and frees itself when closed.
#pragma once

#include "core/Persistent.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TDbNoteForm : public TForm {
 public:
  TDbNoteForm(TComponent* owner, const TStringList& lines);
  const char* ClassName() const override { return "TDbNoteForm"; }

  TMemo* eValues;
  TPanel* pButtons;
  TButton* btnCancel;

  // Shows the window and brings it to the front once the main window has hidden.
  void ShowInFront();

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// Shows a new record window with Lines.
void ShowDbNote(const TStringList& lines);
