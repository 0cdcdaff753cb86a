// An icon in the notification area of the taskbar: the shell's mouse notifications become
// events, the right button opens the icon's popup menu, a double click runs the menu's default
// item, minimising the owner form can hide it to the notification area, and the icon comes back
// when the taskbar is re-created. All icons of the process share one hidden window that
// receives the shell's notifications.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

#include "core/Persistent.h"
#include "desktop/TrayIconState.h"
#include "ui/Controls.h"

class TPopupMenu;
class TTrayIconHandler;
class TWindowTimerHandler;

// The shell's notifications for an icon arrive as this message on the shared window.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 0x400;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TTrayMouseEvent = std::function<void(TComponent& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TTrayMouseMoveEvent = std::function<void(TComponent& sender, TShiftState shift, int x, int y)>;
using TCycleEvent = std::function<void(TComponent& sender, int nextIndex)>;
using TStartupEvent = std::function<void(TComponent& sender, bool& showMainForm)>;

// Icons of one size for an icon to show by index or cycle through.
class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* owner, int width = 16, int height = 16);
  ~TCustomImageList() override;
  const char* ClassName() const override { return "TCustomImageList"; }

  int Count() const;
  // Adds a copy of Icon; answers its index, or -1.
  int AddIcon(HICON icon);
  // A new icon that the caller owns; nullptr for an index outside the list.
  HICON GetIcon(int index) const;
  HIMAGELIST Handle() const { return FHandle; }

 private:
  HIMAGELIST FHandle;
};

class TTrayIcon : public TComponent {
 public:
  explicit TTrayIcon(TComponent* owner);
  ~TTrayIcon() override;
  const char* ClassName() const override { return "TTrayIcon"; }

  // Not owned: a list or menu that goes is cleared here (the list as SetIconList(nullptr)).
  TCustomImageList* IconList() const { return FIconList; }
  void SetIconList(TCustomImageList* list);  // IconIndex becomes 0
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);

  bool CycleIcons() const { return FCycleIcons; }
  void SetCycleIcons(bool value);
  UINT CycleInterval() const { return FCycleInterval; }
  void SetCycleInterval(UINT value);
  // While false every mouse notification is ignored.
  bool Enabled = true;
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  // The icon shown: a copy that the tray icon owns (nullptr: none).
  HICON Icon() const { return FIcon; }
  void SetIcon(HICON icon);
  bool IconVisible() const { return FIconVisible; }
  void SetIconVisible(bool value);
  // With an image list: the image shown, clamped to the list (an empty list keeps the icon);
  // setting it puts that image into Icon and tells the shell.
  int IconIndex() const { return FIconIndex; }
  void SetIconIndex(int value);
  // The left button opens the menu too (and a double click no longer runs its default item).
  bool LeftPopup = false;
  bool WantEnterExitEvents() const { return FWantEnterExitEvents; }
  void SetWantEnterExitEvents(bool value);
  // Minimising the owner form hides it and shows the icon (see OnMinimizeToTray).
  bool MinimizeToTray = false;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TTrayMouseEvent OnMouseDown;
  TTrayMouseEvent OnMouseUp;
  TTrayMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseExit;
  TCycleEvent OnCycle;
  TNotifyEvent OnBalloonHintShow;
  TNotifyEvent OnBalloonHintHide;
  TNotifyEvent OnBalloonHintTimeout;
  TNotifyEvent OnBalloonHintClick;
  // With MinimizeToTray, minimising the owner form (its minimise button or system menu) fires
  // this instead of minimising; the form is then hidden and the icon shown.
  TNotifyEvent OnMinimizeToTray;
  TStartupEvent OnStartup;

  // Whether a form designer's preview of an icon without a picture shows the stock one; the
  // program itself has no design time, so DesignPreview only keeps its value there.
  virtual bool WantsDefaultIcon() const { return true; }
  bool DesignPreview = false;

  // The shell's answer: false when it refused. Show and Hide also set IconVisible. Every
  // property that the shell shows goes through these, so a descendant sees each change.
  virtual bool ShowIcon();
  virtual bool HideIcon();
  virtual bool ModifyIcon();

  void PopupAtCursor();
  void PopupAtPos(int x, int y);
  // Hides the application's main form (when the icon's owner is a control).
  void HideMainForm();
  // Once the owner has set the icon up: asks OnStartup whether the main form shows at start,
  // and puts the icon's settings into effect with the shell.
  void Loaded() override;

  // The shell's call for every icon of the process; tests put in one that watches and passes on.
  static inline std::function<BOOL(DWORD message, NOTIFYICONDATAA* data)> ShellNotifyIcon = Shell_NotifyIconA;

  // The icon as the shell knows it: the shared window and the icon's id there.
  HWND NotifyWindow() const;
  UINT IconId() const { return FIconId; }

 protected:
  virtual void Click();
  virtual void DblClick();
  virtual void Cycle(int nextIndex);
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseExit();
  virtual void DoMinimizeToTray();
  void Notification(TComponent& removed) override;

 private:
  friend class TTrayIconHandler;
  // One notification of the shell for this icon (lParam of WM_TRAYNOTIFY).
  void HandleNotification(UINT message);
  bool AutoPopupMenu() const;  // a menu that opens on the icon's clicks
  void ClickDefaultItem();
  void CycleTimer();
  void EnterExitTimer();
  bool OwnerHook(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HookAppWindow(UINT msg, WPARAM wParam);
  bool MinimizeHandler(LRESULT& result);
  TWinControl* OwnerControl() const;
  void InitIconData();
  bool NotifyShell(DWORD message);
  void ReplaceIcon(HICON icon);

  std::shared_ptr<TTrayIconHandler> FHandler;
  std::shared_ptr<TWindowTimerHandler> FTimers;
  UINT FIconId = 0;
  TCustomImageList* FIconList = nullptr;
  TPopupMenu* FPopupMenu = nullptr;
  bool FCycleIcons = false;
  UINT FCycleInterval = 0;
  std::string FHint;
  bool FShowHint = true;
  HICON FIcon = nullptr;
  bool FIconVisible = false;
  bool FInShell = false;  // added and not deleted since: the shell may hold the icon
  int FIconIndex = 0;
  bool FWantEnterExitEvents = false;
  int FIconVersion = 0;  // 1: the shell's version-3 notifications
  std::unique_ptr<TSimpleTimer> FCycleTimer;
  std::unique_ptr<TSimpleTimer> FEnterExitTimer;
  std::unique_ptr<TTrayClickTracker> FClicks;
  TTrayHoverTracker FHover;
  int FOwnerHook = 0;
  int FAppHook = 0;
  NOTIFYICONDATAA FData{};
};
