// The notification-area icon with the real shell of Wine: the shell's notifications become the
// icon's events and open its menu. Clicks against double clicks, entering and leaving, and tips are
// decided natively; the program's own double click on its icon is the main window's test.
#include "desktop/win32/TrayIcon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/WineTestUtils.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace {

// The shell's notification for an icon, as the shell sends it.
void SendTrayMessage(TTrayIcon& icon, UINT mouseMessage) {
  SendMessageA(icon.NotifyWindow(), WM_TRAYNOTIFY, icon.IconId(), mouseMessage);
}

// Asks the shell to change (NIM_MODIFY) or delete an icon; only an icon the shell knows can be.
bool ShellNotify(DWORD message, HWND wnd, UINT id) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = wnd;
  data.uID = id;
  return Shell_NotifyIconA(message, &data) != FALSE;
}

bool IconInTray(HWND wnd, UINT id) { return ShellNotify(NIM_MODIFY, wnd, id); }

// An icon of one colour, and the colour an icon shows in its middle.
HICON SolidIcon(COLORREF colour) {
  const std::vector<BYTE> opaque(2 * 16, 0);
  const std::vector<DWORD> pixels(16 * 16, GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour));
  return CreateIcon(nullptr, 16, 16, 1, 32, opaque.data(), reinterpret_cast<const BYTE*>(pixels.data()));
}

COLORREF IconColour(HICON icon) {
  ICONINFO info{};
  GetIconInfo(icon, &info);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, info.hbmColor);
  const COLORREF colour = GetPixel(dc, 8, 8);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return colour;
}

BOOL CALLBACK FindStandaloneTray(HWND wnd, LPARAM found) {
  char name[64] = "";
  GetClassNameA(wnd, name, sizeof name);
  if (std::string(name) == "__winex11_standalone_tray") *reinterpret_cast<HWND*>(found) = wnd;
  return TRUE;
}

// How many pixels of a colour Wine's notification area shows: without a tray of the X desktop it
// keeps the icons in a window of its own.
int TrayPixels(COLORREF colour) {
  HWND tray = nullptr;
  EnumThreadWindows(GetWindowThreadProcessId(FindWindowA("Shell_TrayWnd", nullptr), nullptr), FindStandaloneTray,
                    reinterpret_cast<LPARAM>(&tray));
  RECT r{};
  if (!tray || !IsWindowVisible(tray) || !GetWindowRect(tray, &r)) return -1;
  HDC dc = GetWindowDC(tray);
  int count = 0;
  for (int y = 0; y < r.bottom - r.top; ++y)
    for (int x = 0; x < r.right - r.left; ++x) count += GetPixel(dc, x, y) == colour;
  ReleaseDC(tray, dc);
  return count;
}

class TrayIconTest : public TFormTest {
 protected:
  void SetUp() override {
    TFormTest::SetUp();
    // The shell's tray window comes with Wine's desktop process, which may still be starting.
    ASSERT_TRUE(PumpUntil([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }));
    Form->SetCaption("Tray icon test");
    Icon->SetHint("Lorvex");
    Icon->SetIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
  }
  void TearDown() override {
    if (Application().MainForm == Form.get()) Application().MainForm = nullptr;
    TFormTest::TearDown();
  }

  // An image list of one-colour icons, red, green and blue, owned by the form.
  TCustomImageList* ColourList() {
    auto* list = new TCustomImageList(Form.get());
    for (COLORREF colour : Colours) {
      HICON icon = SolidIcon(colour);
      list->AddIcon(icon);
      DestroyIcon(icon);
    }
    return list;
  }

  static constexpr COLORREF Colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  TTrayIcon* Icon = new TTrayIcon(Form.get());  // owned by the form
};

TEST_F(TrayIconTest, TheIconIsAddedChangedAndRemovedOnItsHiddenTopLevelWindow) {
  HWND wnd = Icon->NotifyWindow();
  // Broadcasts such as "TaskbarCreated" reach only top-level windows, not message-only ones.
  EXPECT_EQ(GetAncestor(wnd, GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_FALSE(IconInTray(wnd, Icon->IconId()));
  ASSERT_TRUE(Icon->ShowIcon());
  EXPECT_TRUE(IconInTray(wnd, Icon->IconId()));
  Icon->SetHint(std::string(200, 'x'));
  EXPECT_TRUE(Icon->ModifyIcon());

  // A second icon shares the window, with an id of its own, and leaves the tray as it goes.
  auto* second = new TTrayIcon(Form.get());
  EXPECT_EQ(second->NotifyWindow(), wnd);
  EXPECT_NE(second->IconId(), Icon->IconId());
  second->SetIconVisible(true);
  const UINT secondId = second->IconId();
  EXPECT_TRUE(IconInTray(wnd, secondId));
  delete second;
  EXPECT_FALSE(IconInTray(wnd, secondId));
  EXPECT_TRUE(IconInTray(wnd, Icon->IconId()));

  EXPECT_TRUE(Icon->HideIcon());
  EXPECT_FALSE(Icon->IconVisible());
  EXPECT_FALSE(IconInTray(wnd, Icon->IconId()));
  EXPECT_FALSE(Icon->ModifyIcon());  // the shell's answer: no such icon

  // The shell restarted: its broadcast adds the visible icon again, not a hidden one.
  Icon->SetIconVisible(true);
  auto* hidden = new TTrayIcon(Form.get());
  hidden->SetIconVisible(false);
  ASSERT_TRUE(ShellNotify(NIM_DELETE, wnd, Icon->IconId()));
  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return IconInTray(wnd, Icon->IconId()); }));
  EXPECT_TRUE(Icon->IconVisible());
  EXPECT_FALSE(IconInTray(hidden->NotifyWindow(), hidden->IconId()));
  const UINT id = Icon->IconId();
  Form.reset();  // the form frees the icon, which leaves the tray
  EXPECT_FALSE(IconInTray(wnd, id));
}

TEST_F(TrayIconTest, TheRightButtonOpensTheTrayMenuAndItsItemsRun) {
  // The tray menu of the program: "Options", a line, "Open Lorvex" (the default), "Exit".
  int optionsClicks = 0, openClicks = 0, exitClicks = 0, popups = 0, forIcon = 0;
  auto* menu = new TPopupMenu(Form.get());
  AddMenuItem(*Form, menu->Items(), "Options", &optionsClicks);
  AddMenuItem(*Form, menu->Items(), "-");
  AddMenuItem(*Form, menu->Items(), "Open Lorvex", &openClicks)->Default = true;
  AddMenuItem(*Form, menu->Items(), "Exit", &exitClicks);
  menu->OnPopup = [&](TComponent&) { ++popups; };
  Icon->SetPopupMenu(menu);
  Icon->SetIconVisible(true);
  // The menu shows for the icon (the shell's notification returns once it has closed), first closed
  // at once, then with an item picked with the keys: Up from no selection is the last item, "Exit".
  for (const bool pick : {false, true}) {
    TMenuWatch watch([&](HWND window) {
      forIcon += menu->PopupComponent() == Icon;
      if (!pick) return EndMenu(), void();
      PostMessageA(window, WM_KEYDOWN, VK_UP, 0);
      PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    });
    SendTrayMessage(*Icon, WM_RBUTTONDOWN);
    EXPECT_EQ(std::vector<int>({optionsClicks, openClicks, exitClicks}), std::vector<int>({0, 0, pick})) << pick;
  }
  EXPECT_EQ(forIcon, 2);

  // No menu for the left button, nor once the menu has gone.
  SendTrayMessage(*Icon, WM_LBUTTONDOWN);
  SendTrayMessage(*Icon, WM_LBUTTONUP);
  delete menu;
  EXPECT_EQ(Icon->PopupMenu(), nullptr);
  SendTrayMessage(*Icon, WM_RBUTTONDOWN);
  EXPECT_EQ(popups, 2);
}

// An index shows its image, clamped to the list (without one it is 0); each tick of the cycle
// shows the image at the index, then moves the index on.
TEST_F(TrayIconTest, CyclingShowsEachImageInTurnAndAFreedImageListIsForgotten) {
  Icon->SetIconIndex(2);
  EXPECT_EQ(Icon->IconIndex(), 0);
  auto* list = ColourList();
  Icon->SetIconList(list);
  for (const auto [index, shown] : {std::pair{1, 1}, std::pair{10, 2}, std::pair{-3, 0}}) {
    Icon->SetIconIndex(index);
    EXPECT_EQ(Icon->IconIndex(), shown) << index;
    EXPECT_EQ(IconColour(Icon->Icon()), Colours[shown]) << index;
  }
  std::vector<std::pair<COLORREF, int>> ticks;  // the colour shown and the next index
  Icon->OnCycle = [&](TComponent&, int next) { ticks.emplace_back(IconColour(Icon->Icon()), next); };
  Icon->SetCycleInterval(10);
  Icon->SetCycleIcons(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 4; }));
  Icon->SetCycleIcons(false);
  ticks.resize(4);
  EXPECT_EQ(ticks, (std::vector<std::pair<COLORREF, int>>{
                       {Colours[0], 1}, {Colours[1], 2}, {Colours[2], 0}, {Colours[0], 1}}));
  delete list;
  EXPECT_EQ(Icon->IconList(), nullptr);
  EXPECT_EQ(Icon->IconIndex(), 0);
}

// The index moves on through its setter: after every tick, outside OnCycle, the icon is the
// image at the new index, and the shell has been given it to show.
TEST_F(TrayIconTest, AfterEachTickTheIconIsTheImageAtTheNewIndexAndTheShellShowsIt) {
  auto* list = ColourList();
  Icon->SetIconList(list);
  Icon->SetIconVisible(true);
  const auto shell = TTrayIcon::ShellNotifyIcon;
  HICON told = nullptr;
  TTrayIcon::ShellNotifyIcon = [&](DWORD message, NOTIFYICONDATAA* data) {
    if (message == NIM_MODIFY) told = data->hIcon;
    return shell(message, data);
  };
  std::vector<int> nexts;
  Icon->OnCycle = [&](TComponent&, int next) { nexts.push_back(next); };
  Icon->SetCycleInterval(10);
  Icon->SetCycleIcons(true);
  size_t seen = 0;
  std::vector<std::pair<int, int>> shown;  // after each tick seen: the index set, and the image's
  PumpUntil([&] {
    if (nexts.size() != seen) {
      seen = nexts.size();
      const auto image = std::find(std::begin(Colours), std::end(Colours), IconColour(Icon->Icon()));
      shown.emplace_back(nexts.back(), int(image - std::begin(Colours)));
      EXPECT_EQ(Icon->IconIndex(), nexts.back());
      EXPECT_EQ(told, Icon->Icon());
    }
    return seen >= 4;
  });
  Icon->SetCycleIcons(false);
  TTrayIcon::ShellNotifyIcon = shell;
  ASSERT_GE(seen, 4u);
  for (const auto& [index, image] : shown) EXPECT_EQ(image, index);
  // And the user sees it: the notification area shows the image at the index, and no other.
  const int index = Icon->IconIndex();
  EXPECT_TRUE(PumpUntil([&] {
    return TrayPixels(Colours[index]) == 16 * 16 && TrayPixels(Colours[(index + 1) % 3]) == 0 &&
           TrayPixels(Colours[(index + 2) % 3]) == 0;
  })) << index;
}

// A descendant sees every change the shell is told of.
TEST_F(TrayIconTest, TheSettersAndTheNewTaskbarGoThroughTheVirtualShellCalls) {
  struct TCountingIcon : TTrayIcon {
    using TTrayIcon::TTrayIcon;
    std::vector<std::string> Calls;
    bool ShowIcon() override { return Calls.push_back("show"), TTrayIcon::ShowIcon(); }
    bool HideIcon() override { return Calls.push_back("hide"), TTrayIcon::HideIcon(); }
    bool ModifyIcon() override { return Calls.push_back("modify"), TTrayIcon::ModifyIcon(); }
  };
  auto* icon = new TCountingIcon(Form.get());
  icon->SetIconVisible(true);
  icon->SetHint("Lorvex");
  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return icon->Calls.size() >= 3; }));
  icon->SetIconVisible(false);
  EXPECT_EQ(icon->Calls, (std::vector<std::string>{"show", "modify", "show", "hide"}));
}

// Shown, the owner comes to the front behind the application's window, which is activated first.
TEST_F(TrayIconTest, ShowingTheOwnerActivatesTheApplicationWindowThenTheOwner) {
  std::vector<std::string> activated;
  const int hook = Application().HookMainWindow([&](UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
    if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) activated.push_back("application");
    return false;
  });
  Form->OnActivate = [&](TComponent&) { activated.push_back("form"); };
  TForm other(nullptr);
  ASSERT_TRUE(ShowActive(other));
  activated.clear();
  Form->Show();
  PumpUntil([&] { return GetForegroundWindow() == Form->Handle(); });
  Application().UnhookMainWindow(hook);
  EXPECT_EQ(activated, (std::vector<std::string>{"application", "form"}));
}

TEST_F(TrayIconTest, StaleAndForgedNotificationsChangeNothing) {
  int events = 0;
  Icon->OnClick = Icon->OnDblClick = [&](TComponent&) { ++events; };
  Icon->OnMouseDown = [&](TComponent&, TMouseButton, TShiftState, int, int) { ++events; };
  auto* freed = new TTrayIcon(Form.get());
  const UINT freedId = freed->IconId();
  delete freed;
  for (WPARAM id : {WPARAM(freedId), reinterpret_cast<WPARAM>(Icon), WPARAM(0), WPARAM(Icon->IconId() + 1000)})
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN})
      PostMessageA(Icon->NotifyWindow(), WM_TRAYNOTIFY, id, message);
  Pump(50);
  EXPECT_EQ(events, 0);
}

// The events an icon reports, each as a word with its button and shift state and the pointer's
// place: "down right+R@200,150".
class TrayEventsTest : public TrayIconTest {
 protected:
  void SetUp() override {
    TrayIconTest::SetUp();
    const auto button = [](TMouseButton b) { return b == mbLeft ? "left" : b == mbRight ? "right" : "middle"; };
    const auto state = [](TShiftState shift) {
      return std::string(shift & ssLeft ? "+L" : "") + (shift & ssRight ? "+R" : "") + (shift & ssMiddle ? "+M" : "");
    };
    const auto place = [](int x, int y) { return "@" + std::to_string(x) + "," + std::to_string(y); };
    Icon->OnMouseDown = [=, this](TComponent&, TMouseButton b, TShiftState shift, int x, int y) {
      Events.push_back("down " + std::string(button(b)) + state(shift) + place(x, y));
    };
    Icon->OnMouseUp = [=, this](TComponent&, TMouseButton b, TShiftState shift, int x, int y) {
      Events.push_back("up " + std::string(button(b)) + state(shift) + place(x, y));
    };
    Icon->OnMouseMove = [=, this](TComponent&, TShiftState shift, int x, int y) {
      Events.push_back("move" + state(shift) + place(x, y));
    };
    Icon->OnMouseEnter = [this](TComponent&) { Events.push_back("enter"); };
    Icon->OnMouseExit = [this](TComponent&) { Events.push_back("exit"); };
    SetCursorPos(200, 150);
  }
  std::vector<std::string> Events;
};

// Each button goes down and up with its own shift flag at the pointer; the right button comes up
// as the first icon version reports it, and double clicks of the right and middle buttons, like
// the later version's notifications, are nothing. A disabled icon reports nothing.
TEST_F(TrayEventsTest, TheShellsNotificationsBecomeTheIconsMouseEventsWhileItIsEnabled) {
  const std::pair<UINT, const char*> cases[] = {
      {WM_LBUTTONDOWN, "down left+L@200,150"},
      {WM_LBUTTONUP, "up left+L@200,150"},
      {WM_RBUTTONDOWN, "down right+R@200,150"},
      {WM_RBUTTONUP, "up right+R@200,150"},
      {WM_MBUTTONDOWN, "down middle+M@200,150"},
      {WM_MBUTTONUP, "up middle+M@200,150"},
      {WM_MOUSEMOVE, "move@200,150"},
      {WM_RBUTTONDBLCLK, ""},
      {WM_MBUTTONDBLCLK, ""},
      {WM_CONTEXTMENU, ""},
      {NIN_SELECT, ""},
  };
  for (const bool enabled : {true, false}) {
    Icon->Enabled = enabled;
    for (const auto& [message, event] : cases) {
      SCOPED_TRACE(message);
      Events.clear();
      SendTrayMessage(*Icon, message);
      EXPECT_EQ(Events, enabled && *event ? std::vector<std::string>{event} : std::vector<std::string>{});
    }
  }
}

// Unwanted, moves over the icon are only moves; wanted, the pointer enters on the shell's first
// move over the icon and leaves, once, when the 20 ms poll finds it elsewhere.
TEST_F(TrayEventsTest, ThePointerEntersOnAMoveAndLeavesWhenItIsElsewhere) {
  SendTrayMessage(*Icon, WM_MOUSEMOVE);
  EXPECT_EQ(Events, std::vector<std::string>{"move@200,150"});
  Events.clear();
  Icon->SetWantEnterExitEvents(true);
  SendTrayMessage(*Icon, WM_MOUSEMOVE);
  SendTrayMessage(*Icon, WM_MOUSEMOVE);
  Pump(100);  // the pointer stays where the shell saw it
  EXPECT_EQ(Events, (std::vector<std::string>{"enter", "move@200,150", "move@200,150"}));
  Events.clear();
  SetCursorPos(260, 150);
  EXPECT_TRUE(PumpUntil([&] { return !Events.empty(); }));
  Pump(100);
  EXPECT_EQ(Events, std::vector<std::string>{"exit"});
  Events.clear();
  SendTrayMessage(*Icon, WM_MOUSEMOVE);
  EXPECT_EQ(Events, (std::vector<std::string>{"enter", "move@260,150"}));
}

// The tray menu opens on the right button, and also the left with LeftPopup; a double click runs
// its default item unless the left button opens it or the menu does not pop up by itself; a
// disabled icon opens no menu.
TEST_F(TrayIconTest, TheMenuOpensAndItsDefaultItemRunsAsTheIconsOptionsSay) {
  int openClicks = 0, popups = 0;
  auto* menu = new TPopupMenu(Form.get());
  AddMenuItem(*Form, menu->Items(), "Options");
  AddMenuItem(*Form, menu->Items(), "Open Lorvex", &openClicks)->Default = true;
  menu->OnPopup = [&](TComponent&) { ++popups; };
  Icon->SetPopupMenu(menu);
  struct TCase {
    const char* Name;
    bool LeftPopup, AutoPopup, Enabled;
    int RightPopups, LeftPopups;  // for a right click, and for a left click and a double click each
    int DefaultRuns;
  };
  const TCase cases[] = {
      {"as the program has it", false, true, true, 1, 0, 1},
      {"LeftPopup", true, true, true, 1, 1, 0},
      {"no AutoPopup", false, false, true, 0, 0, 0},
      {"disabled", false, true, false, 0, 0, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Icon->LeftPopup = c.LeftPopup;
    menu->AutoPopup = c.AutoPopup;
    Icon->Enabled = c.Enabled;
    const auto popupsOf = [&](std::initializer_list<UINT> messages) {
      TMenuWatch close([](HWND) { EndMenu(); });
      const int before = popups;
      for (UINT message : messages) SendTrayMessage(*Icon, message);
      return popups - before;
    };
    openClicks = 0;
    EXPECT_EQ(popupsOf({WM_RBUTTONDOWN, WM_RBUTTONUP}), c.RightPopups);
    EXPECT_EQ(popupsOf({WM_LBUTTONDOWN, WM_LBUTTONUP}), c.LeftPopups);
    EXPECT_EQ(popupsOf({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}), c.LeftPopups);
    EXPECT_EQ(openClicks, c.DefaultRuns);
  }
}

TEST_F(TrayIconTest, MinimisingTheFormHidesItToTheTray) {
  Application().MainForm = Form.get();
  Form->SetBounds(100, 100, 300, 200);
  Icon->MinimizeToTray = true;
  int minimised = 0;
  Icon->OnMinimizeToTray = [&](TComponent&) { ++minimised; };
  const auto minimise = [this](bool withEvent) {
    Icon->SetIconVisible(false);
    ShowWindow(Form->Handle(), SW_RESTORE);
    Form->Show();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(IsIconic(Form->Handle()) != FALSE, !withEvent);
  };
  // The minimise command becomes the event: the form is hidden, not minimised, and the icon shows.
  minimise(true);
  EXPECT_EQ(minimised, 1);
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
  EXPECT_TRUE(IconInTray(Icon->NotifyWindow(), Icon->IconId()));

  // Without the event the command goes on and the form minimises, and is then hidden all the same.
  Icon->OnMinimizeToTray = nullptr;
  minimise(false);
  EXPECT_FALSE(Form->Visible());
  EXPECT_TRUE(Icon->IconVisible());
  Icon->OnMinimizeToTray = [&](TComponent&) { ++minimised; };

  // Without MinimizeToTray the form simply minimises; a freed icon takes its hook with it.
  Icon->MinimizeToTray = false;
  minimise(false);
  EXPECT_TRUE(Form->Visible());
  EXPECT_FALSE(Icon->IconVisible());
  Icon->MinimizeToTray = true;
  delete Icon;
  Icon = nullptr;
  ShowWindow(Form->Handle(), SW_RESTORE);
  SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(Form->Handle()));
  EXPECT_EQ(minimised, 1);
}

// OnStartup keeps the form hidden; the application's window restores it and minimises it to the tray.
TEST_F(TrayIconTest, StartUpMayKeepTheMainFormHiddenAndTheApplicationWindowBringsItBack) {
  Application().MainForm = Form.get();
  Icon->OnStartup = [&](TComponent&, bool& showMainForm) { showMainForm = false; };
  Icon->Loaded();
  EXPECT_FALSE(Form->Visible());
  EXPECT_FALSE(Application().ShowMainForm);
  Application().ShowMainForm = true;
  Form->Show();
  ShowWindow(Form->Handle(), SW_MINIMIZE);
  SendMessageA(Application().Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(Form->Handle()));
  Form->Hide();
  SendMessageA(Application().Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  Icon->MinimizeToTray = true;
  SendMessageA(Application().Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_FALSE(Form->Visible());
  EXPECT_TRUE(Icon->IconVisible());
}

}  // namespace
