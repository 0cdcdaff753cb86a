#include "ui/Menus.h"

#include <algorithm>
#include <map>

#include "ui/Forms.h"

namespace {

// Live items by command id: a command from a stale menu finds nothing.
std::map<UINT, TMenuItem*>& LiveItems() {
  static std::map<UINT, TMenuItem*> items;
  return items;
}

UINT NextCommand = 0x100;

std::string KeyName(WORD key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  switch (key) {
    case VK_RETURN:
      return "Enter";
    case VK_ESCAPE:
      return "Esc";
    case VK_SPACE:
      return "Space";
    case VK_DELETE:
      return "Del";
    case VK_INSERT:
      return "Ins";
    case VK_HOME:
      return "Home";
    case VK_END:
      return "End";
    case VK_BACK:
      return "BkSp";
    case VK_TAB:
      return "Tab";
    case VK_UP:
      return "Up";
    case VK_DOWN:
      return "Down";
    case VK_LEFT:
      return "Left";
    case VK_RIGHT:
      return "Right";
    default:
      return {};
  }
}

UINT BreakFlag(TMenuBreak value) {
  switch (value) {
    case mbBreak:
      return MF_MENUBREAK;
    case mbBarBreak:
      return MF_MENUBARBREAK;
    case mbNone:
      break;
  }
  return 0;
}

// What AppendMenu cannot say: the last entry's check mark is a dot.
void MarkLastAsRadioItem(HMENU menu) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  const UINT last = static_cast<UINT>(GetMenuItemCount(menu) - 1);
  if (!GetMenuItemInfoA(menu, last, TRUE, &info)) return;
  info.fType |= MFT_RADIOCHECK;
  SetMenuItemInfoA(menu, last, TRUE, &info);
}

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
  const std::string name = KeyName(shortCut & 0xFF);
  if (name.empty()) return {};
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {
  // A free id: after wrapping around, the old ones may still be in use.
  do {
    FCommand = NextCommand++;
    if (NextCommand >= 0xF000) NextCommand = 0x100;  // system-menu commands start at 0xF000
  } while (LiveItems().count(FCommand));
  LiveItems()[FCommand] = this;
}

TMenuItem::~TMenuItem() {
  LiveItems().erase(FCommand);
  for (TMenuItem* item : FItems) item->FParent = nullptr;
  if (FParent) std::erase(FParent->FItems, this);
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->FParent) item->FParent->Remove(item);
  item->FParent = this;
  FItems.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item) {
  std::erase(FItems, item);
  item->FParent = nullptr;
}

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(*this);
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
  auto found = LiveItems().find(command);
  return found == LiveItems().end() ? nullptr : found->second;
}

bool TMenuItem::DispatchCommand(UINT command) {
  TMenuItem* item = FindCommand(command);
  if (!item) return false;
  item->Click();
  return true;
}

void TMenuItem::AppendTo(HMENU menu) const {
  for (const TMenuItem* item : FItems) {
    if (!item->Visible) continue;
    if (item->IsLine()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::string caption = item->Caption;
    if (const std::string keys = ShortCutToText(item->ShortCut); !keys.empty()) caption += "\t" + keys;
    UINT flags = MF_STRING | (item->Enabled ? 0 : MF_GRAYED) | (item->Checked ? MF_CHECKED : 0);
    flags |= BreakFlag(item->Break);
    if (!item->FItems.empty()) {
      AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(item->CreateMenuHandle()), caption.c_str());
    } else {
      AppendMenuA(menu, flags, item->FCommand, caption.c_str());
    }
    if (item->RadioItem) MarkLastAsRadioItem(menu);
    if (item->Default) SetMenuDefaultItem(menu, item->FCommand, FALSE);
  }
}

HMENU TMenuItem::CreateMenuHandle() const {
  HMENU menu = CreatePopupMenu();
  AppendTo(menu);
  return menu;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this)) {}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  FPopupComponent = component;
  FreeNotification(component);
}

void TPopupMenu::Notification(TComponent& removed) {
  if (&removed == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y, HWND owner) {
  if (OnPopup) OnPopup(*this);
  HMENU menu = FItems->CreateMenuHandle();
  if (!owner) owner = Application().Handle();
  // The menu closes properly only when its owner is in the foreground.
  if (GetForegroundWindow() != owner) SetForegroundWindow(owner);
  const UINT command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
  DestroyMenu(menu);
  PostMessageA(owner, WM_NULL, 0, 0);
  if (command) TMenuItem::DispatchCommand(command);
}

bool TPopupMenu::IsShortCut(TShortCut shortCut) {
  std::vector<TMenuItem*> pending{FItems};
  while (!pending.empty()) {
    TMenuItem* item = pending.back();
    pending.pop_back();
    if (item != FItems && item->ShortCut == shortCut && item->Enabled && item->Visible) {
      item->Click();
      return true;
    }
    pending.insert(pending.end(), item->Items().begin(), item->Items().end());
  }
  return false;
}
