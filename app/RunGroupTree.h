// What the run-group dialog edits: the groups with their items, in run order, and the selected
// node. Names are kept as the file keeps them (without blanks around them); a name the file
// would lose or break and a second group or item of one name are refused with a sentence for
// the user.
#pragma once

#include <functional>
#include <string>

#include "sources/SearchRunGroup.h"

class TRunGroupTree {
 public:
  // A group (Item -1) or one of its items; Group -1 is no node.
  struct TNode {
    int Group = -1;
    int Item = -1;
    bool operator==(const TNode&) const = default;
  };

  explicit TRunGroupTree(TRunGroups groups = {}) : FGroups(std::move(groups)) {}

  const TRunGroups& Groups() const { return FGroups; }
  TNode Selected() const { return FSelected; }
  void Select(TNode node);
  const TGroupData* SelectedItem() const;
  bool SelectedGroupHasItems() const;

  // Each answers why it did nothing, or empty when done; a new node becomes the selected one.
  std::string AddGroup(const std::string& name);
  std::string RenameGroup(const std::string& name);  // the selected group
  // To the selected group, or the group of the selected item. An item left without a name is
  // not added; an edited one may not lose its name.
  std::string AddItem(TGroupData item);
  std::string ReplaceItem(TGroupData item);  // the selected item
  void DeleteSelected();
  // An item changes places with its neighbour in its group; groups do not move.
  void MoveUp() { Move(-1); }
  void MoveDown() { Move(1); }

  // A node's text: the group's name, or "name: program".
  static std::string ItemText(const TGroupData& item) { return item.ItemName + ": " + item.Program; }

  // Told after every change of groups, items or selection.
  std::function<void()> OnChange;

 private:
  std::string GroupNameError(const std::string& name, int except) const;
  std::string ItemNameError(const TRunGroup& group, const std::string& name, int except) const;
  void Move(int step);
  void Changed() const {
    if (OnChange) OnChange();
  }

  TRunGroups FGroups;
  TNode FSelected;
};
