#include "app/win32/FNote.h"

#include "app/win32/ItemIcons.h"
#include "core/qmFileUtils.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"

namespace {

constexpr UINT WM_COMETOFRONT = WM_APP + 0x150;

// Long lines scroll sideways rather than wrap.
class TNoteMemo : public TMemo {
 public:
  using TMemo::TMemo;

 protected:
  void CreateParams(TCreateParams& params) override {
    TMemo::CreateParams(params);
    params.Style |= WS_HSCROLL | ES_AUTOHSCROLL;
  }
};

TButton* AddButton(TNoteForm& form, const char* caption, int left) {
  auto* button = new TButton(&form);
  button->SetCaption(caption);
  button->TabStop = true;
  button->SetBounds(left, 7, 80, 27);
  button->SetParent(form.pButtons);
  return button;
}

}  // namespace

TNoteForm::TNoteForm(TComponent* owner, const TNote& note) : TForm(owner), FNoteId(note.Id) {
  SetCaption("Note");
  KeyPreview = true;
  Position = poScreenCenter;
  SetClientSize(420, 300);

  pButtons = new TPanel(this);
  pButtons->SetHeight(41);
  pButtons->SetAlign(alBottom);
  pButtons->SetParent(this);
  btnOk = AddButton(*this, "Save", 240);
  btnCancel = AddButton(*this, "Close", 330);
  CancelButton = btnCancel;
  eText = new TNoteMemo(this);
  eText->TabStop = true;
  eText->SetScrollBars(true);
  eText->SetAlign(alClient);
  eText->SetParent(this);
  ActiveControl = eText;

  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  btnCancel->OnClick = [this](TComponent&) { Close(); };
  // The memo wants every key: Esc reaches the form only before it.
  OnKeyDown = [this](TComponent&, WORD& key, TShiftState) {
    if (key != VK_ESCAPE) return;
    key = 0;
    Close();
  };
  OnClose = [](TForm&, TCloseAction& action) { action = caFree; };

  TranslateComponents(*this);
  SetCaption(note.Caption);
  eText->SetText(note.Text);
}

void TNoteForm::btnOkClick() {
  try {
    TNotesDatabase().Save(FNoteId, eText->Text());
  } catch (const Exception& e) {
    ShowError(e.Message());
    return;
  }
  Close();
}

void TNoteForm::ShowInFront() {
  Show();
  // A note opens from the main window's Enter, which then hides that window and gives its
  // search box the focus: the note comes to the front after that.
  PostMessageA(Handle(), WM_COMETOFRONT, 0, 0);
}

LRESULT TNoteForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_COMETOFRONT) return TForm::WndProc(msg, wParam, lParam);
  SetForegroundWindow(Handle());
  return 0;
}

void TWin32NoteWindows::Open(const TNote& note) { (new TNoteForm(FOwner, note))->ShowInFront(); }

void TWin32NoteWindows::LoadNoteIcon(TItemData& item) {
  const std::string file = ExeFolder() + "images\\notes.ico";
  if (HICON icon = static_cast<HICON>(LoadImageA(nullptr, file.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE)))
    item.Icon = std::make_unique<TWinIcon>(icon);
}
