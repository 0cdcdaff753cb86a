#include "app/win32/FNote.h"

#include "core/qmTranslate.h"
#include "sources/win32/SourceIcons.h"
#include "ui/qmMsgBox.h"

TNoteForm::TNoteForm(TComponent* owner, const TNote& note) : TTextWindow(owner, "Note", 420, 300), FNoteId(note.Id) {
  btnOk = AddButton("Save", 240);
  btnCancel = AddCloseButton(330);
  eText = AddMemo();
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
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

void TWin32NoteWindows::Open(const TNote& note) { (new TNoteForm(FOwner, note))->ShowInFront(); }

void TWin32NoteWindows::LoadNoteIcon(TItemData& item) { item.Icon = LoadImagesIcon("notes"); }
