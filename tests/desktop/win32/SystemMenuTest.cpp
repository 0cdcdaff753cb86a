// TSystemMenu with real forms under Wine. Where the entries go, how they look and which commands
// a user can pick is the layout's, tested natively.
#include "desktop/win32/SysMenu.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/WineTestUtils.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace {

// A form that counts the system commands its window procedure sees, by wParam. Close is counted
// and then ignored, so that a test can send it.
struct TCountingForm : TForm {
  using TForm::TForm;
  std::map<WPARAM, int> SysCommands;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_SYSCOMMAND) {
      ++SysCommands[wParam];
      if ((wParam & 0xFFF0) == SC_CLOSE) return 0;
    }
    return TForm::WndProc(msg, wParam, lParam);
  }
};

// One entry of a real menu: its text ("-" for a line) and its sub-menu.
struct TEntry {
  std::string Shown;
  HMENU SubMenu;
};

std::vector<TEntry> EntriesOf(HMENU menu) {
  std::vector<TEntry> entries;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[256] = "";
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, i, TRUE, &info)) ADD_FAILURE() << "entry " << i;
    entries.push_back({info.fType & MFT_SEPARATOR ? "-" : text, info.hSubMenu});
  }
  return entries;
}

std::vector<std::string> TextsOf(const std::vector<TEntry>& entries, size_t first = 0, size_t count = 99) {
  std::vector<std::string> texts;
  for (size_t i = first; i < entries.size() && i < first + count; ++i) texts.push_back(entries[i].Shown);
  return texts;
}

HMENU SystemMenuOf(TForm& form) { return GetSystemMenu(form.Handle(), FALSE); }

// The type and state bits of the entry at Position of a real menu.
std::pair<UINT, UINT> TypeAndState(HMENU menu, UINT position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  GetMenuItemInfoA(menu, position, TRUE, &info);
  return {info.fType, info.fState};
}

// The main window's menu: Options (Ctrl+O), a line, Help, About, a line, and More with Copy
// (Ctrl+C) and Paste.
struct TMainMenu {
  explicit TMainMenu(TForm& form) : Popup(new TPopupMenu(&form)) {
    Options = AddMenuItem(form, Popup->Items(), "Options", &OptionsClicks);
    Options->ShortCut = ShortCut('O', ssCtrl);
    AddMenuItem(form, Popup->Items(), "-");
    Help = AddMenuItem(form, Popup->Items(), "Help", &HelpClicks);
    About = AddMenuItem(form, Popup->Items(), "About", &AboutClicks);
    AddMenuItem(form, Popup->Items(), "-");
    TMenuItem* more = AddMenuItem(form, Popup->Items(), "More");
    Copy = AddMenuItem(form, *more, "Copy", &CopyClicks);
    Copy->ShortCut = ShortCut('C', ssCtrl);
    AddMenuItem(form, *more, "Paste", &PasteClicks);
  }
  TPopupMenu* Popup;
  TMenuItem *Options, *Help, *About, *Copy;
  int OptionsClicks = 0, HelpClicks = 0, AboutClicks = 0, CopyClicks = 0, PasteClicks = 0;
};

// The system menu of a form with Popup's items at Position, hooked when asked.
TSystemMenu* AddSystemMenu(TForm& form, TPopupMenu* popup, int position = 0, bool hooked = true) {
  auto* sysMenu = new TSystemMenu(&form);
  sysMenu->SetPosition(position);
  sysMenu->SetPopupMenu(popup);
  if (hooked) sysMenu->AttachHook();
  return sysMenu;
}

using SystemMenuTest = TWindowsTest;

}  // namespace

// The items show with their shortcuts and marks before the standard commands, a sub-menu as a copy
// made for the system menu; a second setting moves them rather than adding them again, with a new
// copy of the sub-menu.
TEST_F(SystemMenuTest, TheRealMenuShowsTheItemsBeforeTheStandardCommandsAndARebuildMovesThem) {
  TCountingForm form(nullptr);
  const auto standard = TextsOf(EntriesOf(SystemMenuOf(form)));
  ASSERT_FALSE(standard.empty());
  TMainMenu menu(form);
  menu.Help->RadioItem = menu.Help->Checked = true;
  menu.About->Enabled = false;
  menu.About->Default = true;
  menu.About->Break = mbBarBreak;
  TSystemMenu* sysMenu = AddSystemMenu(form, menu.Popup, 0, false);
  const std::vector<std::string> shown = {"Options\tCtrl+O", "-", "Help", "About", "-", "More"};
  auto entries = EntriesOf(SystemMenuOf(form));
  EXPECT_EQ(TextsOf(entries, 0, shown.size()), shown);
  EXPECT_EQ(TypeAndState(SystemMenuOf(form), 2), std::pair(UINT(MFT_RADIOCHECK), UINT(MFS_CHECKED)));
  EXPECT_EQ(TypeAndState(SystemMenuOf(form), 3), std::pair(UINT(MFT_MENUBARBREAK), UINT(MFS_DISABLED | MFS_DEFAULT)));
  EXPECT_EQ(TextsOf(entries, shown.size()), standard);
  const HMENU first = entries[shown.size() - 1].SubMenu;
  EXPECT_EQ(TextsOf(EntriesOf(first)), (std::vector<std::string>{"Copy\tCtrl+C", "Paste"}));

  sysMenu->SetPosition(-1);
  entries = EntriesOf(SystemMenuOf(form));
  EXPECT_EQ(TextsOf(entries, 0, standard.size()), standard);
  EXPECT_EQ(TextsOf(entries, standard.size()), shown);
  EXPECT_TRUE(IsMenu(entries.back().SubMenu));
  EXPECT_FALSE(IsMenu(first)) << "the old copy goes with its entry";
  sysMenu->SetPopupMenu(nullptr);
  EXPECT_EQ(TextsOf(EntriesOf(SystemMenuOf(form))), standard) << "no menu, no entries";
  // An owner that is not a form is refused.
  TPopupMenu owner(nullptr);
  TSystemMenu onMenu(&owner), alone(nullptr);
  EXPECT_THROW(onMenu.SetPopupMenu(menu.Popup), Exception);
  EXPECT_THROW(alone.SetPosition(0), Exception);
}

TEST_F(SystemMenuTest, TheSystemMenuAndTheFrameworkMenuOutliveEachOther) {
  int copyClicks = 0;
  for (bool menuGoesFirst : {true, false}) {
    SCOPED_TRACE(menuGoesFirst ? "the framework's menu goes first" : "the window goes first");
    auto form = std::make_unique<TCountingForm>(nullptr);
    // The framework's menu and items live apart from the form, so that either can go first.
    auto popup = std::make_unique<TPopupMenu>(nullptr);
    auto more = std::make_unique<TMenuItem>(nullptr);
    auto copy = std::make_unique<TMenuItem>(nullptr);
    more->Caption = "More";
    copy->Caption = "Copy";
    copy->OnClick = [&](TComponent&) { ++copyClicks; };
    popup->Items().Add(more.get());
    more->Add(copy.get());
    auto* sysMenu = AddSystemMenu(*form, popup.get(), -1, false);
    const HMENU inSystemMenu = EntriesOf(SystemMenuOf(*form)).back().SubMenu;
    ASSERT_TRUE(IsMenu(inSystemMenu));
    if (menuGoesFirst) {
      delete sysMenu;  // before the menu, as it must
      copy.reset();
      more.reset();
      popup.reset();
      EXPECT_EQ(TextsOf(EntriesOf(inSystemMenu)), (std::vector<std::string>{"Copy"})) << "kept whole";
    }
    form.reset();
    EXPECT_FALSE(IsMenu(inSystemMenu)) << "gone with the window";
    if (menuGoesFirst) continue;
    // The framework's items stay whole, still build their own menus and still run.
    const HMENU built = more->CreateMenuHandle();
    EXPECT_EQ(TextsOf(EntriesOf(built)), (std::vector<std::string>{"Copy"}));
    DestroyMenu(built);
    EXPECT_TRUE(TMenuItem::DispatchCommand(copy->Command()));
    EXPECT_EQ(copyClicks, 1);
  }
}

// Opened by Alt+Space and picked with the keys; the command that opened the menu reaches the form.
TEST_F(SystemMenuTest, AnEntryPickedFromTheRealMenuRunsOnceAndTheFormNeverSeesIt) {
  TCountingForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  TMainMenu menu(form);
  AddSystemMenu(form, menu.Popup);
  ASSERT_TRUE(ShowActive(form));
  // Options, a line, Help, About, a line, More: Down passes over the lines, Right opens More.
  const struct {
    std::vector<WORD> Keys;
    TMenuItem* Item;
    int* Clicks;
  } cases[] = {{{VK_HOME, VK_DOWN, VK_RETURN}, menu.Help, &menu.HelpClicks},
               {{VK_HOME, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}, menu.Copy, &menu.CopyClicks}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Item->Caption);
    TMenuWatch pick([&](HWND) {
      for (WORD key : c.Keys) PressKey(key);
    });
    PressKeys({VK_MENU, VK_SPACE});
    EXPECT_TRUE(PumpUntil([&] { return *c.Clicks > 0 && !VisibleThreadWindow("#32768"); }));
    Pump(50);
    EXPECT_EQ(*c.Clicks, 1);
    EXPECT_EQ(form.SysCommands[c.Item->Command()], 0);
  }
  EXPECT_EQ(menu.OptionsClicks + menu.AboutClicks + menu.PasteClicks, 0);
  int keyMenus = 0;
  for (auto [command, count] : form.SysCommands) keyMenus += (command & 0xFFF0) == SC_KEYMENU ? count : 0;
  EXPECT_GE(keyMenus, 2);
}

// Our command for the form is a pick: it runs once and the form never sees it. A command that
// names no entry, a standard one, an item freed while its entry stays, our command for another
// window, and any command once the component is freed reach the windows as they would without
// it; another form's component goes on.
TEST_F(SystemMenuTest, OnlyOurCommandForTheFormIsAPickAndAFreedComponentLeavesTheOthers) {
  TCountingForm form(nullptr), other(nullptr);
  TMainMenu menu(form), otherMenu(other);
  TSystemMenu* sysMenu = AddSystemMenu(form, menu.Popup);
  sysMenu->AttachHook();  // once is enough
  AddSystemMenu(other, otherMenu.Popup);
  const auto post = [](HWND wnd, UINT command) {
    PostMessageA(wnd, WM_SYSCOMMAND, command, 0);
    Pump(30);
  };
  post(form.Handle(), menu.Help->Command());
  EXPECT_EQ(menu.HelpClicks, 1);
  EXPECT_EQ(form.SysCommands[menu.Help->Command()], 0);
  const UINT about = menu.About->Command();
  delete menu.About;
  for (UINT command : {0x7777u, UINT(SC_CLOSE), about}) post(form.Handle(), command);
  post(Application().Handle(), menu.Help->Command());
  EXPECT_EQ(menu.OptionsClicks + menu.HelpClicks, 1);
  EXPECT_EQ(form.SysCommands[0x7777] + form.SysCommands[SC_CLOSE] + form.SysCommands[about], 3);

  delete sysMenu;
  post(form.Handle(), menu.Help->Command());
  post(other.Handle(), otherMenu.Help->Command());
  EXPECT_EQ(menu.HelpClicks, 1);
  EXPECT_EQ(form.SysCommands[menu.Help->Command()], 1);
  EXPECT_EQ(otherMenu.HelpClicks, 1);
}

// The message loop's handlers chain: one installed before the component sees a pick first, one
// installed after it sees only what the component leaves; once the component is freed both see
// every command again.
TEST_F(SystemMenuTest, AHandlerInstalledBeforeTheComponentRunsFirstAndOutlivesIt) {
  TCountingForm form(nullptr);
  TMainMenu menu(form);
  std::string seen;
  const auto watcher = [&seen](char name) {
    return [&seen, name](MSG& msg) {
      if (msg.message == WM_SYSCOMMAND) seen += name;
      return false;
    };
  };
  const int before = Application().AddMessageFilter(watcher('b'));
  menu.Help->OnClick = [&](TComponent&) { seen += 'H'; };
  TSystemMenu* sysMenu = AddSystemMenu(form, menu.Popup);
  const int after = Application().AddMessageFilter(watcher('a'));
  const auto post = [&](UINT command) {
    seen.clear();
    PostMessageA(form.Handle(), WM_SYSCOMMAND, command, 0);
    Pump(30);
    return seen;
  };
  EXPECT_EQ(post(menu.Help->Command()), "bH");
  EXPECT_EQ(post(0x7777), "ba");
  delete sysMenu;
  EXPECT_EQ(post(menu.Help->Command()), "ba");
  EXPECT_EQ(form.SysCommands[menu.Help->Command()], 1);
  Application().RemoveMessageFilter(before);
  Application().RemoveMessageFilter(after);
}

// Built with its form and loaded as component text loads it, the component takes the picks
// without AttachHook.
TEST_F(SystemMenuTest, LoadedWithItsFormItTakesThePicksWithoutAttachHook) {
  TCountingForm form(nullptr);
  TMainMenu menu(form);
  AddSystemMenu(form, menu.Popup, 0, false);
  const auto pick = [&] {
    PostMessageA(form.Handle(), WM_SYSCOMMAND, menu.Help->Command(), 0);
    Pump(30);
  };
  pick();
  EXPECT_EQ(menu.HelpClicks, 0) << "not hooked yet";
  for (TComponent* component : form.Components()) component->Loaded();
  pick();
  EXPECT_EQ(menu.HelpClicks, 1);
  EXPECT_EQ(form.SysCommands[menu.Help->Command()], 1) << "only the pick before the hook";
}

// Before version 4 Windows has only the old menu call: the entries show the same but for radio
// marks and the default, which it cannot carry; they run when picked, and a rebuild moves them
// (sub-menu too).
TEST_F(SystemMenuTest, OnWindowsBeforeVersionFourTheOldMenuCallInsertsTheEntries) {
  struct TOldWindows {
    decltype(TSystemMenu::WindowsVersion) Saved = TSystemMenu::WindowsVersion;
    TOldWindows() { TSystemMenu::WindowsVersion = [] { return DWORD(0x0A03); }; }  // 3.10
    ~TOldWindows() { TSystemMenu::WindowsVersion = Saved; }
  } oldWindows;
  TCountingForm form(nullptr);
  const auto standard = TextsOf(EntriesOf(SystemMenuOf(form)));
  TMainMenu menu(form);
  menu.Help->RadioItem = menu.Help->Checked = true;
  menu.About->Default = true;
  menu.About->Enabled = false;
  TSystemMenu* sysMenu = AddSystemMenu(form, menu.Popup);
  const std::vector<std::string> shown = {"Options\tCtrl+O", "-", "Help", "About", "-", "More"};
  auto entries = EntriesOf(SystemMenuOf(form));
  EXPECT_EQ(TextsOf(entries, 0, shown.size()), shown);
  EXPECT_EQ(TextsOf(EntriesOf(entries[5].SubMenu)), (std::vector<std::string>{"Copy\tCtrl+C", "Paste"}));
  const auto typeAndState = [&](UINT position) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfoA(SystemMenuOf(form), position, TRUE, &info);
    return std::pair(info.fType, info.fState);
  };
  EXPECT_EQ(typeAndState(2), std::pair(UINT(MFT_STRING), UINT(MFS_CHECKED))) << "Help: checked, no radio mark";
  EXPECT_EQ(typeAndState(3), std::pair(UINT(MFT_STRING), UINT(MFS_DISABLED))) << "About: disabled, not the default";

  PostMessageA(form.Handle(), WM_SYSCOMMAND, menu.Copy->Command(), 0);
  Pump(30);
  EXPECT_EQ(menu.CopyClicks, 1);
  sysMenu->SetPosition(-1);
  entries = EntriesOf(SystemMenuOf(form));
  EXPECT_EQ(TextsOf(entries, 0, standard.size()), standard);
  EXPECT_EQ(TextsOf(entries, standard.size()), shown);
}
