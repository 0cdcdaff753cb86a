#include "app/win32/FFoldersOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"
#include "sources/SearchFolders.h"

TFoldersOptionsForm::TFoldersOptionsForm(TComponent* owner, std::string iniFileName)
    : TForm(owner), FIniFileName(std::move(iniFileName)), FRows([](const std::string& folder, int) { return folder; }) {
  SetCaption("Folders options");
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poScreenCenter;
  SetClientSize(634, 348);

  Panel1 = new TPanel(this);
  Panel1->SetHeight(99);
  Panel1->SetAlign(alBottom);
  Panel1->SetParent(this);
  cbSubFolders = new TCheckBox(this);
  cbSubFolders->SetCaption("Search subfolders");
  cbSubFolders->TabStop = true;
  cbSubFolders->SetBounds(16, 6, 300, 17);
  cbSubFolders->SetParent(Panel1);
  Bevel1 = new TBevel(this);
  Bevel1->SetParent(Panel1);
  btnAdd = NewButton(*this, *Panel1, "&Add", 16, 0);
  btnEdit = NewButton(*this, *Panel1, "&Edit", 97, 0);
  btnDelete = NewButton(*this, *Panel1, "&Delete", 178, 0);
  btnDown = new TArrowButton(this, false);
  btnDown->Hint = "Move down";
  btnDown->SetParent(Panel1);
  btnUp = new TArrowButton(this, true);
  btnUp->Hint = "Move up";
  btnUp->SetParent(Panel1);
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
  for (TButton* button : {btnAdd, btnEdit, btnDelete, btnOk, btnCancel}) button->SetTop(buttonTop);
  btnDown->SetBounds(270, buttonTop, 27, 27);
  btnUp->SetBounds(300, buttonTop, 27, 27);
}

void TFoldersOptionsForm::FormShow() {
  try {
    LoadSettings(TMemIniFile(SettingsFolder("Lorvex") + FIniFileName));
  } catch (const EInOutError& e) {
    ShowError(e.Message());
  }
}

void TFoldersOptionsForm::LoadSettings(const TMemIniFile& ini) {
  TFolderList list;
  list.Load(ini);
  FRows.Clear();
  for (const std::string& folder : list.Folders) FRows.Add(folder);
  cbSubFolders->SetChecked(list.Subfolders);
}

void TFoldersOptionsForm::SaveSettings(TMemIniFile& ini) {
  TFolderList list;
  list.Folders = FRows.Items();
  list.Subfolders = cbSubFolders->Checked();
  list.Save(ini);
}

void TFoldersOptionsForm::btnOkClick() {
  try {
    TMemIniFile ini(SettingsFolder("Lorvex") + FIniFileName);
    SaveSettings(ini);
    ini.UpdateFile();
  } catch (const EInOutError& e) {
    ShowError(e.Message());
    return;
  }
  ModalResult = mrOk;
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
