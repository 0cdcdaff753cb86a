#include "app/win32/FDbNote.h"

#include "core/qmTranslate.h"

TDbNoteForm::TDbNoteForm(TComponent* owner, const TStringList& lines) : TForm(owner) {
  SetCaption("Record");
  KeyPreview = true;
  Position = poScreenCenter;
  SetClientSize(617, 392);

  pButtons = new TPanel(this);
  pButtons->SetHeight(41);
  pButtons->SetAlign(alBottom);
  pButtons->SetParent(this);
  btnCancel = new TButton(this);
  btnCancel->SetCaption("Close");
  btnCancel->TabStop = true;
  btnCancel->SetBounds(527, 7, 80, 27);
  btnCancel->SetParent(pButtons);
  CancelButton = btnCancel;
  eValues = new TMemo(this);
  eValues->TabStop = true;
  eValues->WordWrap = false;
  eValues->SetScrollBars(true);
  eValues->SetAlign(alClient);
  eValues->SetParent(this);
  ActiveControl = eValues;

  btnCancel->OnClick = [this](TComponent&) { Close(); };
  // The memo takes every key: Esc reaches the form only before it.
  OnKeyDown = [this](TComponent&, WORD& key, TShiftState) {
    if (key != VK_ESCAPE) return;
    key = 0;
    Close();
  };
  OnClose = [](TForm&, TCloseAction& action) { action = caFree; };

  TranslateComponents(*this);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  eValues->SetText(text);
}

void ShowDbNote(const TStringList& lines) { (new TDbNoteForm(nullptr, lines))->Show(); }
