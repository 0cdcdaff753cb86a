#include "app/win32/FFolder.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"
#include "ui/Dialogs.h"

TFolderForm::TFolderForm(TComponent* owner) : TForm(owner) {
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poOwnerFormCenter;
  SetClientSize(527, 113);

  eFolder = new TEdit(this);
  eFolder->TabStop = true;
  eFolder->SetBounds(70, 20, 410, 23);
  eFolder->SetParent(this);
  lblFolder = new TLabel(this);
  lblFolder->SetCaption("&Folder:");
  lblFolder->SetBounds(10, 23, 55, 16);
  lblFolder->SetParent(this);
  lblFolder->OnClick = [this](TComponent&) { eFolder->SetFocus(); };
  btnBrowse = new TButton(this);
  btnBrowse->SetCaption("...");
  btnBrowse->TabStop = true;
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

void EditFolder(TComponent* owner, bool adding, TFolderRows& rows) {
  if (!adding && !rows.HasSelection()) return;
  TFolderForm form(owner);
  form.SetCaption(TranslateText(adding ? "Add folder" : "Edit folder"));
  if (!adding) form.eFolder->SetText(*rows.Selected());
  if (form.ShowModal() != mrOk) return;
  if (adding)
    rows.Add(form.eFolder->Text());
  else
    rows.Replace(rows.ItemIndex(), form.eFolder->Text());
}
