// Adds a source to the options dialog's search order.
#pragma once

#include "app/OptionsModel.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TAdditionalFoldersForm : public TForm {
 public:
  explicit TAdditionalFoldersForm(TComponent* owner);
  const char* ClassName() const override { return "TAdditionalFoldersForm"; }

  TLabel* lblSearch;
  TComboBox* eSearch;  // every registered source, in registry order
  TButton* btnOk;
  TButton* btnCancel;

  // The source of the selected item; empty when none.
  std::string SelectedName() const;

 private:
  std::vector<std::string> FNames;  // the items' sources
};

// Appends the chosen source to the rows; answers the dialog's modal result.
int EditSearchOrderEntry(TComponent* owner, bool adding, TSearchOrderRows& rows);
