#include "app/win32/FDatabaseOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/FDbNote.h"
#include "app/win32/FDefineDatabase.h"
#include "core/qmFileUtils.h"
#include "core/qmTranslate.h"
#include "sources/win32/SourceIcons.h"
#include "ui/qmMsgBox.h"

namespace {

std::string DatabaseFileName() { return SettingsFolder("Lorvex") + TSearchDatabase::IniFileName; }

}  // namespace

TDatabaseOptionsForm::TDatabaseOptionsForm(TComponent* owner) : TForm(owner) {
  SetCaption("Database options");
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poScreenCenter;
  SetClientSize(634, 348);

  Panel1 = new TPanel(this);
  Panel1->SetHeight(41);
  Panel1->SetAlign(alBottom);
  Panel1->SetParent(this);
  btnAdd = NewButton(*this, *Panel1, "&Add", 16, 7);
  btnEdit = NewButton(*this, *Panel1, "&Edit", 97, 7);
  btnDelete = NewButton(*this, *Panel1, "&Delete", 178, 7);
  btnDown = new TArrowButton(this, false);
  btnDown->Hint = "Move down";
  btnDown->SetBounds(270, 7, 27, 27);
  btnDown->SetParent(Panel1);
  btnUp = new TArrowButton(this, true);
  btnUp->Hint = "Move up";
  btnUp->SetBounds(300, 7, 27, 27);
  btnUp->SetParent(Panel1);
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *Panel1, 7, 624, mrNone);

  eConnections = new TListView(this);
  eConnections->TabStop = true;
  eConnections->Columns = {{"Connection", 600}};
  eConnections->SetAlign(alClient);
  eConnections->SetParent(this);
  eConnections->SetRows(&FRows);
  ActiveControl = eConnections;

  OnShow = [this](TComponent&) { FormShow(); };
  btnAdd->OnClick = [this](TComponent&) { EditDatabase(this, true, FRows); };
  btnEdit->OnClick = [this](TComponent&) { EditDatabase(this, false, FRows); };
  btnDelete->OnClick = [this](TComponent&) { btnDeleteClick(); };
  btnUp->OnClick = [this](TComponent&) { MoveListItemUp(FRows); };
  btnDown->OnClick = [this](TComponent&) { MoveListItemDown(FRows); };
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  TranslateComponents(*this);
}

void TDatabaseOptionsForm::FormShow() {
  FRows.Clear();
  try {
    for (TDatabaseDefinition& database : LoadDatabases(TMemIniFile(DatabaseFileName()))) FRows.Add(std::move(database));
  } catch (const EInOutError& e) {
    ShowError(e.Message());
  }
}

void TDatabaseOptionsForm::btnDeleteClick() {
  if (!FRows.HasSelection()) return;
  TMsgBoxAsker asker;
  DeleteSelectedListItem(FRows, FRows.Selected()->Name, asker);
}

void TDatabaseOptionsForm::btnOkClick() {
  try {
    TMemIniFile ini(DatabaseFileName());
    SaveDatabases(FRows.Items(), ini);
    ForceDirectories(SettingsFolder("Lorvex"));
    ini.UpdateFile();
  } catch (const EInOutError& e) {
    ShowError(e.Message());
    return;
  }
  ModalResult = mrOk;
}

bool RunDatabaseOptions() {
  TDatabaseOptionsForm form(nullptr);
  return form.ShowModal() == mrOk;
}

// --- TWin32DatabaseWindows ----------------------------------------------------------------

void TWin32DatabaseWindows::ShowRecord(const TStringList& lines) { ShowDbNote(lines); }

void TWin32DatabaseWindows::LoadRecordIcon(TItemData& item) { item.Icon = LoadImagesIcon("database"); }
