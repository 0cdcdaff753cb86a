#include "app/win32/FAdditionalFolders.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
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

  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 65, 318);
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
