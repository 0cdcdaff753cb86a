#include "ui/Dialogs.h"

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  TForm form(nullptr);
  form.BorderStyle = WS_CAPTION | WS_SYSMENU;
  form.Position = poScreenCenter;
  form.SetCaption(caption);
  form.SetClientSize(360, 110);

  auto* label = new TLabel(&form);
  label->SetCaption(prompt);
  label->SetBounds(10, 10, 340, 17);
  label->SetParent(&form);

  auto* edit = new TEdit(&form);
  edit->SetText(value);
  edit->SetBounds(10, 32, 340, 23);
  edit->SetParent(&form);

  auto* ok = new TButton(&form);
  ok->SetCaption("OK");
  ok->ModalResult = mrOk;
  ok->Default = true;
  ok->TabStop = true;
  ok->SetBounds(190, 72, 75, 27);
  ok->SetParent(&form);

  auto* cancel = new TButton(&form);
  cancel->SetCaption("Cancel");
  cancel->ModalResult = mrCancel;
  cancel->TabStop = true;
  cancel->SetBounds(275, 72, 75, 27);
  cancel->SetParent(&form);

  form.DefaultButton = ok;
  form.CancelButton = cancel;
  form.ActiveControl = edit;
  if (form.ShowModal() != mrOk) return false;
  value = edit->Text();
  return true;
}
