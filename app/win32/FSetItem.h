// The editor of one run-group item: its name, program, parameters and the pause after it.
#pragma once

#include "sources/SearchRunGroup.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TSetItemForm : public TForm {
 public:
  explicit TSetItemForm(TComponent* owner);
  const char* ClassName() const override { return "TSetItemForm"; }

  TEdit* txtItemName;
  TEdit* txtPath;
  TEdit* txtParam;
  TEdit* txtRunDelay;
  TSpeedButton* SpeedButton1;
  TButton* btnOK;
  TButton* btnCancel;

  void ShowItem(const TGroupData& item);
  // The fields as an item; a delay that is no number is told and becomes 1 s.
  TGroupData Item() const;
  void Action1Execute();
};

// Edits Item in the dialog; false when cancelled.
bool EditGroupItem(TComponent* owner, TGroupData& item);
