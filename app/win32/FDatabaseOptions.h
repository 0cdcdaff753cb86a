// The database options: the list of the user's databases in their order of searching, each
// added, edited, deleted and moved here; OK writes the list to the source's file.
#pragma once

#include "sources/SearchDatabase.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TDatabaseOptionsForm : public TForm {
 public:
  explicit TDatabaseOptionsForm(TComponent* owner);
  const char* ClassName() const override { return "TDatabaseOptionsForm"; }

  TListView* eConnections;
  TPanel* Panel1;
  TButton* btnAdd;
  TButton* btnEdit;
  TButton* btnDelete;
  TBitBtn* btnDown;
  TBitBtn* btnUp;
  TButton* btnOk;
  TButton* btnCancel;

  TDatabaseRows& Rows() { return FRows; }

  void FormShow();
  void btnDeleteClick();
  // Writes the file; the dialog stays open when it cannot be written.
  void btnOkClick();

 private:
  TDatabaseRows FRows = NewDatabaseRows();
};

// Shows the dialog; true after OK, when the file is written.
bool RunDatabaseOptions();

// The windows of the database source: its options, the record window and its rows' icon.
class TWin32DatabaseWindows : public TDatabaseWindows {
 public:
  bool ShowOptions() override { return RunDatabaseOptions(); }
  void ShowRecord(const TStringList& lines) override;
  void LoadRecordIcon(TItemData& item) override;
};
