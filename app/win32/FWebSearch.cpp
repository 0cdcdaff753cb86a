#include "app/win32/FWebSearch.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/RowEditor.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"

TWebSearchForm::TWebSearchForm(TComponent* owner, bool adding, TEngineRows& rows)
    : TForm(owner), FAdding(adding), FRows(rows) {
  SetDialogFrame(*this, 527, 144, poOwnerFormCenter);

  auto edit = [this](int top) {
    auto* result = new TEdit(this);
    result->SetBounds(130, top, 385, 23);
    result->SetParent(this);
    return result;
  };
  eEngine = edit(15);
  eSearchString = edit(50);
  lblEngine = AddFocusLabel(*this, "&Engine:", 10, 18, 115, eEngine);
  lblSearchString = AddFocusLabel(*this, "&Search string:", 10, 53, 115, eSearchString);

  // OK checks the engine before it closes.
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 105, 516, mrNone);
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  ActiveControl = eEngine;

  TranslateComponents(*this);
}

void TWebSearchForm::ShowRow(const TEngineRow& row) {
  eEngine->SetText(row.Engine);
  eSearchString->SetText(row.SearchString);
}

TEngineRow TWebSearchForm::Row() const { return {Trim(eEngine->Text()), Trim(eSearchString->Text())}; }

void TWebSearchForm::btnOkClick() {
  const TEngineRow row = Row();
  const std::string error = CheckEngine(FRows, FAdding ? -1 : FRows.ItemIndex(), row.Engine, row.SearchString);
  if (!error.empty()) ShowErrorAndAbort(error);
  ModalResult = mrOk;
}

void EditWebSearch(TComponent* owner, bool adding, TEngineRows& rows) {
  if (!adding && !rows.HasSelection()) return;
  TWebSearchForm form(owner, adding, rows);
  RunRowEditor(form, adding, rows, "Add web search", "Edit web search");
}
