// Menu items, popup menus and keyboard shortcuts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/MenuBreak.h"
#include "ui/Controls.h"

// A shortcut in the framework's layout: virtual key in the low byte, Shift 0x2000, Ctrl 0x4000, Alt 0x8000.
using TShortCut = WORD;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };
constexpr TShortCut ShortCut(WORD key, TShiftState shift) {
  return static_cast<TShortCut>(key | ((shift & ssShift) ? scShift : 0) | ((shift & ssCtrl) ? scCtrl : 0) |
                                ((shift & ssAlt) ? scAlt : 0));
}
std::string ShortCutToText(TShortCut shortCut);

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  const char* ClassName() const override { return "TMenuItem"; }

  std::string Caption;  // "-" makes a separator
  std::string Hint;
  TShortCut ShortCut = 0;
  bool Default = false;
  bool Enabled = true;
  bool Visible = true;
  bool Checked = false;
  bool RadioItem = false;  // checked with a dot instead of a tick
  TMenuBreak Break = mbNone;
  TNotifyEvent OnClick;

  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  const std::vector<TMenuItem*>& Items() const { return FItems; }
  TMenuItem* Parent() const { return FParent; }
  bool IsLine() const { return Caption == "-"; }
  UINT Command() const { return FCommand; }

  void Click();
  // Builds a new menu handle with the visible items; the caller owns it.
  HMENU CreateMenuHandle() const;
  // Appends the visible items to a menu.
  void AppendTo(HMENU menu) const;

  // Runs the live item with that command id; false when there is none.
  static bool DispatchCommand(UINT command);
  static TMenuItem* FindCommand(UINT command);

 private:
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  UINT FCommand;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  const char* ClassName() const override { return "TPopupMenu"; }

  TMenuItem& Items() { return *FItems; }
  // False: the menu opens only when asked to (Popup), never by itself on a right click.
  bool AutoPopup = true;
  // What the menu was last opened for (a control, a tray icon); cleared when that goes.
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* component);
  TNotifyEvent OnPopup;
  // Shows the menu at a screen position and runs the chosen item. Owner is the window the menu
  // belongs to (the application's helper window when none, as for the tray icon).
  void Popup(int x, int y, HWND owner = nullptr);
  // Runs the item whose shortcut this is; false when none has it.
  bool IsShortCut(TShortCut shortCut);

 protected:
  void Notification(TComponent& removed) override;

 private:
  TMenuItem* FItems;
  TComponent* FPopupComponent = nullptr;
};
