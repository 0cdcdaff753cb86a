#include "app/win32/FInternetOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/FWebSearch.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"

namespace {

constexpr int ButtonTop = 6;

}  // namespace

TInternetOptionsForm::TInternetOptionsForm(TComponent* owner, std::string fileName)
    : TForm(owner), FFileName(std::move(fileName)), FRows(NewEngineRows()) {
  CreateComponents();
  TranslateComponents(*this);
}

void TInternetOptionsForm::CreateComponents() {
  SetCaption("Internet options");
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poScreenCenter;
  SetClientSize(634, 348);

  Panel1 = new TPanel(this);
  Panel1->SetHeight(41);
  Panel1->SetAlign(alBottom);
  Panel1->SetParent(this);
  auto button = [this](const std::string& caption, int left) {
    auto* result = new TButton(this);
    result->SetCaption(caption);
    result->TabStop = true;
    result->SetBounds(left, ButtonTop, 75, 27);
    result->SetParent(Panel1);
    return result;
  };
  auto arrow = [this](bool up, const std::string& hint, int left) {
    auto* result = new TArrowButton(this, up);
    result->Hint = hint;
    result->SetBounds(left, ButtonTop, 27, 27);
    result->SetParent(Panel1);
    return result;
  };
  btnAddWebSearch = button("&Add", 8);
  btnEditWebSearch = button("&Edit", 89);
  btnDeleteWebSearch = button("&Delete", 170);
  btnWebSearchDown = arrow(false, "Move down", 253);
  btnWebSearchUp = arrow(true, "Move up", 283);
  // OK writes the file before it closes.
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *Panel1, ButtonTop, 626, mrNone);

  eWebSearch = new TListView(this);
  eWebSearch->TabStop = true;
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
  try {
    LoadEngineRows(FFileName, FRows);
  } catch (const EInOutError& e) {
    ShowError(e.Message());
  }
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
  try {
    SaveEngineRows(FFileName, FRows);
  } catch (const EInOutError& e) {
    ShowErrorAndAbort(e.Message());
  }
  ModalResult = mrOk;
}

bool ShowInternetOptions(const std::string& fileName) {
  TInternetOptionsForm form(nullptr, fileName);
  return form.ShowModal() == mrOk;
}
