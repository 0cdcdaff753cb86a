// The record window of the database source: every field of one row, as "name: value" lines. It
// is not translated.
#pragma once

#include "app/win32/TextWindow.h"
#include "core/Persistent.h"

class TDbNoteForm : public TTextWindow {
 public:
  TDbNoteForm(TComponent* owner, const TStringList& lines);
  const char* ClassName() const override { return "TDbNoteForm"; }

  TMemo* eValues;
  TButton* btnCancel;
};

// Shows a new record window with Lines.
void ShowDbNote(const TStringList& lines);
