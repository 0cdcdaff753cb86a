#include "desktop/SysMenu.h"

#include <algorithm>

namespace {

bool IsLine(const TSysMenuItem& item) { return item.Caption == "-"; }

unsigned TypeOf(const TSysMenuItem& item) {
  unsigned type = IsLine(item) ? SysMenuBits::ftSeparator : SysMenuBits::ftString;
  if (item.RadioItem) type |= SysMenuBits::ftRadioCheck;
  if (item.Break == mbBreak) type |= SysMenuBits::ftMenuBreak;
  if (item.Break == mbBarBreak) type |= SysMenuBits::ftMenuBarBreak;
  return type;
}

unsigned StateOf(const TSysMenuItem& item) {
  unsigned state = 0;
  if (item.Checked) state |= SysMenuBits::fsChecked;
  if (!item.Enabled) state |= SysMenuBits::fsDisabled;
  if (item.Default) state |= SysMenuBits::fsDefault;
  return state;
}

// The caption, with the shortcut after a tab on an item that runs a command.
std::string TextOf(const TSysMenuItem& item) {
  if (IsLine(item)) return {};
  if (item.Items.empty() && !item.ShortCutText.empty()) return item.Caption + '\t' + item.ShortCutText;
  return item.Caption;
}

TSysMenuEntry EntryOf(const TSysMenuItem& item) {
  TSysMenuEntry entry;
  entry.Type = TypeOf(item);
  entry.State = StateOf(item);
  entry.Id = item.Command;
  entry.Text = TextOf(item);
  entry.SubMenu = !item.Items.empty();
  if (entry.SubMenu) entry.Items = SystemMenuLayout(item.Items, -1, 0);
  return entry;
}

}  // namespace

std::vector<TSysMenuEntry> SystemMenuLayout(const std::vector<TSysMenuItem>& items, int position, int menuCount) {
  const bool append = position < 0;
  int next = append ? -1 : std::min(position, std::max(menuCount, 0));
  std::vector<TSysMenuEntry> entries;
  for (const TSysMenuItem& item : items) {
    if (!item.Visible) continue;  // takes no place: the next entry goes where it would have gone
    TSysMenuEntry entry = EntryOf(item);
    entry.Position = next;
    if (!append) ++next;
    entries.push_back(std::move(entry));
  }
  return entries;
}

unsigned OldStyleMenuFlags(const TSysMenuEntry& entry) {
  using namespace SysMenuBits;
  const unsigned type = entry.Type & (ftSeparator | ftMenuBreak | ftMenuBarBreak);
  const unsigned state = entry.State & (fsChecked | fsDisabled);
  return type | state | mfByPosition | (entry.SubMenu ? mfPopup : 0);
}

unsigned SysCommandId(std::uintptr_t wParam) { return static_cast<unsigned>(wParam & 0xFFFF); }

void TSysMenuCommands::Assign(const std::vector<TSysMenuEntry>& entries) {
  Clear();
  for (const TSysMenuEntry& entry : entries) FInserted.push_back(entry.Id);
  AddPickable(entries);
}

void TSysMenuCommands::Clear() {
  FInserted.clear();
  FPickable.clear();
}

void TSysMenuCommands::AddPickable(const std::vector<TSysMenuEntry>& entries) {
  for (const TSysMenuEntry& entry : entries) {
    if (entry.SubMenu)
      AddPickable(entry.Items);
    else if (!(entry.Type & SysMenuBits::ftSeparator))
      FPickable.push_back(entry.Id);
  }
}

std::optional<unsigned> TSysMenuCommands::Picked(std::uintptr_t wParam) const {
  const unsigned command = SysCommandId(wParam);
  if (std::find(FPickable.begin(), FPickable.end(), command) == FPickable.end()) return std::nullopt;
  return command;
}
