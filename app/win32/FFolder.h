// The editor of one folder of a folder list.
#pragma once

#include "core/RowList.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

using TFolderRows = TRowList<std::string>;

class TFolderForm : public TForm {
 public:
  explicit TFolderForm(TComponent* owner);
  const char* ClassName() const override { return "TFolderForm"; }

  TLabel* lblFolder;
  TEdit* eFolder;
  TButton* btnBrowse;
  TButton* btnOk;
  TButton* btnCancel;

  void ShowRow(const std::string& folder);
  std::string Row() const;
  void btnBrowseClick();
  // An empty folder would be the whole drive: it is refused.
  void btnOkClick();
};

// Adds a row, or edits the selected one (nothing without a selection).
void EditFolder(TComponent* owner, bool adding, TFolderRows& rows);
