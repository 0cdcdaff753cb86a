#include "app/win32/FFolder.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/RowEditor.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"
#include "ui/Dialogs.h"

TFolderForm::TFolderForm(TComponent* owner) : TForm(owner) {
  SetDialogFrame(*this, 527, 113, poOwnerFormCenter);

  eFolder = new TEdit(this);
  eFolder->SetBounds(70, 20, 410, 23);
  eFolder->SetParent(this);
  lblFolder = AddFocusLabel(*this, "&Folder:", 10, 23, 55, eFolder);
  btnBrowse = new TButton(this);
  btnBrowse->SetCaption("...");
  btnBrowse->SetBounds(487, 20, 30, 23);
  btnBrowse->SetParent(this);

  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 74, 517, mrNone);
  ActiveControl = eFolder;

  btnBrowse->OnClick = [this](TComponent&) { btnBrowseClick(); };
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  TranslateComponents(*this);
}

void TFolderForm::btnBrowseClick() {
  std::string folder = eFolder->Text();
  if (BrowseForFolder(TranslateText("Browse for folder"), L"", folder, false)) eFolder->SetText(folder);
}

void TFolderForm::btnOkClick() {
  if (Trim(eFolder->Text()).empty()) ShowErrorAndAbort(TranslateText("Please enter a folder."));
  ModalResult = mrOk;
}

void TFolderForm::ShowRow(const std::string& folder) { eFolder->SetText(folder); }

std::string TFolderForm::Row() const { return eFolder->Text(); }

void EditFolder(TComponent* owner, bool adding, TFolderRows& rows) {
  if (!adding && !rows.HasSelection()) return;
  TFolderForm form(owner);
  RunRowEditor(form, adding, rows, "Add folder", "Edit folder");
}
