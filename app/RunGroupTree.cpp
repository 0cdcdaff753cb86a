#include "app/RunGroupTree.h"

#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

void TRunGroupTree::Select(TNode node) {
  const bool valid = node.Group >= 0 && node.Group < static_cast<int>(FGroups.size()) && node.Item >= -1 &&
                     node.Item < static_cast<int>(FGroups[node.Group].Items.size());
  FSelected = valid ? node : TNode{};
  Changed();
}

const TGroupData* TRunGroupTree::SelectedItem() const {
  return FSelected.Item >= 0 ? &FGroups[FSelected.Group].Items[FSelected.Item] : nullptr;
}

bool TRunGroupTree::SelectedGroupHasItems() const {
  return FSelected.Group >= 0 && !FGroups[FSelected.Group].Items.empty();
}

// Names are checked as the file keeps them (RunGroupName), and the file finds sections and
// keys ignoring case: two names that differ only so would be one.
std::string TRunGroupTree::GroupNameError(const std::string& name, int except) const {
  if (std::string error = RunGroupNameError(name); !error.empty()) return error;
  for (int i = 0; i < static_cast<int>(FGroups.size()); ++i)
    if (i != except && AnsiSameText(FGroups[i].Name, RunGroupName(name)))
      return TranslateFormat("A group named %s exists already.", {RunGroupName(name)});
  return "";
}

std::string TRunGroupTree::ItemNameError(const TRunGroup& group, const std::string& name, int except) const {
  if (std::string error = RunGroupNameError(name); !error.empty()) return error;
  for (int i = 0; i < static_cast<int>(group.Items.size()); ++i)
    if (i != except && AnsiSameText(group.Items[i].ItemName, RunGroupName(name)))
      return TranslateFormat("The group has an item named %s already.", {RunGroupName(name)});
  return "";
}

std::string TRunGroupTree::AddGroup(const std::string& name) {
  if (std::string error = GroupNameError(name, -1); !error.empty()) return error;
  FGroups.push_back({RunGroupName(name), {}});
  Select({static_cast<int>(FGroups.size()) - 1, -1});
  return "";
}

std::string TRunGroupTree::RenameGroup(const std::string& name) {
  if (FSelected.Group < 0) return "";
  if (std::string error = GroupNameError(name, FSelected.Group); !error.empty()) return error;
  FGroups[FSelected.Group].Name = RunGroupName(name);
  Changed();
  return "";
}

std::string TRunGroupTree::AddItem(TGroupData item) {
  if (FSelected.Group < 0) return TranslateText("Please select a group first.");
  TRunGroup& group = FGroups[FSelected.Group];
  if (item.ItemName.empty()) return "";
  if (std::string error = ItemNameError(group, item.ItemName, -1); !error.empty()) return error;
  item.ItemName = RunGroupName(item.ItemName);
  group.Items.push_back(std::move(item));
  Select({FSelected.Group, static_cast<int>(group.Items.size()) - 1});
  return "";
}

std::string TRunGroupTree::ReplaceItem(TGroupData item) {
  if (FSelected.Item < 0) return "";
  TRunGroup& group = FGroups[FSelected.Group];
  if (std::string error = ItemNameError(group, item.ItemName, FSelected.Item); !error.empty()) return error;
  item.ItemName = RunGroupName(item.ItemName);
  group.Items[FSelected.Item] = std::move(item);
  Changed();
  return "";
}
void TRunGroupTree::DeleteSelected() {
  if (FSelected.Group < 0) return;
  if (FSelected.Item >= 0)
    FGroups[FSelected.Group].Items.erase(FGroups[FSelected.Group].Items.begin() + FSelected.Item);
  else
    FGroups.erase(FGroups.begin() + FSelected.Group);
  Select({});
}

void TRunGroupTree::Move(int step) {
  if (FSelected.Item < 0) return;
  std::vector<TGroupData>& items = FGroups[FSelected.Group].Items;
  const int other = FSelected.Item + step;
  if (other < 0 || other >= static_cast<int>(items.size())) return;
  std::swap(items[FSelected.Item], items[other]);
  Select({FSelected.Group, other});
}
