// The notification-area icon with the real shell of Wine: the icon added, changed and removed,
// the tray menu opened by the right button, the default item run by a double click, the icon
// added again when the taskbar is re-created, minimising to the tray, and stale or forged
// messages ignored. Also the window hooks the icon uses on its owner form.
#include "desktop/win32/TrayIcon.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/win32/WindowTimers.h"
#include "tests/support/WineTestUtils.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace {

// The shell's notification for an icon, as the shell sends it.
void SendTrayMessage(TTrayIcon& icon, UINT mouseMessage) {
  SendMessageA(icon.NotifyWindow(), WM_TRAYNOTIFY, icon.IconId(), mouseMessage);
}

bool IconInTray(HWND wnd, UINT id) {
  // Only an icon the shell knows can be changed.
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = wnd;
  data.uID = id;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// The colour pixels of an icon, to tell images apart.
std::vector<COLORREF> IconPixels(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  BITMAP bitmap{};
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  std::vector<COLORREF> pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), bitmap.bmWidth, -bitmap.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return pixels;
}

BOOL CALLBACK FindMenuWindow(HWND wnd, LPARAM found) {
  char name[16] = "";
  GetClassNameA(wnd, name, sizeof name);
  if (std::string(name) == "#32768" && IsWindowVisible(wnd)) {
    *reinterpret_cast<HWND*>(found) = wnd;
    return FALSE;
  }
  return TRUE;
}

// Watches, from inside the menu's own loop, for a popup menu of this thread to show; then Action
// runs once with the menu window. After a few seconds without one the menu is ended anyway.
class TMenuWatcher {
 public:
  explicit TMenuWatcher(std::function<void(HWND menu)> action) : FAction(std::move(action)) {
    FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg != WM_TIMER) return DefWindowProcA(wnd, msg, wParam, lParam);
      HWND menu = nullptr;
      EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&menu));
      if (menu || ++FPolls > 100) {
        KillTimer(wnd, 1);
        if (menu)
          FAction(menu);
        else
          EndMenu();
      }
      return 0;
    });
    SetTimer(FWindow, 1, 50, nullptr);
  }
  ~TMenuWatcher() { Application().DeallocateHWnd(FWindow); }

 private:
  std::function<void(HWND)> FAction;
  HWND FWindow;
  int FPolls = 0;
};

class TrayIconTest : public testing::Test {
 protected:
  void SetUp() override {
    Application().OnException = [this](const std::string& message) { Errors.push_back(message); };
    // The shell's tray window comes with Wine's desktop process, which may still be starting.
    ASSERT_TRUE(PumpUntil([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }));
    Form = std::make_unique<TForm>(nullptr);
    Form->SetCaption("Tray icon test");
    Form->Handle();
    Icon = new TTrayIcon(Form.get());
    Icon->SetHint("Lorvex");
    Icon->SetIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
  }
  void TearDown() override {
    if (Application().MainForm == Form.get()) Application().MainForm = nullptr;
    Form.reset();
    Pump(20);
    Application().OnException = nullptr;
    EXPECT_TRUE(Errors.empty()) << Errors.front();
  }

  // The tray menu of the program: "Options", a line, "Open Lorvex" (the default), "Exit".
  void AddTrayMenu() {
    Menu = new TPopupMenu(Form.get());
    auto add = [this](const std::string& caption, int* clicks) {
      auto* item = new TMenuItem(Form.get());
      item->Caption = caption;
      if (clicks) item->OnClick = [clicks](TComponent&) { ++*clicks; };
      Menu->Items().Add(item);
      return item;
    };
    add("Options", &OptionsClicks);
    add("-", nullptr);
    add("Open Lorvex", &OpenClicks)->Default = true;
    add("Exit", &ExitClicks);
    Menu->OnPopup = [this](TComponent&) { ++MenuPopups; };
    Icon->SetPopupMenu(Menu);
  }

  std::unique_ptr<TForm> Form;
  TTrayIcon* Icon = nullptr;  // owned by the form
  TPopupMenu* Menu = nullptr;
  int OptionsClicks = 0, OpenClicks = 0, ExitClicks = 0, MenuPopups = 0;
  std::vector<std::string> Errors;
};

TEST_F(TrayIconTest, TheIconIsAddedChangedAndRemovedOnItsHiddenTopLevelWindow) {
  HWND wnd = Icon->NotifyWindow();
  // Broadcasts such as "TaskbarCreated" reach only top-level windows, not message-only ones.
  EXPECT_EQ(GetAncestor(wnd, GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(IsWindowVisible(wnd));

  EXPECT_FALSE(IconInTray(wnd, Icon->IconId()));
  ASSERT_TRUE(Icon->ShowIcon());
  EXPECT_TRUE(Icon->IconVisible());
  EXPECT_TRUE(IconInTray(wnd, Icon->IconId()));
  Icon->SetHint(std::string(200, 'x'));
  EXPECT_TRUE(Icon->ModifyIcon());

  // A second icon shares the window, with an id of its own.
  auto* second = new TTrayIcon(Form.get());
  EXPECT_EQ(second->NotifyWindow(), wnd);
  EXPECT_NE(second->IconId(), Icon->IconId());
  second->SetIconVisible(true);
  const UINT secondId = second->IconId();
  EXPECT_TRUE(IconInTray(wnd, secondId));
  delete second;  // leaves the tray as it goes
  EXPECT_FALSE(IconInTray(wnd, secondId));

  EXPECT_TRUE(Icon->HideIcon());
  EXPECT_FALSE(Icon->IconVisible());
  EXPECT_FALSE(IconInTray(wnd, Icon->IconId()));
  EXPECT_FALSE(Icon->ModifyIcon());  // the shell's answer: no such icon

  Icon->SetIconVisible(true);
  const UINT id = Icon->IconId();
  Form.reset();  // the form frees the icon, which leaves the tray
  EXPECT_FALSE(IconInTray(wnd, id));
}

TEST_F(TrayIconTest, TheRightButtonOpensTheTrayMenuAndItsItemsRun) {
  AddTrayMenu();
  Icon->SetIconVisible(true);
  std::vector<TMouseButton> downs;
  std::vector<TShiftState> shifts;
  Icon->OnMouseDown = [&](TComponent& sender, TMouseButton button, TShiftState shift, int, int) {
    EXPECT_EQ(&sender, Icon);
    downs.push_back(button);
    shifts.push_back(shift);
  };

  // The menu shows (the shell's notification returns once it has closed); Esc closes it.
  bool menuShown = false;
  {
    TMenuWatcher watcher([&](HWND) {
      menuShown = Menu->PopupComponent() == Icon;
      EndMenu();
    });
    SendTrayMessage(*Icon, WM_RBUTTONDOWN);
  }
  EXPECT_TRUE(menuShown);
  EXPECT_EQ(MenuPopups, 1);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0], mbRight);
  EXPECT_TRUE(shifts[0] & ssRight);
  EXPECT_EQ(OptionsClicks + OpenClicks + ExitClicks, 0);

  // An item picked with the keys runs: Up from no selection is the last item, "Exit".
  {
    TMenuWatcher watcher([&](HWND menu) {
      PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
      PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    SendTrayMessage(*Icon, WM_RBUTTONDOWN);
  }
  EXPECT_EQ(MenuPopups, 2);
  EXPECT_EQ(ExitClicks, 1);
  EXPECT_EQ(OptionsClicks + OpenClicks, 0);

  // The left button opens no menu (unless LeftPopup), nor does a menu without AutoPopup, nor a
  // disabled icon.
  SendTrayMessage(*Icon, WM_LBUTTONDOWN);
  SendTrayMessage(*Icon, WM_LBUTTONUP);
  Menu->AutoPopup = false;
  SendTrayMessage(*Icon, WM_RBUTTONDOWN);
  Menu->AutoPopup = true;
  Icon->Enabled = false;
  SendTrayMessage(*Icon, WM_RBUTTONDOWN);
  EXPECT_EQ(MenuPopups, 2);
  EXPECT_EQ(downs.size(), 4u);

  // A menu that goes is no longer used.
  Icon->Enabled = true;
  delete Menu;
  Menu = nullptr;
  EXPECT_EQ(Icon->PopupMenu(), nullptr);
  SendTrayMessage(*Icon, WM_RBUTTONDOWN);
  EXPECT_EQ(MenuPopups, 2);
}

TEST_F(TrayIconTest, ADoubleClickRunsTheDefaultItemOnce) {
  AddTrayMenu();
  int clicks = 0;
  Icon->OnClick = [&](TComponent&) { ++clicks; };
  auto doubleClick = [this] {
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) SendTrayMessage(*Icon, message);
  };

  // As the program has it: no double-click event, so the first button-up is a click.
  doubleClick();
  EXPECT_EQ(OpenClicks, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(MenuPopups, 0);

  // With a double-click event a click comes once the double-click time has passed, and a
  // double click is no click at all.
  int doubleClicks = 0;
  Icon->OnDblClick = [&](TComponent&) { ++doubleClicks; };
  SendTrayMessage(*Icon, WM_LBUTTONDOWN);
  SendTrayMessage(*Icon, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 1);
  ASSERT_TRUE(PumpUntil([&] { return clicks == 2; }));
  doubleClick();
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_EQ(OpenClicks, 2);
  Pump(GetDoubleClickTime() + 200);
  EXPECT_EQ(clicks, 2);

  // Without AutoPopup, or with LeftPopup, a double click leaves the default item alone.
  Icon->OnDblClick = nullptr;
  Menu->AutoPopup = false;
  doubleClick();
  EXPECT_EQ(OpenClicks, 2);
  Menu->AutoPopup = true;
  Icon->LeftPopup = true;
  {
    TMenuWatcher watcher([](HWND) { EndMenu(); });
    doubleClick();
  }
  EXPECT_EQ(MenuPopups, 1);
  EXPECT_EQ(OpenClicks, 2);
}

TEST_F(TrayIconTest, TheTaskbarBroadcastAddsAVisibleIconAgain) {
  auto* hidden = new TTrayIcon(Form.get());
  hidden->SetIconVisible(false);
  ASSERT_TRUE(Icon->ShowIcon());

  // The shell restarted and lost the icons.
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = Icon->NotifyWindow();
  data.uID = Icon->IconId();
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
  ASSERT_FALSE(IconInTray(Icon->NotifyWindow(), Icon->IconId()));

  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return IconInTray(Icon->NotifyWindow(), Icon->IconId()); }));
  EXPECT_TRUE(Icon->IconVisible());
  EXPECT_FALSE(IconInTray(hidden->NotifyWindow(), hidden->IconId()));
}

TEST_F(TrayIconTest, StaleAndForgedMessagesChangeNothing) {
  AddTrayMenu();
  int events = 0;
  Icon->OnClick = Icon->OnDblClick = [&](TComponent&) { ++events; };
  Icon->OnMouseDown = Icon->OnMouseUp = [&](TComponent&, TMouseButton, TShiftState, int, int) { ++events; };

  // Tray notifications for ids that name no icon: a freed icon's, its address, made-up ones.
  auto* freed = new TTrayIcon(Form.get());
  const UINT freedId = freed->IconId();
  delete freed;
  HWND wnd = Icon->NotifyWindow();
  for (WPARAM id : {static_cast<WPARAM>(freedId), reinterpret_cast<WPARAM>(Icon), static_cast<WPARAM>(0),
                    static_cast<WPARAM>(Icon->IconId() + 1000), static_cast<WPARAM>(0xFFFFFFFF)})
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN}) {
      SendMessageA(wnd, WM_TRAYNOTIFY, id, message);
      PostMessageA(wnd, WM_TRAYNOTIFY, id, message);
    }
  Pump(50);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(MenuPopups + OptionsClicks + OpenClicks + ExitClicks, 0);

  // Window timers: a freed timer's id, a live timer's address and made-up ids run nothing;
  // the live timer itself ticks.
  std::shared_ptr<TWindowTimerHandler> timers = AcquireTimerHandler();
  int ticks = 0, freedTicks = 0;
  auto gone = std::make_unique<TSimpleTimer>(timers, 10, [&](TSimpleTimer&) { ++freedTicks; });
  gone->Start();
  const uintptr_t goneId = gone->Id();
  gone.reset();
  TSimpleTimer live(timers, 100000, [&](TSimpleTimer&) { ++ticks; });
  ASSERT_TRUE(live.Start());
  for (WPARAM id : {static_cast<WPARAM>(goneId), reinterpret_cast<WPARAM>(&live), static_cast<WPARAM>(0),
                    static_cast<WPARAM>(live.Id() + 1000)}) {
    SendMessageA(timers->Handle(), WM_TIMER, id, 0);
    PostMessageA(timers->Handle(), WM_TIMER, id, 0);
  }
  Pump(50);
  EXPECT_EQ(ticks + freedTicks, 0);
  SendMessageA(timers->Handle(), WM_TIMER, live.Id(), 0);
  EXPECT_EQ(ticks, 1);

  // A real window timer ticks through the shared window.
  live.SetInterval(10);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  live.Stop();
  const int stoppedAt = ticks;
  SendMessageA(timers->Handle(), WM_TIMER, live.Id(), 0);  // queued before the stop
  EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(TrayIconTest, MinimisingTheFormHidesItToTheTray) {
  Application().MainForm = Form.get();
  Form->SetBounds(100, 100, 300, 200);
  Form->Show();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Form->Handle()) != FALSE; }));
  Icon->MinimizeToTray = true;
  int minimised = 0;
  Icon->OnMinimizeToTray = [&](TComponent& sender) {
    EXPECT_EQ(&sender, Icon);
    ++minimised;
  };

  // The minimise command becomes the event: the form is hidden, not minimised, and the icon shows.
  SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(minimised, 1);
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
  EXPECT_FALSE(Form->Visible());
  EXPECT_FALSE(IsIconic(Form->Handle()));
  EXPECT_TRUE(Icon->IconVisible());
  EXPECT_TRUE(IconInTray(Icon->NotifyWindow(), Icon->IconId()));

  // Without the event the command goes on: the form minimises, and is then hidden all the same.
  Icon->OnMinimizeToTray = nullptr;
  Icon->SetIconVisible(false);
  Form->Show();
  SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(Form->Handle()));
  EXPECT_FALSE(Form->Visible());
  EXPECT_TRUE(Icon->IconVisible());
  ShowWindow(Form->Handle(), SW_RESTORE);

  // Without MinimizeToTray the form simply minimises.
  Icon->MinimizeToTray = false;
  Icon->OnMinimizeToTray = [&](TComponent&) { ++minimised; };
  Icon->SetIconVisible(false);
  Form->Show();
  SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(Form->Handle()));
  EXPECT_TRUE(Form->Visible());
  EXPECT_FALSE(Icon->IconVisible());
  EXPECT_EQ(minimised, 1);
  ShowWindow(Form->Handle(), SW_RESTORE);

  // A freed icon takes its hook with it.
  Icon->MinimizeToTray = true;
  delete Icon;
  Icon = nullptr;
  SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(minimised, 1);
  EXPECT_TRUE(IsIconic(Form->Handle()));
}

TEST_F(TrayIconTest, StartUpMayKeepTheMainFormHiddenAndTheApplicationWindowBringsItBack) {
  Application().MainForm = Form.get();
  Form->Show();
  Icon->OnStartup = [&](TComponent& sender, bool& showMainForm) {
    EXPECT_EQ(&sender, Icon);
    showMainForm = false;
  };
  Icon->Loaded();
  EXPECT_FALSE(Form->Visible());
  EXPECT_FALSE(Application().ShowMainForm);
  Application().ShowMainForm = true;

  // Restoring the application's window restores the main form, minimised or hidden.
  Form->Show();
  ShowWindow(Form->Handle(), SW_MINIMIZE);
  SendMessageA(Application().Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(Form->Handle()));
  Form->Hide();
  SendMessageA(Application().Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));

  // Minimising it goes to the tray when the icon says so.
  Icon->MinimizeToTray = true;
  SendMessageA(Application().Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_FALSE(Form->Visible());
  EXPECT_TRUE(Icon->IconVisible());
}

TEST_F(TrayIconTest, IconIndexesAreClampedToTheImageList) {
  auto owned = std::make_unique<TCustomImageList>(nullptr);
  TCustomImageList& images = *owned;
  HICON icon = Icon->Icon();
  // An empty list keeps the icon.
  Icon->SetIconList(&images);
  Icon->SetIconIndex(3);
  EXPECT_EQ(Icon->IconIndex(), 0);
  EXPECT_EQ(Icon->Icon(), icon);

  for (int stock : {32512, 32513, 32514, 32515, 32516})  // the system's stock icons
    ASSERT_GE(images.AddIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(stock))), 0);
  ASSERT_EQ(images.Count(), 5);
  Icon->SetIconIndex(10);
  EXPECT_EQ(Icon->IconIndex(), 4);
  EXPECT_NE(Icon->Icon(), icon);
  Icon->SetIconIndex(-2);
  EXPECT_EQ(Icon->IconIndex(), 0);

  // Cycling steps through the images and back to the first; each step shows the image at the
  // index, and the event tells the one the next step shows.
  std::vector<int> next;
  Icon->OnCycle = [&](TComponent&, int index) { next.push_back(index); };
  Icon->SetCycleInterval(10);
  Icon->SetCycleIcons(true);
  ASSERT_TRUE(PumpUntil([&] { return next.size() >= 6; }));
  Icon->SetCycleIcons(false);
  EXPECT_EQ(std::vector<int>(next.begin(), next.begin() + 6), (std::vector<int>{1, 2, 3, 4, 0, 1}));
  HICON shown = images.GetIcon((Icon->IconIndex() + 4) % 5);
  EXPECT_EQ(IconPixels(Icon->Icon()), IconPixels(shown));
  DestroyIcon(shown);

  // A list that goes is no longer used.
  owned.reset();
  EXPECT_EQ(Icon->IconList(), nullptr);
  EXPECT_EQ(Icon->IconIndex(), 0);
}

// --- Window hooks -------------------------------------------------------------------------

TEST(WindowHookTest, HooksComeAndGoInAnyOrder) {
  TForm form(nullptr);
  form.Handle();
  std::string seen;
  auto hook = [&](char name, bool handles) {
    return form.AddWindowHook([&seen, name, handles](UINT msg, WPARAM, LPARAM, LRESULT& result) {
      if (msg != WM_APP) return false;
      seen += name;
      result = name;
      return handles;
    });
  };
  const int a = hook('a', false), b = hook('b', false), c = hook('c', false);
  SendMessageA(form.Handle(), WM_APP, 0, 0);
  EXPECT_EQ(seen, "cba");  // newest first

  // Removing the middle one, then the first: the others stay, none comes back.
  seen.clear();
  TWinControl::RemoveWindowHook(b);
  TWinControl::RemoveWindowHook(a);
  TWinControl::RemoveWindowHook(b);
  SendMessageA(form.Handle(), WM_APP, 0, 0);
  EXPECT_EQ(seen, "c");

  // A hook that handles the message stops it, with its answer.
  seen.clear();
  const int d = hook('d', true);
  EXPECT_EQ(SendMessageA(form.Handle(), WM_APP, 0, 0), 'd');
  EXPECT_EQ(seen, "d");
  TWinControl::RemoveWindowHook(d);
  TWinControl::RemoveWindowHook(c);
  seen.clear();
  SendMessageA(form.Handle(), WM_APP, 0, 0);
  EXPECT_EQ(seen, "");

  // A hook may remove itself and another while the message passes.
  int first = 0, second = 0;
  second = hook('s', false);
  first = form.AddWindowHook([&](UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg != WM_APP) return false;
    seen += 'f';
    TWinControl::RemoveWindowHook(first);
    TWinControl::RemoveWindowHook(second);
    return false;
  });
  seen.clear();
  SendMessageA(form.Handle(), WM_APP, 0, 0);
  SendMessageA(form.Handle(), WM_APP, 0, 0);
  EXPECT_EQ(seen, "f");

  // Removing a hook after its control is gone does nothing.
  int late = 0;
  {
    TForm other(nullptr);
    other.Handle();
    late = other.AddWindowHook([](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
  }
  TWinControl::RemoveWindowHook(late);
}

}  // namespace
