// Where the entries of a popup menu go in a window's system menu, how they look, and which
// commands a user can pick from them.
#include "desktop/SysMenu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Mapped.h"

namespace {

using namespace SysMenuBits;

TSysMenuItem Item(const std::string& caption, unsigned command, const std::string& shortCut = {}) {
  TSysMenuItem item;
  item.Caption = caption;
  item.Command = command;
  item.ShortCutText = shortCut;
  return item;
}

// Item "x" with a change.
TSysMenuItem X(void (*change)(TSysMenuItem&)) {
  TSysMenuItem item = Item("x", 0x200);
  change(item);
  return item;
}

// The main window's menu: Options (Ctrl+O), a line, Help, About, a line.
std::vector<TSysMenuItem> MainMenu() {
  return {Item("Options", 0x101, "Ctrl+O"), Item("-", 0x102), Item("Help", 0x103), Item("About", 0x104),
          Item("-", 0x105)};
}

auto PositionsOf(const std::vector<TSysMenuEntry>& entries) {
  return Mapped(entries, [](const TSysMenuEntry& entry) { return entry.Position; });
}

auto IdsOf(const std::vector<TSysMenuEntry>& entries) {
  return Mapped(entries, [](const TSysMenuEntry& entry) { return entry.Id; });
}

}  // namespace

// A shortcut follows the caption after a tab; a separator carries no text, whatever its shortcut.
TEST(SysMenuLayout, ItemPropertiesBecomeTypeStateAndText) {
  const struct {
    TSysMenuItem Item;
    unsigned Type, State;
    const char* Text;
  } cases[] = {
      {Item("Options", 0x101, "Ctrl+O"), ftString, 0, "Options\tCtrl+O"},
      {Item("-", 0x102, "Ctrl+L"), ftSeparator, 0, ""},
      {X([](TSysMenuItem& i) { i.Enabled = false; }), ftString, fsDisabled, "x"},
      {X([](TSysMenuItem& i) { i.Checked = true; }), ftString, fsChecked, "x"},
      {X([](TSysMenuItem& i) { i.Default = true; }), ftString, fsDefault, "x"},
      {X([](TSysMenuItem& i) { i.Checked = i.RadioItem = true; }), ftRadioCheck, fsChecked, "x"},
      {X([](TSysMenuItem& i) { i.Break = mbBreak; }), ftMenuBreak, 0, "x"},
      {X([](TSysMenuItem& i) { i.Break = mbBarBreak, i.Enabled = false; }), ftMenuBarBreak, fsDisabled, "x"},
  };
  for (const auto& c : cases) {
    const auto entries = SystemMenuLayout({c.Item}, -1, 7);
    ASSERT_EQ(entries.size(), 1u);
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(entries[0].Type, c.Type);
    EXPECT_EQ(entries[0].State, c.State);
    EXPECT_EQ(entries[0].Text, c.Text);
    EXPECT_EQ(entries[0].Id, c.Item.Command);
    EXPECT_FALSE(entries[0].SubMenu);
  }
}

// Windows before version 4 inserts by position with flags of the old call, which carries no radio
// items and no default.
TEST(SysMenuLayout, TheOldMenuCallTakesLinesBreaksCheckMarksAndDisabledButNoRadioOrDefault) {
  TSysMenuItem more = Item("More", 0x400);
  more.Items = {Item("Copy", 0x401)};
  const struct {
    TSysMenuItem Item;
    unsigned Flags;
  } cases[] = {
      {Item("Options", 0x101, "Ctrl+O"), mfByPosition},
      {Item("-", 0x102), ftSeparator | mfByPosition},
      {X([](TSysMenuItem& i) { i.Enabled = false; }), fsDisabled | mfByPosition},
      {X([](TSysMenuItem& i) { i.Checked = i.RadioItem = i.Default = true; }), fsChecked | mfByPosition},
      {X([](TSysMenuItem& i) { i.Break = mbBreak; }), ftMenuBreak | mfByPosition},
      {X([](TSysMenuItem& i) { i.Break = mbBarBreak, i.Enabled = false; }), ftMenuBarBreak | fsDisabled | mfByPosition},
      {more, mfPopup | mfByPosition},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Item.Caption + " " + std::to_string(c.Flags));
    const auto entries = SystemMenuLayout({c.Item}, 0, 7);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(OldStyleMenuFlags(entries[0]), c.Flags);
  }
}

TEST(SysMenuLayout, PositionsAppendCountOnlyTheEntriesThatGoInAndStayInsideTheMenu) {
  EXPECT_EQ(PositionsOf(SystemMenuLayout(MainMenu(), 0, 7)), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(PositionsOf(SystemMenuLayout(MainMenu(), -1, 7)), (std::vector<int>{-1, -1, -1, -1, -1}));
  EXPECT_EQ(PositionsOf(SystemMenuLayout(MainMenu(), -5, 7)), (std::vector<int>{-1, -1, -1, -1, -1}));

  // The third of five hidden: the fourth and fifth close the gap, so that no standard command
  // ends up between them.
  auto items = MainMenu();
  items[2].Visible = false;
  auto entries = SystemMenuLayout(items, 0, 7);
  EXPECT_EQ(IdsOf(entries), (std::vector<unsigned>{0x101, 0x102, 0x104, 0x105}));
  EXPECT_EQ(PositionsOf(entries), (std::vector<int>{0, 1, 2, 3}));
  // In the middle, and beyond the end of the menu.
  EXPECT_EQ(PositionsOf(SystemMenuLayout(items, 2, 7)), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(PositionsOf(SystemMenuLayout(items, 20, 7)), (std::vector<int>{7, 8, 9, 10}));
  EXPECT_EQ(PositionsOf(SystemMenuLayout(items, 3, 0)), (std::vector<int>{0, 1, 2, 3}));

  // Nothing visible, nothing to insert.
  for (auto& item : items) item.Visible = false;
  EXPECT_TRUE(SystemMenuLayout(items, 0, 7).empty());
  EXPECT_TRUE(SystemMenuLayout({}, 0, 7).empty());
}

// Its visible items, appended in turn, and no shortcut of its own; an item whose items are all
// hidden still opens a (then empty) sub-menu.
TEST(SysMenuLayout, ASubMenuIsBuiltFromItsVisibleItemsAndShowsNoShortcutOfItsOwn) {
  TSysMenuItem more = Item("More", 0x400, "Ctrl+M");
  more.Items = {Item("Copy", 0x401, "Ctrl+C"), Item("-", 0x402), Item("Hidden", 0x403), Item("Deeper", 0x404)};
  more.Items[2].Visible = false;
  more.Items[3].Items = {Item("Bottom", 0x405)};
  TSysMenuItem empty = Item("Empty", 0x410);
  empty.Items = {Item("Gone", 0x411)};
  empty.Items[0].Visible = false;

  const auto entries = SystemMenuLayout({Item("Top", 0x3FF), more, empty}, 1, 7);
  ASSERT_EQ(entries.size(), 3u);
  const TSysMenuEntry& sub = entries[1];
  EXPECT_TRUE(sub.SubMenu);
  EXPECT_EQ(sub.Text, "More");
  EXPECT_EQ(IdsOf(sub.Items), (std::vector<unsigned>{0x401, 0x402, 0x404}));
  EXPECT_EQ(PositionsOf(sub.Items), (std::vector<int>{-1, -1, -1}));
  EXPECT_EQ(sub.Items[0].Text, "Copy\tCtrl+C");
  ASSERT_EQ(sub.Items[2].Items.size(), 1u);
  EXPECT_EQ(sub.Items[2].Items[0].Text, "Bottom");
  EXPECT_TRUE(entries[2].SubMenu);
  EXPECT_TRUE(entries[2].Items.empty());
}

TEST(SysMenuCommands, OnlyEntriesAUserCanPickAreRunAndRebuildsForgetTheOldOnes) {
  TSysMenuItem more = Item("More", 0x400);
  more.Items = {Item("Copy", 0x401), Item("-", 0x402)};
  auto items = MainMenu();
  items.push_back(more);
  items[3].Visible = false;  // About
  TSysMenuCommands commands;
  EXPECT_FALSE(commands.Picked(0x101));
  commands.Assign(SystemMenuLayout(items, 0, 7));

  // What goes out before a rebuild: every entry of the menu itself, lines and sub-menus too.
  EXPECT_EQ(commands.Inserted(), (std::vector<unsigned>{0x101, 0x102, 0x103, 0x105, 0x400}));
  // The command is the low word of wParam; one inside a sub-menu counts.
  for (std::uintptr_t wParam : {0x101u, 0x103u, 0x401u, 0xABCD0101u})
    EXPECT_EQ(commands.Picked(wParam), wParam & 0xFFFF) << std::hex << wParam;
  // Lines, sub-menus, hidden items and anything else are not ours to run.
  for (std::uintptr_t wParam : {0x102u, 0x105u, 0x402u, 0x400u, 0x104u, 0x0u, 0xF060u, 0xF100u, 0x7777u})
    EXPECT_FALSE(commands.Picked(wParam)) << std::hex << wParam;

  commands.Assign(SystemMenuLayout({Item("Help", 0x103)}, -1, 7));
  EXPECT_EQ(commands.Inserted(), (std::vector<unsigned>{0x103}));
  EXPECT_FALSE(commands.Picked(0x101));
  EXPECT_FALSE(commands.Picked(0x401));
  EXPECT_TRUE(commands.Picked(0x103));
  commands.Clear();
  EXPECT_TRUE(commands.Inserted().empty());
  EXPECT_FALSE(commands.Picked(0x103));
}
