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
  SetDialogFrame(*this, 634, 348);
  Panel1 = AddBottomPanel(*this);
  std::tie(btnAdd, btnEdit, btnDelete) = AddEditButtons(*this, *Panel1, 16, 7);
  std::tie(btnDown, btnUp) = AddMoveButtons(*this, *Panel1, 270, 7);
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *Panel1, 7, 624, mrNone);

  eConnections = new TListView(this);
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
  TellFileError([this] {
    for (TDatabaseDefinition& database : LoadDatabases(TMemIniFile(DatabaseFileName()))) FRows.Add(std::move(database));
  });
}

void TDatabaseOptionsForm::btnDeleteClick() {
  if (!FRows.HasSelection()) return;
  TMsgBoxAsker asker;
  DeleteSelectedListItem(FRows, FRows.Selected()->Name, asker);
}

void TDatabaseOptionsForm::btnOkClick() {
  const bool saved = TellFileError([this] {
    TMemIniFile ini(DatabaseFileName());
    SaveDatabases(FRows.Items(), ini);
    ForceDirectories(SettingsFolder("Lorvex"));
    ini.UpdateFile();
  });
  if (saved) ModalResult = mrOk;
}

bool RunDatabaseOptions() { return ShowModalOk<TDatabaseOptionsForm>(); }

// --- TWin32DatabaseWindows ----------------------------------------------------------------

void TWin32DatabaseWindows::ShowRecord(const TStringList& lines) { ShowDbNote(lines); }

void TWin32DatabaseWindows::LoadRecordIcon(TItemData& item) { item.Icon = LoadImagesIcon("database"); }
