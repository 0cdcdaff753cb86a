#include "app/win32/FFilter.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/RowEditor.h"
#include "core/qmTranslate.h"

TFilterForm::TFilterForm(TComponent* owner) : TForm(owner) {
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poOwnerFormCenter;
  SetClientSize(283, 169);

  auto label = [this](const std::string& caption, int top) {
    auto* result = new TLabel(this);
    result->SetCaption(caption);
    result->SetBounds(10, top + 3, 90, 16);
    result->SetParent(this);
    return result;
  };
  auto combo = [this](int top, std::initializer_list<const char*> items) {
    auto* result = new TComboBox(this);
    result->TabStop = true;
    result->SetBounds(105, top, 168, 23);
    result->SetParent(this);
    for (const char* item : items) result->AddItem(item);
    result->SetItemIndex(0);
    return result;
  };
  lblFilterType = label("Filter type:", 12);
  eFilterType = combo(12, {"Extension", "Word"});
  lblValue = label("Value:", 47);
  eValue = new TEdit(this);
  eValue->TabStop = true;
  eValue->SetBounds(105, 47, 168, 23);
  eValue->SetParent(this);
  lblFilterAction = label("Filter action:", 82);
  eFilterAction = combo(82, {"Show", "Hide"});

  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 130, 273);
  ActiveControl = eFilterType;

  TranslateComponents(*this);
}

void TFilterForm::ShowRow(const TFilterRow& row) {
  eFilterType->SetItemIndex(row.FilterType == ftExt ? 0 : 1);
  eValue->SetText(row.Value);
  eFilterAction->SetItemIndex(row.Action == faShow ? 0 : 1);
}

TFilterRow TFilterForm::Row() const {
  TFilterRow row;
  row.FilterType = eFilterType->ItemIndex() == 1 ? ftWord : ftExt;
  row.Value = eValue->Text();
  row.Action = eFilterAction->ItemIndex() == 1 ? faHide : faShow;
  return row;
}

void EditFilter(TComponent* owner, bool adding, TFilterRows& rows) {
  if (!adding && !rows.HasSelection()) return;
  TFilterForm form(owner);
  RunRowEditor(form, adding, rows, "Add filter", "Edit filter");
}
