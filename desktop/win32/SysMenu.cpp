#include "desktop/win32/SysMenu.h"

#include <vector>

static_assert(SysMenuBits::ftString == MFT_STRING && SysMenuBits::ftSeparator == MFT_SEPARATOR &&
              SysMenuBits::ftRadioCheck == MFT_RADIOCHECK && SysMenuBits::ftMenuBreak == MFT_MENUBREAK &&
              SysMenuBits::ftMenuBarBreak == MFT_MENUBARBREAK);
static_assert(SysMenuBits::fsDisabled == MFS_DISABLED && SysMenuBits::fsChecked == MFS_CHECKED &&
              SysMenuBits::fsDefault == MFS_DEFAULT);
static_assert(SysMenuBits::ftSeparator == MF_SEPARATOR && SysMenuBits::ftMenuBreak == MF_MENUBREAK &&
              SysMenuBits::ftMenuBarBreak == MF_MENUBARBREAK && SysMenuBits::fsChecked == MF_CHECKED &&
              SysMenuBits::fsDisabled == (MF_GRAYED | MF_DISABLED) && SysMenuBits::mfPopup == MF_POPUP &&
              SysMenuBits::mfByPosition == MF_BYPOSITION);

namespace {

TSysMenuItem Describe(const TMenuItem& item) {
  TSysMenuItem described;
  described.Caption = item.Caption;
  described.ShortCutText = item.ShortCut ? ShortCutToText(item.ShortCut) : std::string();
  described.Command = item.Command();
  described.Visible = item.Visible;
  described.Enabled = item.Enabled;
  described.Checked = item.Checked;
  described.Default = item.Default;
  described.RadioItem = item.RadioItem;
  described.Break = item.Break;
  for (const TMenuItem* child : item.Items()) described.Items.push_back(Describe(*child));
  return described;
}

std::vector<TSysMenuItem> DescribeItems(const TMenuItem& parent) {
  std::vector<TSysMenuItem> items;
  for (const TMenuItem* item : parent.Items()) items.push_back(Describe(*item));
  return items;
}

// Windows before version 4 has only the old menu call.
bool OldMenuCall() { return LOBYTE(LOWORD(TSystemMenu::WindowsVersion())) < 4; }

void InsertEntries(HMENU menu, std::vector<TSysMenuEntry>& entries, bool oldCall);

// A sub-menu is a menu of its own, made here for the system menu: the system menu destroys it
// with itself, and nothing else holds it. The old call knows a sub-menu's entry by the sub-menu's
// handle, which then becomes the entry's identifier.
void InsertEntry(HMENU menu, TSysMenuEntry& entry, bool oldCall) {
  HMENU subMenu = nullptr;
  if (entry.SubMenu) {
    subMenu = CreatePopupMenu();
    InsertEntries(subMenu, entry.Items, oldCall);
  }
  const UINT position = entry.Position < 0 ? static_cast<UINT>(-1) : static_cast<UINT>(entry.Position);
  bool inserted;
  if (oldCall) {
    const UINT_PTR id = subMenu ? reinterpret_cast<UINT_PTR>(subMenu) : entry.Id;
    inserted = InsertMenuA(menu, position, OldStyleMenuFlags(entry), id, entry.Text.c_str());
    if (inserted) entry.Id = static_cast<unsigned>(id);
  } else {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA;
    info.fType = entry.Type;
    info.fState = entry.State;
    info.wID = entry.Id;
    info.hSubMenu = subMenu;
    info.dwTypeData = const_cast<char*>(entry.Text.c_str());
    inserted = InsertMenuItemA(menu, position, TRUE, &info);
  }
  if (!inserted && subMenu) DestroyMenu(subMenu);
}

void InsertEntries(HMENU menu, std::vector<TSysMenuEntry>& entries, bool oldCall) {
  for (TSysMenuEntry& entry : entries) InsertEntry(menu, entry, oldCall);
}

}  // namespace

TSystemMenu::TSystemMenu(TComponent* owner) : TComponent(owner), FForm(dynamic_cast<TForm*>(owner)) {}

TSystemMenu::~TSystemMenu() {
  // The owner may be half destroyed by now: only the hook goes. The entries stay in its menu
  // and, with nobody to take them, do nothing when picked.
  if (FHookId) Application().RemoveMessageFilter(FHookId);
}

void TSystemMenu::SetPopupMenu(TPopupMenu* value) {
  if (value == FPopupMenu) return;
  FPopupMenu = value;
  RebuildSystemMenu();
}

void TSystemMenu::SetPosition(int value) {
  if (value == FPosition) return;
  FPosition = value;
  RebuildSystemMenu();
}

void TSystemMenu::AttachHook() {
  if (FHookId) return;
  FHookId = Application().AddMessageFilter([this](MSG& msg) { return AppMessage(msg); });
}

void TSystemMenu::Loaded() {
  AttachHook();
  TComponent::Loaded();
}

TForm& TSystemMenu::OwnerForm() const {
  if (!FForm) throw Exception("Invalid class typecast");
  return *FForm;
}

void TSystemMenu::RebuildSystemMenu() {
  HMENU menu = GetSystemMenu(OwnerForm().Handle(), FALSE);
  if (!menu) {  // a window without a system menu
    FCommands.Clear();
    return;
  }
  RemoveEntries(menu);
  if (!FPopupMenu) return;
  auto entries = SystemMenuLayout(DescribeItems(FPopupMenu->Items()), FPosition, GetMenuItemCount(menu));
  InsertEntries(menu, entries, OldMenuCall());
  FCommands.Assign(entries);
}

void TSystemMenu::RemoveEntries(HMENU menu) {
  for (unsigned id : FCommands.Inserted()) DeleteMenu(menu, id, MF_BYCOMMAND);
  FCommands.Clear();
}

bool TSystemMenu::AppMessage(MSG& msg) {
  if (msg.message != WM_SYSCOMMAND) return false;
  // Only the owner's own system menu: the form is looked up by its window, never touched.
  if (!FForm || TWinControl::FromHandle(msg.hwnd) != FForm) return false;
  return HandleSysCommand(msg);
}

bool TSystemMenu::HandleSysCommand(const MSG& msg) {
  const auto command = FCommands.Picked(msg.wParam);
  if (!command) return false;
  // A freed item leaves its entry behind; its command then belongs to nobody.
  TMenuItem* item = TMenuItem::FindCommand(*command);
  if (!item) return false;
  item->Click();
  return true;
}
