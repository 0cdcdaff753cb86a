// The run groups' dialog: groups and their items in a tree, saved to the run-group file with OK.
// Neither it nor its item dialog is translated; they speak through the framework's plain dialogs.
#pragma once

#include "app/RunGroupTree.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/TreeView.h"

class TRunGroupOptionsForm : public TForm {
 public:
  TRunGroupOptionsForm(TComponent* owner, TRunGroupFile& file);
  const char* ClassName() const override { return "TRunGroupOptionsForm"; }

  TGroupBox* GroupBox1;
  TTreeView* treeGroups;
  TButton* btnNewGroup;
  TButton* btnNewItem;
  TButton* btnEdit;
  TButton* btnDelete;
  TBitBtn* btnMoveUp;
  TBitBtn* btnMoveDown;
  TButton* btnOk;
  TButton* btnCancel;

  TRunGroupTree& Tree() { return FTree; }

  void btnNewGroupClick();
  void btnNewItemClick();
  void btnEditClick();
  void btnDeleteClick();
  // Writes the file; the dialog stays open when it cannot be written.
  void btnOkClick();

 private:
  void ShowTree();
  // Asks for a group's name, starting with Name; false when cancelled or left empty.
  bool AskGroupName(std::string& name);

  TRunGroupFile& FFile;
  TRunGroupTree FTree;
  bool FSelecting = false;  // the user selects a node in the tree
};

// Shows the dialog over File; true after OK.
bool RunRunGroupOptions(TRunGroupFile& file);
