// The editor of one database of the database options: its name, connection string and SQL.
#pragma once

#include "sources/SearchDatabase.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TDefineDatabaseForm : public TForm {
 public:
  // Editing: the row of Rows being edited (its name cannot change), -1 for a new database.
  TDefineDatabaseForm(TComponent* owner, const TDatabaseRows& rows, int editing);
  const char* ClassName() const override { return "TDefineDatabaseForm"; }

  TLabel* lblName;
  TEdit* eName;
  TLabel* lblConnectionString;
  TEdit* eConnectionString;
  TButton* btnConnectionString;
  TLabel* lblSQL;
  TMemo* eSQL;
  TLabel* lblSearch;
  TButton* btnOk;
  TButton* btnCancel;

  // Shows the database being edited, whose name cannot change.
  void ShowRow(const TDatabaseDefinition& database);
  TDatabaseDefinition Row() const;

  // The data-link dialog; where it cannot run, says so and keeps the typed string.
  void btnConnectionStringClick();
  // Refuses a name that is empty, that the file cannot hold or that another database has.
  void btnOkClick();

 private:
  const TDatabaseRows& FRows;
  int FEditing;
};

// Adds a database to Rows, or edits the selected one (nothing without a selection).
void EditDatabase(TComponent* owner, bool adding, TDatabaseRows& rows);
