#include "app/win32/FInternetOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/FWebSearch.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"

TInternetOptionsForm::TInternetOptionsForm(TComponent* owner, std::string fileName)
    : TForm(owner), FFileName(std::move(fileName)), FRows(NewEngineRows()) {
  CreateComponents();
  TranslateComponents(*this);
}

void TInternetOptionsForm::CreateComponents() {
  SetCaption("Internet options");
  SetDialogFrame(*this, 634, 348);
  Panel1 = AddBottomPanel(*this);
  std::tie(btnAddWebSearch, btnEditWebSearch, btnDeleteWebSearch) = AddEditButtons(*this, *Panel1, 8, 6);
  std::tie(btnWebSearchDown, btnWebSearchUp) = AddMoveButtons(*this, *Panel1, 253, 6);
  // OK writes the file before it closes.
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *Panel1, 6, 626, mrNone);

  eWebSearch = new TListView(this);
  eWebSearch->Columns = {{"Engine", 150}, {"Search string", 390}};
  eWebSearch->SetAlign(alClient);
  eWebSearch->SetParent(this);
  eWebSearch->SetRows(&FRows);
  ActiveControl = eWebSearch;

  OnShow = [this](TComponent&) { FormShow(); };
  eWebSearch->OnDblClick = [this](TComponent&) { btnEditWebSearchClick(); };
  btnAddWebSearch->OnClick = [this](TComponent&) { btnAddWebSearchClick(); };
  btnEditWebSearch->OnClick = [this](TComponent&) { btnEditWebSearchClick(); };
  btnDeleteWebSearch->OnClick = [this](TComponent&) { btnDeleteWebSearchClick(); };
  btnWebSearchUp->OnClick = [this](TComponent&) { btnWebSearchUpClick(); };
  btnWebSearchDown->OnClick = [this](TComponent&) { btnWebSearchDownClick(); };
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
}

void TInternetOptionsForm::FormShow() {
  TellFileError([this] { LoadEngineRows(FFileName, FRows); });
}

void TInternetOptionsForm::btnAddWebSearchClick() { EditWebSearch(this, true, FRows); }

void TInternetOptionsForm::btnEditWebSearchClick() { EditWebSearch(this, false, FRows); }

void TInternetOptionsForm::btnDeleteWebSearchClick() {
  if (!FRows.HasSelection()) return;
  TMsgBoxAsker asker;
  DeleteSelectedListItem(FRows, FRows.Selected()->Engine, asker);
}

void TInternetOptionsForm::btnWebSearchUpClick() { MoveListItemUp(FRows); }

void TInternetOptionsForm::btnWebSearchDownClick() { MoveListItemDown(FRows); }

void TInternetOptionsForm::btnOkClick() {
  if (TellFileError([this] { SaveEngineRows(FFileName, FRows); })) ModalResult = mrOk;
}

bool ShowInternetOptions(const std::string& fileName) { return ShowModalOk<TInternetOptionsForm>(fileName); }
