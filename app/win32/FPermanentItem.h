// The editor of one permanent text of the clipboard source.
#pragma once

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TPermanentItemForm : public TForm {
 public:
  explicit TPermanentItemForm(TComponent* owner);
  const char* ClassName() const override { return "TPermanentItemForm"; }

  TMemo* eText;
  TButton* btnOk;
  TButton* btnCancel;
};

// Asks for a text under Caption, starting with Text; false when cancelled.
bool EditPermanentItem(TComponent* owner, const std::string& caption, std::string& text);
