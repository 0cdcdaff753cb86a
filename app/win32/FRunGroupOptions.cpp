#include "app/win32/FRunGroupOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/FSetItem.h"
#include "ui/Dialogs.h"

namespace {

// A node's number in the tree: its group and item (-1 for the group itself); 0 is no node.
LPARAM NodeData(int group, int item) { return MAKELPARAM(item + 1, group + 1); }
TRunGroupTree::TNode NodeOf(LPARAM data) { return {HIWORD(data) - 1, LOWORD(data) - 1}; }

// Tells a refusal in words; true when there was none.
bool Accepted(const std::string& error) {
  if (!error.empty()) ShowMessage(error);
  return error.empty();
}

}  // namespace

TRunGroupOptionsForm::TRunGroupOptionsForm(TComponent* owner, TRunGroupFile& file)
    : TForm(owner), FFile(file), FTree(ReadRunGroups(*file.Read())) {
  SetCaption("Run group options");
  SetDialogFrame(*this, 579, 436);

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetCaption("Groups");
  GroupBox1->SetBounds(8, 8, 563, 380);
  GroupBox1->SetParent(this);
  // Below the caption in the frame's top edge.
  treeGroups = new TTreeView(this);
  treeGroups->SetBounds(10, 22, 420, 348);
  treeGroups->SetParent(GroupBox1);
  btnNewGroup = NewButton(*this, *GroupBox1, "Add Group", 442, 22, 110);
  btnNewItem = NewButton(*this, *GroupBox1, "Add Item", 442, 55, 110);
  btnEdit = NewButton(*this, *GroupBox1, "Edit", 442, 88, 110);
  btnDelete = NewButton(*this, *GroupBox1, "Delete", 442, 121, 110);
  btnMoveUp = new TArrowButton(this, true);
  btnMoveUp->SetBounds(442, 164, 27, 27);
  btnMoveUp->SetParent(GroupBox1);
  btnMoveDown = new TArrowButton(this, false);
  btnMoveDown->SetBounds(472, 164, 27, 27);
  btnMoveDown->SetParent(GroupBox1);
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 398, 571, mrNone);
  ActiveControl = treeGroups;

  treeGroups->OnChange = [this](TComponent&) {
    FSelecting = true;
    FTree.Select(NodeOf(treeGroups->SelectedData(0)));
    FSelecting = false;
  };
  treeGroups->OnDblClick = [this](TComponent&) { btnEditClick(); };
  btnNewGroup->OnClick = [this](TComponent&) { btnNewGroupClick(); };
  btnNewItem->OnClick = [this](TComponent&) { btnNewItemClick(); };
  btnEdit->OnClick = [this](TComponent&) { btnEditClick(); };
  btnDelete->OnClick = [this](TComponent&) { btnDeleteClick(); };
  btnMoveUp->OnClick = [this](TComponent&) { FTree.MoveUp(); };
  btnMoveDown->OnClick = [this](TComponent&) { FTree.MoveDown(); };
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  FTree.OnChange = [this] { ShowTree(); };
  ShowTree();
}

void TRunGroupOptionsForm::ShowTree() {
  if (FSelecting) return;  // the tree shows the user's choice already
  treeGroups->Clear();
  HTREEITEM selected = nullptr;
  const TRunGroups& groups = FTree.Groups();
  for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
    HTREEITEM group = treeGroups->AddNode(nullptr, groups[g].Name, NodeData(g, -1));
    if (FTree.Selected() == TRunGroupTree::TNode{g, -1}) selected = group;
    for (int i = 0; i < static_cast<int>(groups[g].Items.size()); ++i) {
      HTREEITEM item = treeGroups->AddNode(group, TRunGroupTree::ItemText(groups[g].Items[i]), NodeData(g, i));
      if (FTree.Selected() == TRunGroupTree::TNode{g, i}) selected = item;
    }
  }
  treeGroups->Select(selected);
  btnNewItem->SetEnabled(!groups.empty());
}

bool TRunGroupOptionsForm::AskGroupName(std::string& name) {
  return InputQuery("Group Name", "Please enter the group name", name) && !name.empty();
}

void TRunGroupOptionsForm::btnNewGroupClick() {
  std::string name;
  while (AskGroupName(name) && !Accepted(FTree.AddGroup(name))) {
  }
}

void TRunGroupOptionsForm::btnNewItemClick() {
  if (FTree.Selected().Group < 0) return ShowMessage("Please select a group first.");
  TGroupData item;
  while (EditGroupItem(this, item) && !Accepted(FTree.AddItem(item))) {
  }
}

void TRunGroupOptionsForm::btnEditClick() {
  if (FTree.Selected().Group < 0) return ShowMessage("Please select a group/item first.");
  if (const TGroupData* selected = FTree.SelectedItem()) {
    TGroupData item = *selected;
    while (EditGroupItem(this, item) && !Accepted(FTree.ReplaceItem(item))) {
    }
    return;
  }
  std::string name = FTree.Groups()[FTree.Selected().Group].Name;
  while (AskGroupName(name) && !Accepted(FTree.RenameGroup(name))) {
  }
}

void TRunGroupOptionsForm::btnDeleteClick() {
  if (FTree.Selected().Group < 0) return ShowMessage("Please select a group/item first.");
  if (FTree.Selected().Item < 0 && FTree.SelectedGroupHasItems() &&
      MessageDlg("This group is not empty, really delete?", mtWarning, {mrYes, mrNo}) != mrYes)
    return;
  FTree.DeleteSelected();
}

void TRunGroupOptionsForm::btnOkClick() {
  try {
    FFile.Write(FTree.Groups());
  } catch (const EInOutError& e) {
    MessageDlg(e.Message(), mtError, {mrOk});
    return;
  }
  ModalResult = mrOk;
}

bool RunRunGroupOptions(TRunGroupFile& file) { return ShowModalOk<TRunGroupOptionsForm>(file); }
