#include "desktop/win32/TrayIcon.h"

#include <shlwapi.h>

#include <cstring>
#include <map>
#include <vector>

#include "desktop/win32/WindowTimers.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "the shell's ANSI record with balloon fields and without the GUID");

namespace {

// The version of the common controls, major in the high word: 4.71 brought the shell's
// "TaskbarCreated" broadcast.
DWORD ComCtlVersion() {
  HMODULE library = LoadLibraryA("comctl32.dll");
  if (!library) return 0;
  DWORD version = 0;
  FARPROC proc = GetProcAddress(library, "DllGetVersion");
  if (auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(proc))) {
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    if (SUCCEEDED(getVersion(&info))) version = MAKELONG(info.dwMinorVersion, info.dwMajorVersion);
  }
  FreeLibrary(library);
  return version;
}

// The message the shell broadcasts when the taskbar is (re-)created; 0 where there is none.
UINT TaskbarCreatedMessage() {
  static const UINT message = ComCtlVersion() >= MAKELONG(71, 4) ? RegisterWindowMessageA("TaskbarCreated") : 0;
  return message;
}

TShiftState AsyncShiftState() {
  TShiftState shift = 0;
  if (GetAsyncKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetAsyncKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (GetAsyncKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

}  // namespace

// The hidden window shared by the icons of the process: the shell's notifications arrive
// here with an icon's id, which is looked up among the live icons.
class TTrayIconHandler {
 public:
  TTrayIconHandler() {
    TaskbarCreatedMessage();  // registered before the shell could send it
    FWindow = Application().AllocateHWnd(
        [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) { return WndProc(wnd, msg, wParam, lParam); });
  }
  ~TTrayIconHandler() { Application().DeallocateHWnd(FWindow); }
  TTrayIconHandler(const TTrayIconHandler&) = delete;
  TTrayIconHandler& operator=(const TTrayIconHandler&) = delete;

  HWND Handle() const { return FWindow; }

  UINT Add(TTrayIcon* icon) {
    while (FNextId == 0 || FIcons.count(FNextId)) ++FNextId;
    const UINT id = FNextId++;
    FIcons[id] = icon;
    return id;
  }
  void Remove(UINT id) { FIcons.erase(id); }

 private:
  TTrayIcon* Find(WPARAM id) const {
    auto found = FIcons.find(static_cast<UINT>(id));
    return found != FIcons.end() && found->first == id ? found->second : nullptr;
  }

  LRESULT WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TRAYNOTIFY) {
      // A stale or forged id finds no icon and changes nothing.
      if (TTrayIcon* icon = Find(wParam)) icon->HandleNotification(static_cast<UINT>(lParam));
      return 0;
    }
    if (msg != 0 && msg == TaskbarCreatedMessage()) {
      TaskbarCreated();
      return 0;
    }
    switch (msg) {
      case WM_DESTROY:
      case WM_CLOSE:
      case WM_QUERYENDSESSION:
      case WM_QUIT:
      case WM_ENDSESSION:
      case WM_NCDESTROY:
        return 1;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
  }

  // The new taskbar knows no icons: the visible ones are added again.
  void TaskbarCreated() {
    std::vector<UINT> ids;
    for (const auto& [id, icon] : FIcons) ids.push_back(id);
    for (UINT id : ids) {
      auto found = FIcons.find(id);
      if (found != FIcons.end() && found->second->IconVisible()) found->second->ShowIcon();
    }
  }

  HWND FWindow = nullptr;
  std::map<UINT, TTrayIcon*> FIcons;
  UINT FNextId = 1;
};

namespace {

std::shared_ptr<TTrayIconHandler> AcquireTrayIconHandler() {
  static std::weak_ptr<TTrayIconHandler> shared;
  std::shared_ptr<TTrayIconHandler> handler = shared.lock();
  if (!handler) {
    handler = std::make_shared<TTrayIconHandler>();
    shared = handler;
  }
  return handler;
}

}  // namespace

// --- TCustomImageList ---------------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner), FHandle(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 4, 4)) {
  if (!FHandle) throw Exception("Cannot create an image list");
}

TCustomImageList::~TCustomImageList() { ImageList_Destroy(FHandle); }

int TCustomImageList::Count() const { return ImageList_GetImageCount(FHandle); }

int TCustomImageList::AddIcon(HICON icon) { return ImageList_ReplaceIcon(FHandle, -1, icon); }

HICON TCustomImageList::GetIcon(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return ImageList_GetIcon(FHandle, index, ILD_NORMAL);
}

// --- TTrayIcon ----------------------------------------------------------------------------

TTrayIcon::TTrayIcon(TComponent* owner)
    : TComponent(owner), FHandler(AcquireTrayIconHandler()), FTimers(AcquireTimerHandler()) {
  FIconId = FHandler->Add(this);
  FData.cbSize = NOTIFYICONDATAA_V2_SIZE;
  FData.hWnd = FHandler->Handle();
  FData.uID = FIconId;
  FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  FData.uCallbackMessage = WM_TRAYNOTIFY;
  FCycleTimer = std::make_unique<TSimpleTimer>(FTimers, 1000, [this](TSimpleTimer&) { CycleTimer(); });
  FClicks = std::make_unique<TTrayClickTracker>(FTimers);
  FClicks->OnClick = [this] { Click(); };
  FEnterExitTimer = std::make_unique<TSimpleTimer>(FTimers, 20, [this](TSimpleTimer&) { EnterExitTimer(); });
  // Minimise to tray: the owner's window messages pass here first.
  if (TWinControl* control = OwnerControl())
    FOwnerHook = control->AddWindowHook([this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
      return OwnerHook(msg, wParam, lParam, result);
    });
  FAppHook = Application().HookMainWindow(
      [this](UINT msg, WPARAM wParam, LPARAM, LRESULT&) { return HookAppWindow(msg, wParam); });
}

TTrayIcon::~TTrayIcon() {
  SetIconVisible(false);
  FCycleTimer.reset();
  FEnterExitTimer.reset();
  FClicks.reset();
  if (FIcon) DestroyIcon(FIcon);
  // By id: the owner may be gone already (its hooks went with it).
  TWinControl::RemoveWindowHook(FOwnerHook);
  Application().UnhookMainWindow(FAppHook);
  FHandler->Remove(FIconId);
}

TWinControl* TTrayIcon::OwnerControl() const { return dynamic_cast<TWinControl*>(Owner()); }

HWND TTrayIcon::NotifyWindow() const { return FHandler->Handle(); }

// --- Properties ---------------------------------------------------------------------------

void TTrayIcon::SetIconList(TCustomImageList* list) {
  FIconList = list;
  FreeNotification(list);
  SetIconIndex(0);
}

void TTrayIcon::SetPopupMenu(TPopupMenu* menu) {
  FPopupMenu = menu;
  FreeNotification(menu);
}

void TTrayIcon::Notification(TComponent& removed) {
  if (&removed == FPopupMenu) FPopupMenu = nullptr;
  if (&removed == FIconList) SetIconList(nullptr);
}

void TTrayIcon::SetCycleIcons(bool value) {
  FCycleIcons = value;
  if (value) {
    SetIconIndex(0);
    FCycleTimer->SetInterval(FCycleInterval);
    FCycleTimer->Start();
  } else {
    FCycleTimer->Stop();
  }
}

void TTrayIcon::SetCycleInterval(UINT value) {
  if (value == FCycleInterval) return;
  FCycleInterval = value;
  SetCycleIcons(FCycleIcons);
}

void TTrayIcon::SetHint(const std::string& value) {
  FHint = value;
  ModifyIcon();
}

void TTrayIcon::SetShowHint(bool value) {
  FShowHint = value;
  ModifyIcon();
}

void TTrayIcon::ReplaceIcon(HICON icon) {
  if (FIcon) DestroyIcon(FIcon);
  FIcon = icon;
}

void TTrayIcon::SetIcon(HICON icon) {
  if (icon == FIcon) return;
  ReplaceIcon(icon ? CopyIcon(icon) : nullptr);
  ModifyIcon();
}

void TTrayIcon::SetIconVisible(bool value) {
  if (value)
    ShowIcon();
  else
    HideIcon();
}

void TTrayIcon::SetIconIndex(int value) {
  FIconIndex = 0;
  if (FIconList) {
    if (const std::optional<int> index = ClampIconIndex(value, FIconList->Count())) {
      FIconIndex = *index;
      if (HICON image = FIconList->GetIcon(FIconIndex)) ReplaceIcon(image);
    }
  }
  ModifyIcon();
}

void TTrayIcon::SetWantEnterExitEvents(bool value) {
  FWantEnterExitEvents = value;
  if (value)
    FEnterExitTimer->Start();
  else
    FEnterExitTimer->Stop();
}

// --- The shell ----------------------------------------------------------------------------

void TTrayIcon::InitIconData() {
  FData.hIcon = FIcon;
  const std::string tip = TrayTipText(FHint, FShowHint);
  std::memset(FData.szTip, 0, sizeof FData.szTip);
  std::memcpy(FData.szTip, tip.data(), tip.size());
}

// An icon the shell does not hold can be neither changed nor deleted: the shell would answer
// False, after a round trip to its process that start-up, which sets the icon's properties
// before it is shown, would pay for each of them. The version is told to the shell as it is
// set, held or not.
bool TTrayIcon::NotifyShell(DWORD message) {
  if (message == NIM_ADD)
    FInShell = true;  // even when the answer is False: the shell may have added it after all
  else if (!FInShell && message != NIM_SETVERSION)
    return false;
  const bool done = ShellNotifyIcon(message, &FData) != FALSE;
  if (message == NIM_DELETE && done) FInShell = false;
  return done;
}

bool TTrayIcon::ShowIcon() {
  FIconVisible = true;
  InitIconData();
  return NotifyShell(NIM_ADD);
}

bool TTrayIcon::HideIcon() {
  FIconVisible = false;
  InitIconData();
  return NotifyShell(NIM_DELETE);
}

bool TTrayIcon::ModifyIcon() {
  InitIconData();
  return NotifyShell(NIM_MODIFY);
}

void TTrayIcon::Loaded() {
  if (OwnerControl()) {
    bool showMainForm = true;
    if (OnStartup) OnStartup(*this, showMainForm);
    if (!showMainForm) {
      Application().ShowMainForm = false;
      HideMainForm();
    }
  }
  ModifyIcon();
  SetIconVisible(FIconVisible);
  SetCycleIcons(FCycleIcons);
  SetWantEnterExitEvents(FWantEnterExitEvents);
  FData.uVersion = FIconVersion == 1 ? NOTIFYICON_VERSION : 0;
  NotifyShell(NIM_SETVERSION);
}

// --- Notifications ------------------------------------------------------------------------

void TTrayIcon::HandleNotification(UINT message) {
  switch (message) {
    case NIN_BALLOONSHOW:
      if (OnBalloonHintShow) OnBalloonHintShow(*this);
      return;
    case NIN_BALLOONHIDE:
      if (OnBalloonHintHide) OnBalloonHintHide(*this);
      return;
    case NIN_BALLOONTIMEOUT:
      if (OnBalloonHintTimeout) OnBalloonHintTimeout(*this);
      return;
    case NIN_BALLOONUSERCLICK:
      if (OnBalloonHintClick) OnBalloonHintClick(*this);
      return;
  }
  if (!Enabled) return;
  POINT p{};
  GetCursorPos(&p);
  const TShiftState shift = AsyncShiftState();
  switch (message) {
    case WM_MOUSEMOVE:
      if (FHover.MouseMove({p.x, p.y}, FWantEnterExitEvents)) MouseEnter();
      MouseMove(shift, p.x, p.y);
      break;
    case WM_LBUTTONDOWN:
      FClicks->LeftButtonDown(static_cast<bool>(OnDblClick), GetDoubleClickTime());
      MouseDown(mbLeft, shift | ssLeft, p.x, p.y);
      if (LeftPopup && AutoPopupMenu()) {
        SetForegroundWindow(NotifyWindow());
        PopupAtCursor();
      }
      break;
    case WM_LBUTTONUP:
      FClicks->LeftButtonUp();
      MouseUp(mbLeft, shift | ssLeft, p.x, p.y);
      break;
    case WM_LBUTTONDBLCLK:
      FClicks->LeftDoubleClick();
      DblClick();
      if (AutoPopupMenu() && !LeftPopup) ClickDefaultItem();
      break;
    case WM_RBUTTONDOWN:
      MouseDown(mbRight, shift | ssRight, p.x, p.y);
      if (AutoPopupMenu()) {
        SetForegroundWindow(NotifyWindow());
        PopupAtCursor();
      }
      break;
    case WM_RBUTTONUP:
      if (FIconVersion == 0) MouseUp(mbRight, shift | ssRight, p.x, p.y);
      break;
    case WM_MBUTTONDOWN:
      MouseDown(mbMiddle, shift | ssMiddle, p.x, p.y);
      break;
    case WM_MBUTTONUP:
      MouseUp(mbMiddle, shift | ssMiddle, p.x, p.y);
      break;
    case WM_CONTEXTMENU:
    case NIN_SELECT:
    case NIN_KEYSELECT:
      if (FIconVersion == 1) MouseUp(mbRight, shift | ssRight, p.x, p.y);
      break;
  }
}

bool TTrayIcon::AutoPopupMenu() const { return FPopupMenu && FPopupMenu->AutoPopup; }

void TTrayIcon::ClickDefaultItem() {
  for (TMenuItem* item : FPopupMenu->Items().Items())
    if (item->Default) {
      item->Click();
      return;
    }
}

void TTrayIcon::PopupAtCursor() {
  POINT p{};
  GetCursorPos(&p);
  PopupAtPos(p.x, p.y);
}

void TTrayIcon::PopupAtPos(int x, int y) {
  if (!FPopupMenu) return;
  SetForegroundWindow(NotifyWindow());
  Application().ProcessMessages();
  if (!FPopupMenu) return;
  TWinControl* owner = OwnerControl();
  HWND ownerWnd = owner && owner->HandleAllocated() ? owner->Handle() : nullptr;
  FPopupMenu->SetPopupComponent(this);
  // Runs the chosen item, which may free this icon: nothing of it is used afterwards.
  FPopupMenu->Popup(x, y, NotifyWindow());
  if (ownerWnd) PostMessageA(ownerWnd, WM_NULL, 0, 0);
}

void TTrayIcon::CycleTimer() {
  if (!FIconList) return;
  // OnCycle sees the image at the index; then the index moves on through its setter, so the
  // next image shows until the next tick.
  if (HICON image = FIconList->GetIcon(FIconIndex)) ReplaceIcon(image);
  Cycle(NextCycleIndex(FIconIndex, FIconList->Count()));
  if (FIconList) SetIconIndex(NextCycleIndex(FIconIndex, FIconList->Count()));
}

void TTrayIcon::EnterExitTimer() {
  POINT p{};
  if (!FHover.Outside() && GetCursorPos(&p) && FHover.Poll({p.x, p.y})) MouseExit();
}

// --- Minimise to tray ---------------------------------------------------------------------

void TTrayIcon::HideMainForm() {
  TForm* mainForm = Application().MainForm;
  if (!OwnerControl() || !mainForm) return;
  mainForm->SetVisible(false);
  HWND application = Application().Handle();
  if (IsWindowVisible(application)) ShowWindow(application, SW_HIDE);
}

void TTrayIcon::DoMinimizeToTray() {
  HideMainForm();
  SetIconVisible(true);
}

bool TTrayIcon::MinimizeHandler(LRESULT& result) {
  if (!MinimizeToTray || !OnMinimizeToTray) return false;
  OnMinimizeToTray(*this);
  DoMinimizeToTray();
  result = 1;
  return true;
}

bool TTrayIcon::OwnerHook(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_SYSCOMMAND:
      // The low four bits are the system's own.
      if ((wParam & 0xFFF0) == SC_MINIMIZE) return MinimizeHandler(result);
      break;
    case WM_SHOWWINDOW:
      if (wParam && lParam == 0) {
        // Shown: the program comes to the front, its application window first.
        SetForegroundWindow(Application().Handle());
        if (TWinControl* owner = OwnerControl()) SetForegroundWindow(owner->Handle());
      } else if (!wParam && lParam == SW_PARENTCLOSING && !Application().Terminated()) {
        return MinimizeHandler(result);
      }
      break;
    case WM_SIZE:
      // Minimised some other way (the shell minimising every window, say).
      if (wParam == SIZE_MINIMIZED && MinimizeToTray) DoMinimizeToTray();
      break;
  }
  return false;
}

bool TTrayIcon::HookAppWindow(UINT msg, WPARAM wParam) {
  // The application's own window stands for the whole program: minimised, it goes to the
  // tray as the owner does; restored, it brings the main form back.
  if (msg == WM_SIZE && wParam == SIZE_MINIMIZED && MinimizeToTray) {
    DoMinimizeToTray();
  } else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE) {
    if (TForm* mainForm = Application().MainForm) {
      if (mainForm->HandleAllocated() && IsIconic(mainForm->Handle())) ShowWindow(mainForm->Handle(), SW_RESTORE);
      mainForm->Show();
    }
  }
  return false;
}

// --- Events -------------------------------------------------------------------------------

void TTrayIcon::Click() {
  if (OnClick) OnClick(*this);
}

void TTrayIcon::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

void TTrayIcon::Cycle(int nextIndex) {
  if (OnCycle) OnCycle(*this, nextIndex);
}

void TTrayIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void TTrayIcon::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TTrayIcon::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TTrayIcon::MouseExit() {
  if (OnMouseExit) OnMouseExit(*this);
}
