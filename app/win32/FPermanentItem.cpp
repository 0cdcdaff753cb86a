#include "app/win32/FPermanentItem.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "core/qmTranslate.h"

TPermanentItemForm::TPermanentItemForm(TComponent* owner) : TForm(owner) {
  SetDialogFrame(*this, 527, 232, poOwnerFormCenter);
  eText = new TMemo(this);
  eText->WordWrap = false;
  eText->ScrollBars = true;
  eText->SetBounds(10, 10, 507, 175);
  eText->SetParent(this);
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 195, 517);
  ActiveControl = eText;
  OnShow = [this](TComponent&) { TranslateComponents(*this); };
}

bool EditPermanentItem(TComponent* owner, const std::string& caption, std::string& text) {
  TPermanentItemForm form(owner);
  form.SetCaption(caption);
  form.eText->SetText(text);
  if (form.ShowModal() != mrOk) return false;
  text = form.eText->Text();
  return true;
}
