#include "app/win32/FDbNote.h"

#include "core/qmTranslate.h"

namespace {

constexpr UINT WM_COMETOFRONT = WM_APP + 0x150;

}  // namespace

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

void TDbNoteForm::ShowInFront() {
  Show();
  // A record opens from the main window's Enter, which then hides that window and gives its
  // search box the focus: the record comes to the front after that.
  PostMessageA(Handle(), WM_COMETOFRONT, 0, 0);
}

LRESULT TDbNoteForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_COMETOFRONT) return TForm::WndProc(msg, wParam, lParam);
  SetForegroundWindow(Handle());
  return 0;
}

void ShowDbNote(const TStringList& lines) { (new TDbNoteForm(nullptr, lines))->ShowInFront(); }
