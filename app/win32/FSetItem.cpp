#include "app/win32/FSetItem.h"

#include <tuple>

#include "app/win32/DialogButtons.h"

namespace {

TEdit* NewField(TForm* form, const char* caption, int top) {
  auto* label = new TLabel(form);
  label->SetCaption(caption);
  label->SetBounds(10, top + 3, 110, 16);
  label->SetParent(form);
  auto* edit = new TEdit(form);
  edit->SetBounds(125, top, 360, 23);
  edit->SetParent(form);
  return edit;
}

}  // namespace

TSetItemForm::TSetItemForm(TComponent* owner) : TForm(owner) {
  SetCaption("Set item properties");
  SetDialogFrame(*this, 527, 238, poOwnerFormCenter);
  txtItemName = NewField(this, "Item name:", 15);
  txtPath = NewField(this, "Execute string:", 55);
  txtParam = NewField(this, "Parameters:", 95);
  txtRunDelay = NewField(this, "Run delay (sec):", 135);
  txtRunDelay->SetWidth(80);
  SpeedButton1 = new TSpeedButton(this);
  SpeedButton1->SetCaption("...");
  SpeedButton1->SetBounds(490, 55, 27, 23);
  SpeedButton1->SetParent(this);
  std::tie(btnOK, btnCancel) = AddOkCancel(*this, *this, 198, 517);
  ActiveControl = txtItemName;
  SpeedButton1->OnClick = [this](TComponent&) { Action1Execute(); };
}

void TSetItemForm::ShowItem(const TGroupData& item) {
  txtItemName->SetText(item.ItemName);
  txtPath->SetText(item.Program);
  txtParam->SetText(item.Parameters);
  txtRunDelay->SetText(DelaySecondsText(item.Delay));
}

TGroupData TSetItemForm::Item() const {
  std::string error;
  const double delay = DelaySecondsFromText(txtRunDelay->Text(), error);
  if (!error.empty()) ShowMessage("Delay not number error: " + error);
  return {txtItemName->Text(), txtPath->Text(), txtParam->Text(), delay};
}

void TSetItemForm::Action1Execute() {
  TOpenDialog dialog(this);
  dialog.Title = "Select an executable";
  dialog.Filter = "Executable|*.exe";
  if (dialog.Execute()) txtPath->SetText(dialog.FileName);
}

bool EditGroupItem(TComponent* owner, TGroupData& item) {
  TSetItemForm form(owner);
  form.ShowItem(item);
  if (form.ShowModal() != mrOk) return false;
  item = form.Item();
  return true;
}
