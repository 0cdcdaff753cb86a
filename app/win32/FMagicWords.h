// The editor of one magic word of the options dialog's list.
#pragma once

#include "app/OptionsModel.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TMagicWordsForm : public TForm {
 public:
  TMagicWordsForm(TComponent* owner, bool adding, TMagicWordRows& rows);
  ~TMagicWordsForm() override;
  const char* ClassName() const override { return "TMagicWordsForm"; }

  TLabel* lblNote;
  TLabel* lblMagicWord;
  TEdit* eMagicWord;
  TLabel* lblDescription;
  TEdit* eDescription;
  TLabel* lblExecuteString;
  TEdit* eExecuteString;
  TButton* btnBrowse;
  TLabel* lblPath;
  TEdit* ePath;
  TLabel* lblParams;
  TEdit* eParams;
  TCheckBox* cbRunAs;
  TButton* btnOk;
  TButton* btnCancel;
  TOpenDialog* OpenDialog1;

  // The fields from a row, and a row from the fields.
  void ShowRow(const TMagicWordRow& row);
  TMagicWordRow Row() const;

  void btnOkClick();
  void btnBrowseClick();
  // A file dropped on the execute string fills the fields from it.
  void FilesDropped(const std::vector<std::string>& files);

 private:
  void CreateComponents();
  bool FAdding;
  TMagicWordRows& FRows;
};

// Adds a row, or edits the selected one (nothing without a selection).
void EditMagicWord(TComponent* owner, bool adding, TMagicWordRows& rows);
