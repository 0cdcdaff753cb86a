// TSystemMenu with real forms under Wine: the entries in the window's system menu, sub-menus
// that are the system menu's own, picks from the real menu by keyboard, forged system commands,
// and the message-loop hook coming and going.
#include "desktop/win32/SysMenu.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/WineTestUtils.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace {

// A form that counts the system commands its window procedure sees, by wParam. Close is
// counted and then ignored, so that a test can send it.
class TCountingForm : public TForm {
 public:
  using TForm::TForm;
  std::map<WPARAM, int> SysCommands;
  int Seen(WPARAM command) const {
    auto found = SysCommands.find(command);
    return found == SysCommands.end() ? 0 : found->second;
  }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_SYSCOMMAND) {
      ++SysCommands[wParam];
      if ((wParam & 0xFFF0) == SC_CLOSE) return 0;
    }
    return TForm::WndProc(msg, wParam, lParam);
  }
};

// One entry of a real menu.
struct TEntry {
  std::string Text;
  UINT Id = 0;
  UINT Type = 0;
  UINT State = 0;
  HMENU SubMenu = nullptr;
};

std::vector<TEntry> EntriesOf(HMENU menu) {
  std::vector<TEntry> entries;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = "";
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, i, TRUE, &info)) ADD_FAILURE() << "entry " << i;
    entries.push_back({text, info.wID, info.fType, info.fState, info.hSubMenu});
  }
  return entries;
}

std::vector<std::string> TextsOf(const std::vector<TEntry>& entries) {
  std::vector<std::string> texts;
  for (const TEntry& entry : entries) texts.push_back(entry.Type & MFT_SEPARATOR ? "-" : entry.Text);
  return texts;
}

// The standard entries of a window's system menu: those with system command ids.
std::vector<UINT> StandardIds(HMENU menu) {
  std::vector<UINT> ids;
  for (const TEntry& entry : EntriesOf(menu))
    if (entry.Id >= 0xF000) ids.push_back(entry.Id);
  return ids;
}

HMENU SystemMenuOf(TForm& form) { return GetSystemMenu(form.Handle(), FALSE); }

// A menu item that counts its clicks, put into Parent.
TMenuItem* AddItem(TComponent* owner, TMenuItem& parent, const std::string& caption, int* clicks = nullptr) {
  auto* item = new TMenuItem(owner);
  item->Caption = caption;
  if (clicks) item->OnClick = [clicks](TComponent&) { ++*clicks; };
  parent.Add(item);
  return item;
}

bool ShowFocused(TForm& form) {
  form.Show();
  SetForegroundWindow(form.Handle());
  return PumpUntil([&] { return GetActiveWindow() == form.Handle() && GetFocus() == form.Handle(); });
}

void SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {  // key, released
  std::vector<INPUT> inputs;
  for (auto [key, up] : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The visible popup of a menu being tracked, or nullptr.
HWND OpenMenuWindow() {
  const auto popupMenuClass = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(32768));
  HWND wnd = FindWindowA(popupMenuClass, nullptr);
  return wnd && IsWindowVisible(wnd) ? wnd : nullptr;
}

// Opens the system menu of the active window with Alt+Space and, once it shows, presses Keys
// in it. The menu's own loop runs inside the pump; the keys come from another thread, which
// waits for the menu and gives up after a while.
class TSystemMenuDriver {
 public:
  explicit TSystemMenuDriver(std::vector<WORD> keys) : FKeys(std::move(keys)) {
    SendKeys({{VK_MENU, false}, {VK_SPACE, false}, {VK_SPACE, true}, {VK_MENU, true}});
    FThread = std::thread([this] {
      for (int i = 0; i < 500 && !OpenMenuWindow(); ++i) Sleep(10);
      if (OpenMenuWindow()) {
        FMenuSeen = true;
        Sleep(50);  // the keys come at a human pace
        for (WORD key : FKeys) {
          SendKeys({{key, false}, {key, true}});
          Sleep(20);
        }
      }
      FDone = true;
    });
  }
  ~TSystemMenuDriver() { Finish(); }

  // Serves messages until the keys are in and the menu is closed; answers whether it opened.
  bool Finish() {
    if (FThread.joinable()) {
      PumpUntil([&] { return FDone && !OpenMenuWindow(); }, 8000);
      if (OpenMenuWindow()) SendKeys({{VK_ESCAPE, false}, {VK_ESCAPE, true}});  // a key went astray
      FThread.join();
      PumpUntil([] { return !OpenMenuWindow(); }, 2000);
    }
    return FMenuSeen;
  }

 private:
  std::vector<WORD> FKeys;
  std::thread FThread;
  std::atomic<bool> FMenuSeen{false};
  std::atomic<bool> FDone{false};
};

class SystemMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    Application().OnException = [this](const std::string& message) { Errors.push_back(message); };
  }
  void TearDown() override {
    Pump(20);
    Application().OnException = nullptr;
    EXPECT_TRUE(Errors.empty()) << Errors.front();
  }
  std::vector<std::string> Errors;
};

class SystemMenuEntries : public SystemMenuTest {};
class SystemMenuPicks : public SystemMenuTest {};
class SystemMenuHook : public SystemMenuTest {};

// The main window's menu: Options (Ctrl+O), a line, Help, About, a line.
struct TMainMenu {
  explicit TMainMenu(TForm& form) : Popup(new TPopupMenu(&form)) {
    Options = AddItem(&form, Popup->Items(), "Options", &OptionsClicks);
    Options->ShortCut = ShortCut('O', ssCtrl);
    AddItem(&form, Popup->Items(), "-");
    Help = AddItem(&form, Popup->Items(), "Help", &HelpClicks);
    About = AddItem(&form, Popup->Items(), "About", &AboutClicks);
    AddItem(&form, Popup->Items(), "-");
  }
  TPopupMenu* Popup;
  TMenuItem* Options;
  TMenuItem* Help;
  TMenuItem* About;
  int OptionsClicks = 0, HelpClicks = 0, AboutClicks = 0;
};

}  // namespace

// --- Entries ---------------------------------------------------------------------------------

TEST_F(SystemMenuEntries, ItemsGoBeforeTheStandardCommandsWithTheirShortcutsAndStates) {
  TCountingForm form(nullptr);
  const std::vector<UINT> standard = StandardIds(SystemMenuOf(form));
  ASSERT_FALSE(standard.empty());
  const int standardCount = GetMenuItemCount(SystemMenuOf(form));

  TMainMenu menu(form);
  menu.Help->Checked = true;
  menu.Help->RadioItem = true;
  menu.About->Enabled = false;
  menu.About->Break = mbBarBreak;
  auto* sysMenu = new TSystemMenu(&form);
  sysMenu->SetPosition(0);
  sysMenu->SetPopupMenu(menu.Popup);

  const auto entries = EntriesOf(SystemMenuOf(form));
  ASSERT_EQ(entries.size(), static_cast<size_t>(standardCount + 5));
  const auto texts = TextsOf(entries);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 5),
            (std::vector<std::string>{"Options\tCtrl+O", "-", "Help", "About", "-"}));
  EXPECT_EQ(entries[0].Id, menu.Options->Command());
  EXPECT_EQ(entries[2].Id, menu.Help->Command());
  EXPECT_EQ(entries[3].Id, menu.About->Command());
  EXPECT_TRUE(entries[2].State & MFS_CHECKED);
  EXPECT_TRUE(entries[2].Type & MFT_RADIOCHECK);
  EXPECT_TRUE(entries[3].State & MFS_GRAYED);
  EXPECT_TRUE(entries[3].Type & MFT_MENUBARBREAK);
  // The popup menu itself shows them alike.
  const HMENU popup = menu.Popup->Items().CreateMenuHandle();
  const auto popupEntries = EntriesOf(popup);
  EXPECT_EQ(popupEntries[2].Type & MFT_RADIOCHECK, static_cast<UINT>(MFT_RADIOCHECK));
  EXPECT_EQ(popupEntries[3].Type & MFT_MENUBARBREAK, static_cast<UINT>(MFT_MENUBARBREAK));
  DestroyMenu(popup);
  EXPECT_EQ(StandardIds(SystemMenuOf(form)), standard);  // all there, in their order, after ours
  EXPECT_GE(entries[5].Id, 0xF000u);

  // A second setting moves the entries rather than adding them again.
  sysMenu->SetPosition(-1);
  const auto moved = EntriesOf(SystemMenuOf(form));
  ASSERT_EQ(moved.size(), static_cast<size_t>(standardCount + 5));
  EXPECT_EQ(moved[0].Id, standard[0]);
  EXPECT_EQ(moved[standardCount].Id, menu.Options->Command());
  EXPECT_EQ(moved.back().Type & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));

  // A hidden item takes no place, and leaves no gap for a standard command to fall into.
  menu.Help->Visible = false;
  sysMenu->SetPosition(0);
  const auto hidden = EntriesOf(SystemMenuOf(form));
  ASSERT_EQ(hidden.size(), static_cast<size_t>(standardCount + 4));
  const auto hiddenTexts = TextsOf(hidden);
  EXPECT_EQ(std::vector<std::string>(hiddenTexts.begin(), hiddenTexts.begin() + 4),
            (std::vector<std::string>{"Options\tCtrl+O", "-", "About", "-"}));
  EXPECT_EQ(hidden[4].Id, standard[0]);

  // No menu, no entries.
  sysMenu->SetPopupMenu(nullptr);
  EXPECT_EQ(GetMenuItemCount(SystemMenuOf(form)), standardCount);
}

TEST_F(SystemMenuEntries, ASubMenuIsACopyMadeForTheSystemMenuAndEachRebuildReplacesIt) {
  TCountingForm form(nullptr);
  auto* popup = new TPopupMenu(&form);
  TMenuItem* more = AddItem(&form, popup->Items(), "More");
  more->ShortCut = ShortCut('M', ssCtrl);  // a sub-menu shows no shortcut
  TMenuItem* copy = AddItem(&form, *more, "Copy");
  copy->ShortCut = ShortCut('C', ssCtrl);
  AddItem(&form, *more, "Paste");
  AddItem(&form, *more, "Hidden")->Visible = false;

  auto* sysMenu = new TSystemMenu(&form);
  sysMenu->SetPosition(0);
  sysMenu->SetPopupMenu(popup);
  auto entries = EntriesOf(SystemMenuOf(form));
  ASSERT_TRUE(IsMenu(entries[0].SubMenu));
  EXPECT_EQ(entries[0].Text, "More");
  EXPECT_EQ(entries[0].Id, more->Command());
  const auto subEntries = EntriesOf(entries[0].SubMenu);
  EXPECT_EQ(TextsOf(subEntries), (std::vector<std::string>{"Copy\tCtrl+C", "Paste"}));
  EXPECT_EQ(subEntries[0].Id, copy->Command());

  // A rebuild puts in a new copy; the old one goes with its entry.
  const HMENU first = entries[0].SubMenu;
  sysMenu->SetPosition(1);
  entries = EntriesOf(SystemMenuOf(form));
  ASSERT_EQ(entries[1].Text, "More");
  ASSERT_TRUE(IsMenu(entries[1].SubMenu));
  EXPECT_NE(entries[1].SubMenu, first);
  EXPECT_FALSE(IsMenu(first));
  EXPECT_EQ(GetMenuItemCount(entries[1].SubMenu), 2);
}

TEST_F(SystemMenuEntries, TheSystemMenuAndTheFrameworkMenuOutliveEachOther) {
  int copyClicks = 0;
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

  // The framework's menu goes (after the component, as it must): the system menu keeps its
  // sub-menu whole.
  auto* sysMenu = new TSystemMenu(form.get());
  sysMenu->SetPopupMenu(popup.get());
  const HMENU kept = EntriesOf(SystemMenuOf(*form)).back().SubMenu;
  delete sysMenu;
  copy.reset();
  more.reset();
  popup.reset();
  ASSERT_TRUE(IsMenu(kept));
  EXPECT_EQ(TextsOf(EntriesOf(kept)), (std::vector<std::string>{"Copy"}));
  form.reset();  // and it goes with the window
  EXPECT_FALSE(IsMenu(kept));

  // The window and its system menu go: the framework's items stay whole, still build their
  // own menus and still run.
  form = std::make_unique<TCountingForm>(nullptr);
  TPopupMenu popup2(nullptr);
  TMenuItem more2(nullptr), copy2(nullptr);
  more2.Caption = "More";
  copy2.Caption = "Copy";
  copy2.OnClick = [&](TComponent&) { ++copyClicks; };
  popup2.Items().Add(&more2);
  more2.Add(&copy2);
  auto* sysMenu2 = new TSystemMenu(form.get());
  sysMenu2->SetPopupMenu(&popup2);
  const HMENU inSystemMenu = EntriesOf(SystemMenuOf(*form)).back().SubMenu;
  ASSERT_TRUE(IsMenu(inSystemMenu));
  form.reset();
  EXPECT_FALSE(IsMenu(inSystemMenu));
  const HMENU built = more2.CreateMenuHandle();
  EXPECT_EQ(TextsOf(EntriesOf(built)), (std::vector<std::string>{"Copy"}));
  DestroyMenu(built);
  EXPECT_TRUE(TMenuItem::DispatchCommand(copy2.Command()));
  EXPECT_EQ(copyClicks, 1);
}

TEST_F(SystemMenuEntries, AnOwnerThatIsNotAFormIsRefused) {
  TPopupMenu owner(nullptr);
  TPopupMenu popup(nullptr);
  TSystemMenu onMenu(&owner);
  EXPECT_THROW(onMenu.SetPopupMenu(&popup), Exception);
  TSystemMenu alone(nullptr);
  EXPECT_THROW(alone.SetPosition(0), Exception);
}

// --- Picks from the real menu ----------------------------------------------------------------

TEST_F(SystemMenuPicks, AnEntryPickedFromTheRealMenuRunsOnceAndTheFormNeverSeesIt) {
  TCountingForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  TMainMenu menu(form);
  auto* sysMenu = new TSystemMenu(&form);
  sysMenu->SetPosition(0);
  sysMenu->SetPopupMenu(menu.Popup);
  sysMenu->AttachHook();
  ASSERT_TRUE(ShowFocused(form));

  // Options, a line, Help: Home, then Down twice passes over the line to Help.
  TSystemMenuDriver driver({VK_HOME, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(PumpUntil([&] { return menu.HelpClicks > 0; }, 8000));
  EXPECT_TRUE(driver.Finish());
  EXPECT_EQ(menu.HelpClicks, 1);
  EXPECT_EQ(menu.OptionsClicks, 0);
  EXPECT_EQ(menu.AboutClicks, 0);
  EXPECT_EQ(form.Seen(menu.Help->Command()), 0);
  // The form did see the system command that opened the menu: Alt+Space is as it was.
  int keyMenus = 0;
  for (auto [command, count] : form.SysCommands)
    if ((command & 0xFFF0) == SC_KEYMENU) keyMenus += count;
  EXPECT_GE(keyMenus, 1);
}

TEST_F(SystemMenuPicks, AnEntryOfASubMenuPickedFromTheRealMenuRunsOnce) {
  TCountingForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  TPopupMenu* popup = new TPopupMenu(&form);
  int copyClicks = 0, pasteClicks = 0, topClicks = 0;
  TMenuItem* more = AddItem(&form, popup->Items(), "More");
  TMenuItem* copy = AddItem(&form, *more, "Copy", &copyClicks);
  AddItem(&form, *more, "Paste", &pasteClicks);
  AddItem(&form, popup->Items(), "Top", &topClicks);
  auto* sysMenu = new TSystemMenu(&form);
  sysMenu->SetPosition(0);
  sysMenu->SetPopupMenu(popup);
  sysMenu->AttachHook();
  ASSERT_TRUE(ShowFocused(form));

  TSystemMenuDriver driver({VK_HOME, VK_RIGHT, VK_RETURN});
  EXPECT_TRUE(PumpUntil([&] { return copyClicks > 0; }, 8000));
  EXPECT_TRUE(driver.Finish());
  Pump(50);
  EXPECT_EQ(copyClicks, 1);
  EXPECT_EQ(pasteClicks + topClicks, 0);
  EXPECT_EQ(form.Seen(copy->Command()), 0);
}

TEST_F(SystemMenuPicks, ForgedAndForeignSystemCommandsChangeNothing) {
  TCountingForm form(nullptr);
  TMainMenu menu(form);
  auto* sysMenu = new TSystemMenu(&form);
  sysMenu->SetPosition(0);
  sysMenu->SetPopupMenu(menu.Popup);
  sysMenu->AttachHook();
  TPopupMenu other(nullptr);
  int otherClicks = 0;
  TMenuItem outside(nullptr);  // a live item that is not in the system menu
  outside.Caption = "Outside";
  outside.OnClick = [&](TComponent&) { ++otherClicks; };
  other.Items().Add(&outside);
  const UINT line = menu.Popup->Items().Items()[1]->Command();

  // Each reaches the form as it would without the component, and runs nothing.
  const std::vector<WPARAM> forged = {0x7777, outside.Command(), line, SC_CLOSE};
  for (WPARAM command : forged) PostMessageA(form.Handle(), WM_SYSCOMMAND, command, 0);
  EXPECT_TRUE(PumpUntil([&] { return form.Seen(SC_CLOSE) == 1; }));
  for (WPARAM command : forged) EXPECT_EQ(form.Seen(command), 1) << std::hex << command;
  EXPECT_EQ(otherClicks, 0);
  EXPECT_EQ(menu.OptionsClicks + menu.HelpClicks + menu.AboutClicks, 0);

  // Our command, but for another window: not a pick from this form's menu.
  PostMessageA(Application().Handle(), WM_SYSCOMMAND, menu.Help->Command(), 0);
  Pump(50);
  EXPECT_EQ(menu.HelpClicks, 0);

  // The same command for the form is a pick: it runs once and stops at the message loop.
  PostMessageA(form.Handle(), WM_SYSCOMMAND, menu.Help->Command(), 0);
  EXPECT_TRUE(PumpUntil([&] { return menu.HelpClicks == 1; }));
  Pump(20);
  EXPECT_EQ(menu.HelpClicks, 1);
  EXPECT_EQ(form.Seen(menu.Help->Command()), 0);

  // An item freed while its entry stays: the command belongs to nobody.
  const UINT about = menu.About->Command();
  delete menu.About;
  PostMessageA(form.Handle(), WM_SYSCOMMAND, about, 0);
  EXPECT_TRUE(PumpUntil([&] { return form.Seen(about) == 1; }));
  other.Items().Remove(&outside);
}

// --- The hook ---------------------------------------------------------------------------------

TEST_F(SystemMenuHook, FreeingTheComponentRemovesItsHookAndLeavesTheOthers) {
  int before = 0, after = 0;
  auto counter = [](int& count) {
    return [&count](MSG& msg) {
      if (msg.message == WM_SYSCOMMAND) ++count;
      return false;
    };
  };
  const int beforeId = Application().AddMessageFilter(counter(before));

  TCountingForm form1(nullptr), form2(nullptr);
  TMainMenu menu1(form1), menu2(form2);
  auto* sysMenu1 = new TSystemMenu(&form1);
  sysMenu1->SetPopupMenu(menu1.Popup);
  sysMenu1->AttachHook();
  sysMenu1->AttachHook();  // once is enough
  auto* sysMenu2 = new TSystemMenu(&form2);
  sysMenu2->SetPopupMenu(menu2.Popup);
  sysMenu2->AttachHook();
  const int afterId = Application().AddMessageFilter(counter(after));

  auto pick = [](TForm& form, TMenuItem* item) {
    PostMessageA(form.Handle(), WM_SYSCOMMAND, item->Command(), 0);
    Pump(30);
  };
  pick(form1, menu1.Help);
  pick(form2, menu2.Help);
  EXPECT_EQ(menu1.HelpClicks, 1);
  EXPECT_EQ(menu2.HelpClicks, 1);
  EXPECT_EQ(before, 2);
  EXPECT_EQ(after, 0);  // a pick stops at the component

  // The first one goes, out of the order the hooks came in: the second and the other filters
  // stay, and the first never runs again.
  delete sysMenu1;
  pick(form1, menu1.Help);
  EXPECT_TRUE(PumpUntil([&] { return form1.Seen(menu1.Help->Command()) == 1; }));
  pick(form2, menu2.Help);
  EXPECT_EQ(menu1.HelpClicks, 1);
  EXPECT_EQ(menu2.HelpClicks, 2);
  EXPECT_EQ(before, 4);
  EXPECT_EQ(after, 1);

  // With the form that owns it.
  Application().RemoveMessageFilter(beforeId);
  delete sysMenu2;
  pick(form2, menu2.Help);
  EXPECT_EQ(menu2.HelpClicks, 2);
  EXPECT_EQ(form2.Seen(menu2.Help->Command()), 1);
  EXPECT_EQ(after, 2);
  Application().RemoveMessageFilter(afterId);
}
