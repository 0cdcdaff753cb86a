// The editor of one result filter of the options dialog's list.
#pragma once

#include "app/OptionsModel.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFilterForm : public TForm {
 public:
  explicit TFilterForm(TComponent* owner);
  const char* ClassName() const override { return "TFilterForm"; }

  TLabel* lblFilterType;
  TComboBox* eFilterType;  // "Extension", "Word": in the order of TFilterType
  TLabel* lblValue;
  TEdit* eValue;
  TLabel* lblFilterAction;
  TComboBox* eFilterAction;  // "Show", "Hide": in the order of TFilterAction
  TButton* btnOk;
  TButton* btnCancel;

  void ShowRow(const TFilterRow& row);
  TFilterRow Row() const;
};

// Adds a row, or edits the selected one (nothing without a selection).
void EditFilter(TComponent* owner, bool adding, TFilterRows& rows);
