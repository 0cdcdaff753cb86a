#include "app/win32/FDefineDatabase.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/RowEditor.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"
#include "sources/win32/SearchDatabase.h"

TDefineDatabaseForm::TDefineDatabaseForm(TComponent* owner, const TDatabaseRows& rows, int editing)
    : TForm(owner), FRows(rows), FEditing(editing) {
  SetCaption("Define database");
  SetDialogFrame(*this, 413, 377);

  eName = new TEdit(this);
  eName->SetBounds(10, 28, 393, 23);
  eName->SetParent(this);
  eConnectionString = new TEdit(this);
  eConnectionString->SetBounds(10, 80, 313, 23);
  eConnectionString->SetParent(this);
  btnConnectionString = NewButton(*this, *this, "Build", 328, 78);
  eSQL = new TMemo(this);
  eSQL->WordWrap = false;
  eSQL->HorizontalScrollBar = false;
  eSQL->SetScrollBars(true);
  eSQL->SetBounds(10, 132, 393, 156);
  eSQL->SetParent(this);
  lblName = AddFocusLabel(*this, "Name:", 10, 10, 300, eName);
  lblConnectionString = AddFocusLabel(*this, "Connection string:", 10, 62, 300, eConnectionString);
  lblSQL = AddFocusLabel(*this, "SQL:", 10, 114, 300, eSQL);
  lblSearch = new TLabel(this);
  lblSearch->WordWrap = true;
  lblSearch->SetCaption("#search# stands for the typed text. It is inserted as a literal value, never as SQL.");
  lblSearch->SetBounds(10, 294, 393, 32);
  lblSearch->SetParent(this);
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 340, 403, mrNone);
  ActiveControl = eName;

  btnConnectionString->OnClick = [this](TComponent&) { btnConnectionStringClick(); };
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  TranslateComponents(*this);
}

void TDefineDatabaseForm::ShowRow(const TDatabaseDefinition& database) {
  eName->SetText(database.Name);
  eName->SetEnabled(false);
  eConnectionString->SetText(database.ConnectionString);
  eSQL->SetText(database.SQL);
}

TDatabaseDefinition TDefineDatabaseForm::Row() const {
  return {eName->Text(), eConnectionString->Text(), eSQL->Text()};
}

void TDefineDatabaseForm::btnConnectionStringClick() {
  try {
    eConnectionString->SetText(BuildConnectionString(Handle(), eConnectionString->Text()));
  } catch (const Exception& e) {
    ShowError(e.Message());
  }
}

void TDefineDatabaseForm::btnOkClick() {
  const std::string error = DatabaseNameError(FRows, eName->Text(), FEditing);
  if (!error.empty()) ShowErrorAndAbort(error);
  ModalResult = mrOk;
}

void EditDatabase(TComponent* owner, bool adding, TDatabaseRows& rows) {
  if (!adding && !rows.HasSelection()) return;
  TDefineDatabaseForm form(owner, rows, adding ? -1 : rows.ItemIndex());
  RunRowEditor(form, adding, rows, "Define database", "Define database");
}
