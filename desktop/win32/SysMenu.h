// TSystemMenu: puts the items of a popup menu into the system menu of the form that owns it, and
// runs an item when the user picks it there. A pick arrives as a posted WM_SYSCOMMAND; the
// component takes it at the application's message loop, so the form never sees it, and every
// other system command (move, size, close) reaches the form as usual.
#pragma once

#include <windows.h>

#include <functional>

#include "core/Persistent.h"
#include "desktop/SysMenu.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

class TSystemMenu : public TComponent {
 public:
  // Owner is the form whose system menu gets the items.
  explicit TSystemMenu(TComponent* owner);
  ~TSystemMenu() override;
  const char* ClassName() const override { return "TSystemMenu"; }

  // The menu whose top-level items go into the system menu. It must outlive this component (or
  // be set back to nullptr first).
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);
  // Where the first item goes in the system menu (zero-based); -1 puts the items at its end.
  int Position() const { return FPosition; }
  void SetPosition(int value);

  // Starts taking the picked entries from the application's message loop, until destruction.
  void AttachHook();
  // Once its owner has built it: hooks itself, as AttachHook does.
  void Loaded() override;
  // Takes out the entries put in before and inserts the items as they are now. Raises when the
  // owner is not a form.
  void RebuildSystemMenu();

  // The system's version as GetVersion packs it; below 4 in the low byte, the entries go in with
  // the old menu call. Tests put in an older one.
  static inline std::function<DWORD()> WindowsVersion = GetVersion;

 private:
  bool AppMessage(MSG& msg);
  bool HandleSysCommand(const MSG& msg);
  TForm& OwnerForm() const;
  void RemoveEntries(HMENU menu);

  TForm* FForm;  // the owner, when it is a form
  TPopupMenu* FPopupMenu = nullptr;
  int FPosition = -1;
  int FHookId = 0;
  TSysMenuCommands FCommands;
};
