#include "app/RunGroupTree.h"

#include <gtest/gtest.h>

#include "tests/support/Mapped.h"

namespace {

using TNode = TRunGroupTree::TNode;

TGroupData Item(const std::string& name, double delay = 1) { return {name, name + ".exe", "", delay}; }

TRunGroupTree WorkAndPlay() {
  return TRunGroupTree({{"Work", {Item("mail"), Item("web"), Item("chat")}}, {"Play", {}}});
}

std::vector<std::string> ItemNames(const TRunGroup& group) {
  return Mapped(group.Items, [](const TGroupData& item) { return item.ItemName; });
}

}  // namespace

TEST(RunGroupTreeTest, NamesAreRefusedWhenTheFileWouldLoseOrBreakThem) {
  TRunGroupTree tree = WorkAndPlay();
  struct TCase {
    const char* What;
    std::string (*Change)(TRunGroupTree& tree);
    bool Refused;
  } cases[] = {
      {"a group named like another", [](TRunGroupTree& t) { return t.AddGroup("WORK"); }, true},
      {"a group with a bracket", [](TRunGroupTree& t) { return t.AddGroup("a]b"); }, true},
      {"a new group", [](TRunGroupTree& t) { return t.AddGroup("Home"); }, false},
      {"a group renamed to itself", [](TRunGroupTree& t) { return t.RenameGroup("home"); }, false},
      {"a group renamed like another", [](TRunGroupTree& t) { return t.RenameGroup("Play"); }, true},
      {"a first item", [](TRunGroupTree& t) { return t.AddItem(Item("x")); }, false},
      {"an item named like another", [](TRunGroupTree& t) { return t.AddItem(Item("X")); }, true},
      {"an item with =", [](TRunGroupTree& t) { return t.AddItem(Item("a=b")); }, true},
      {"an item edited under its own name", [](TRunGroupTree& t) { return t.ReplaceItem(Item("x", 5)); }, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(c.Change(tree).empty(), !c.Refused);
  }
  EXPECT_EQ(tree.Groups().back().Name, "home");
  EXPECT_EQ(tree.Groups().back().Items, (std::vector<TGroupData>{Item("x", 5)}));
  EXPECT_EQ(tree.Selected(), (TNode{2, 0}));
}

TEST(RunGroupTreeTest, ItemsMoveWithinTheirGroupAndTheSelectionFollows) {
  TRunGroupTree tree = WorkAndPlay();
  tree.Select({0, 0});
  tree.MoveUp();  // the first stays first
  tree.MoveDown();
  tree.MoveDown();
  tree.MoveDown();  // the last stays last
  EXPECT_EQ(ItemNames(tree.Groups()[0]), (std::vector<std::string>{"web", "chat", "mail"}));
  EXPECT_EQ(tree.Selected(), (TNode{0, 2}));
  tree.Select({1, -1});
  tree.MoveUp();  // groups do not move
  EXPECT_EQ(tree.Groups()[1].Name, "Play");

  tree.Select({0, 5});
  EXPECT_EQ(tree.Selected(), TNode{});
  EXPECT_FALSE(tree.AddItem(Item("x")).empty());
  tree.Select({0, 1});
  EXPECT_EQ(tree.AddItem(Item("")), "");   // no name, no item
  EXPECT_EQ(tree.AddItem(Item("x")), "");  // into the selected item's group
  EXPECT_EQ(ItemNames(tree.Groups()[0]).back(), "x");
  tree.Select({0, -1});
  tree.DeleteSelected();
  EXPECT_EQ(tree.Groups().size(), 1u);
  EXPECT_EQ(tree.Selected(), TNode{});
}
