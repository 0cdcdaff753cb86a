#include "app/win32/FDbNote.h"

TDbNoteForm::TDbNoteForm(TComponent* owner, const TStringList& lines) : TTextWindow(owner, "Record", 617, 392) {
  btnCancel = AddCloseButton(527);
  eValues = AddMemo();
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  eValues->SetText(text);
}

void ShowDbNote(const TStringList& lines) { (new TDbNoteForm(nullptr, lines))->ShowInFront(); }
