#include "app/win32/FFoldersOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"

TFoldersOptionsForm::TFoldersOptionsForm(TComponent* owner, std::string iniFileName)
    : TForm(owner), FIniFileName(std::move(iniFileName)), FRows([](const std::string& folder, int) { return folder; }) {
  SetCaption("Folders options");
  SetDialogFrame(*this, 634, 348);
  Panel1 = AddBottomPanel(*this, 99);
  cbSubFolders = new TCheckBox(this);
  cbSubFolders->SetCaption("Search subfolders");
  cbSubFolders->SetBounds(16, 6, 300, 17);
  cbSubFolders->SetParent(Panel1);
  Bevel1 = new TBevel(this);
  Bevel1->SetParent(Panel1);
  std::tie(btnAdd, btnEdit, btnDelete) = AddEditButtons(*this, *Panel1, 16, 0);
  std::tie(btnDown, btnUp) = AddMoveButtons(*this, *Panel1, 270, 0);
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *Panel1, 0, 624, mrNone);
  PlaceButtons(33, 55);

  eFolders = new TListView(this);
  eFolders->Columns = {{"Folder", 600}};
  eFolders->SetAlign(alClient);
  eFolders->SetParent(this);
  eFolders->SetRows(&FRows);
  ActiveControl = eFolders;

  OnShow = [this](TComponent&) { FormShow(); };
  btnAdd->OnClick = [this](TComponent&) { EditFolder(this, true, FRows); };
  btnEdit->OnClick = [this](TComponent&) { EditFolder(this, false, FRows); };
  btnDelete->OnClick = [this](TComponent&) { btnDeleteClick(); };
  btnUp->OnClick = [this](TComponent&) { MoveListItemUp(FRows); };
  btnDown->OnClick = [this](TComponent&) { MoveListItemDown(FRows); };
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  TranslateComponents(*this);
}

void TFoldersOptionsForm::PlaceButtons(int bevelTop, int buttonTop) {
  Bevel1->SetBounds(16, bevelTop, 602, 9);
  const std::initializer_list<TWinControl*> buttons = {btnAdd, btnEdit, btnDelete, btnDown, btnUp, btnOk, btnCancel};
  for (TWinControl* button : buttons) button->SetTop(buttonTop);
}

void TFoldersOptionsForm::FormShow() {
  TellFileError([this] { LoadSettings(TMemIniFile(SettingsFolder("Lorvex") + FIniFileName)); });
}

void TFoldersOptionsForm::ShowFolders(const TFolderList& list) {
  FRows.Clear();
  for (const std::string& folder : list.Folders) FRows.Add(folder);
  cbSubFolders->SetChecked(list.Subfolders);
}

TFolderList TFoldersOptionsForm::Folders() const { return {FRows.Items(), cbSubFolders->Checked()}; }

void TFoldersOptionsForm::LoadSettings(const TMemIniFile& ini) {
  TFolderList list;
  list.Load(ini);
  ShowFolders(list);
}

void TFoldersOptionsForm::SaveSettings(TMemIniFile& ini) { Folders().Save(ini); }

void TFoldersOptionsForm::btnOkClick() {
  const bool saved = TellFileError([this] {
    TMemIniFile ini(SettingsFolder("Lorvex") + FIniFileName);
    SaveSettings(ini);
    ini.UpdateFile();
  });
  if (saved) ModalResult = mrOk;
}

void TFoldersOptionsForm::btnDeleteClick() {
  if (!FRows.HasSelection()) return;
  TMsgBoxAsker asker;
  DeleteSelectedListItem(FRows, *FRows.Selected(), asker);
}

bool RunFoldersOptions(const std::string& iniFileName, const std::string& caption) {
  TFoldersOptionsForm form(nullptr, iniFileName);
  form.SetCaption(TranslateText(caption));
  return form.ShowModal() == mrOk;
}
