#include "app/RunGroupTree.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/sources/SourceSettings.h"
#include "tests/support/Mapped.h"

namespace {

using TNode = TRunGroupTree::TNode;

TGroupData Item(const std::string& name, double delay = 1) { return {name, name + ".exe", "", delay}; }

using TNames = std::vector<std::string>;

TRunGroupTree WorkAndPlay() {
  return TRunGroupTree({{"Work", {Item("mail"), Item("web"), Item("chat")}}, {"Play", {}}});
}

std::vector<std::string> ItemNames(const TRunGroup& group) {
  return Mapped(group.Items, [](const TGroupData& item) { return item.ItemName; });
}

}  // namespace

// Each change is made in the dialog's model, saved to the file and read back as the dialog
// shows it the next time: a name or path comes back as it was shown, or is refused in words.
TEST(RunGroupTreeTest, NamesAndPathsComeBackFromTheFileOrAreRefused) {
  using TChange = std::function<std::string(TRunGroupTree&)>;
  const TGroupData mail = {"mail", "mail.exe", "/new", 1};
  const TNames before = {"Work: mail: mail.exe /new"};
  const TChange addNamed = [](TRunGroupTree& t) { return t.AddItem({" ;note", "n.exe", "", 1}); };
  struct TCase {
    const char* What;
    TChange Change;
    const char* Refusal;  // a part of the message; empty when the change is taken
    TNames Seen;          // "group: item: program parameters"
  } cases[] = {
      {"a group named like another but for a blank", [](auto& t) { return t.AddGroup("Work "); }, "exists", before},
      {"a group renamed to itself in capitals", [](auto& t) { return t.RenameGroup("WORK"); }, "",
       {"WORK: mail: mail.exe /new"}},
      {"a group renamed with blanks around", [](auto& t) { return t.RenameGroup(" Job "); }, "",
       {"Job: mail: mail.exe /new"}},
      {"a group renamed to blanks", [](auto& t) { return t.RenameGroup("  "); }, "cannot be kept", before},
      {"a group with a bracket", [](auto& t) { return t.AddGroup("a[b"); }, "cannot be kept", before},
      {"an item whose name is a comment once trimmed", addNamed, "cannot be kept", before},
      {"an item with =", [](auto& t) { return t.AddItem({"a=b", "x", "", 1}); }, "cannot be kept", before},
      {"an item named like another but for case and blanks",
       [](auto& t) { return t.AddItem({" MAIL", "x", "", 1}); }, "already", before},
      {"an item edited to a blank name", [](auto& t) { return t.ReplaceItem({" ", "x", "", 1}); }, "cannot be kept",
       before},
      {"an item edited to no name", [](auto& t) { return t.ReplaceItem({"", "x", "", 1}); }, "cannot be kept",
       before},
      {"a program with ;", [](auto& t) { return t.AddItem({" web ", "C:\\a;b\\web.exe", "x;y", 1}); }, "",
       {"Work: mail: mail.exe /new", "Work: web: C:\\a;b\\web.exe x;y"}},
      {"a program in quotes", [](auto& t) { return t.AddItem({"q", "\"C:\\Program Files\\q.exe\"", "-a", 1}); }, "",
       {"Work: mail: mail.exe /new", "Work: q: \"C:\\Program Files\\q.exe\" -a"}},
      {"a quote before parameters with ;", [](auto& t) { return t.AddItem({"odd", "\"a", "b\";c", 1}); }, "",
       {"Work: mail: mail.exe /new", "Work: odd: \"a b\";c"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TRunGroupTree tree({{"Work", {mail}}});
    tree.Select({0, 0});
    const std::string refusal = c.Change(tree);
    EXPECT_EQ(refusal.empty(), std::string(c.Refusal).empty()) << refusal;
    EXPECT_NE(refusal.find(c.Refusal), std::string::npos) << refusal;
    TRunGroupFile file(WriteSettingsFile("rungroup_names.ini", ""));
    file.Write(tree.Groups());
    TNames seen;
    for (const TRunGroup& group : ReadRunGroups(*file.Read()))
      for (const TGroupData& item : group.Items)
        seen.push_back(group.Name + ": " + TRunGroupTree::ItemText(item) + " " + item.Parameters);
    EXPECT_EQ(seen, c.Seen);
  }
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
