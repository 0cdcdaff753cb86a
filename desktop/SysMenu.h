// The entries a TSystemMenu puts into a window's system menu, worked out without a window: where
// each goes, its type, state and text, and which commands a user can then pick. The Win32 side
// turns these entries into menu calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/MenuBreak.h"

// A menu item as the system menu sees it.
struct TSysMenuItem {
  std::string Caption;       // "-" makes a separator
  std::string ShortCutText;  // "Ctrl+O"; empty without a shortcut
  unsigned Command = 0;
  bool Visible = true;
  bool Enabled = true;
  bool Checked = false;
  bool Default = false;
  bool RadioItem = false;
  TMenuBreak Break = mbNone;
  std::vector<TSysMenuItem> Items;  // with items, the item opens a sub-menu
};

// The type and state bits of a menu entry, with the values the Win32 menu API gives them.
namespace SysMenuBits {
constexpr unsigned ftString = 0;
constexpr unsigned ftMenuBarBreak = 0x20;
constexpr unsigned ftMenuBreak = 0x40;
constexpr unsigned ftRadioCheck = 0x200;
constexpr unsigned ftSeparator = 0x800;
constexpr unsigned fsDisabled = 0x3;  // greyed and disabled
constexpr unsigned fsChecked = 0x8;
constexpr unsigned fsDefault = 0x1000;
// Of the menu call of Windows before version 4 (InsertMenuA).
constexpr unsigned mfPopup = 0x10;
constexpr unsigned mfByPosition = 0x400;
}  // namespace SysMenuBits

// One entry to insert into a menu.
struct TSysMenuEntry {
  int Position = -1;  // zero-based, in the menu as it stands when the entry goes in; -1 appends
  unsigned Type = SysMenuBits::ftString;
  unsigned State = 0;
  unsigned Id = 0;  // the item's command, also for separators and sub-menus
  std::string Text;
  bool SubMenu = false;
  std::vector<TSysMenuEntry> Items;  // the sub-menu's own entries, each appended in turn
};

// The entries for the visible items, in menu order. The first goes to Position and the others
// follow it without gaps; a negative Position appends them after the MenuCount entries already
// there, and a Position beyond those entries is taken as the end.
std::vector<TSysMenuEntry> SystemMenuLayout(const std::vector<TSysMenuItem>& items, int position, int menuCount);

// The flags with which Windows before version 4 inserts an entry (InsertMenuA): the separator and
// the breaks of its type, the check mark and the disabled bits of its state (radio items and the
// default are not carried), by position, and a pop-up for a sub-menu.
unsigned OldStyleMenuFlags(const TSysMenuEntry& entry);

// The command a WM_SYSCOMMAND names: the low word of its wParam.
unsigned SysCommandId(std::uintptr_t wParam);

// The commands of the entries one component has put into a menu.
class TSysMenuCommands {
 public:
  void Assign(const std::vector<TSysMenuEntry>& entries);
  void Clear();

  // The entries of the menu itself, by command: what goes out before the next rebuild.
  const std::vector<unsigned>& Inserted() const { return FInserted; }
  // The command a WM_SYSCOMMAND's wParam names when a user can pick it among these entries
  // (an item, in the menu or in one of its sub-menus, that is neither a separator nor a sub-menu).
  std::optional<unsigned> Picked(std::uintptr_t wParam) const;

 private:
  void AddPickable(const std::vector<TSysMenuEntry>& entries);

  std::vector<unsigned> FInserted;
  std::vector<unsigned> FPickable;
};
