#include "app/win32/FAdditionalFolders.h"

#include "core/qmTranslate.h"

TAdditionalFoldersForm::TAdditionalFoldersForm(TComponent* owner) : TForm(owner) {
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poOwnerFormCenter;
  SetClientSize(328, 104);

  lblSearch = new TLabel(this);
  lblSearch->SetCaption("Search:");
  lblSearch->SetBounds(10, 19, 70, 16);
  lblSearch->SetParent(this);
  eSearch = new TComboBox(this);
  eSearch->TabStop = true;
  eSearch->SetBounds(85, 16, 233, 23);
  eSearch->SetParent(this);

  btnOk = new TButton(this);
  btnOk->SetCaption("OK");
  btnOk->TabStop = true;
  btnOk->SetDefault(true);
  btnOk->ModalResult = mrOk;
  btnOk->SetBounds(148, 65, 80, 27);
  btnOk->SetParent(this);
  btnCancel = new TButton(this);
  btnCancel->SetCaption("Cancel");
  btnCancel->TabStop = true;
  btnCancel->Cancel = true;
  btnCancel->ModalResult = mrCancel;
  btnCancel->SetBounds(238, 65, 80, 27);
  btnCancel->SetParent(this);
  DefaultButton = btnOk;
  CancelButton = btnCancel;
  ActiveControl = eSearch;

  TranslateComponents(*this);
  // Filled after the translation: the names are translated here, once.
  for (TSearchClass* source : SearchClasses()) {
    FNames.push_back(source->GetName());
    eSearch->AddItem(TranslateText(FNames.back()));
  }
  eSearch->SetItemIndex(0);
}

std::string TAdditionalFoldersForm::SelectedName() const {
  const int index = eSearch->ItemIndex();
  return index >= 0 && index < static_cast<int>(FNames.size()) ? FNames[index] : std::string();
}

int EditSearchOrderEntry(TComponent* owner, bool adding, TSearchOrderRows& rows) {
  TAdditionalFoldersForm form(owner);
  form.SetCaption(TranslateText("Add search"));
  const int result = form.ShowModal();
  if (result == mrOk && adding && !form.SelectedName().empty()) rows.Add({form.SelectedName()});
  return result;
}
