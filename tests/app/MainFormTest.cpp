// The main window, driven for real under Wine: created in this process as the program creates
// it, and alongside the real Lorvex.exe for the single-instance rule and the end of a session.
// The rules it shows (listing, scoring, launching) are the search model's, tested natively; here
// the window follows them.
#include "app/win32/FMain.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/SZCRC32.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "core/win32/qmUtils.h"
#include "desktop/win32/TrayIcon.h"
#include "ui/Clipbrd.h"
#include "tests/app/AppTest.h"
#include "tests/support/ScreenTestUtils.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestPaths.h"
#include "tests/win32/ShellLinks.h"

using testpaths::ReadText;
using testpaths::WriteText;

namespace {

std::string Key(const std::string& text) { return std::to_string(Crc32OfBuffer(text.data(), text.size())); }

// A language file's line: the English text's key and the translation.
std::string Translation(const std::string& text, const std::string& translated) {
  return Key(text) + "=" + translated + "\r\n";
}

// Presses the keys one after the other.
std::function<void()> Pressing(std::vector<WORD> keys) {
  return [keys] {
    for (WORD key : keys) PressKey(key);
  };
}

// Two hits for every text; for "slow" only after two seconds of blocking without a poll.
TTestSource::TSearch Probes(std::atomic<bool>& blocking) {
  return [&blocking](const std::string& text, const TAddHitFunc& addHit) {
    if (text == "slow") {
      blocking = true;
      Sleep(2000);
      blocking = false;
    }
    for (const char* name : {"Probe one", "Probe two"}) {
      TItemRecord record;
      record.DisplayName = name;
      record.Score = 0;
      addHit(record);
    }
  };
}

// A program started for the test and ended with it; by default the real Lorvex.exe, which finds
// this process holding the single-instance name or not.
class TStartedProgram {
 public:
  explicit TStartedProgram(const std::string& commandLine = "\"" + testpaths::ProgramPath(LORVEX_EXE) + "\"") {
    EXPECT_TRUE(StartProgram(commandLine, P));
  }
  ~TStartedProgram() {
    if (!Ended(0)) TerminateProcess(P.hProcess, 1);
    CloseHandle(P.hThread);
    CloseHandle(P.hProcess);
  }
  bool Ended(DWORD milliseconds) const { return WaitForSingleObject(P.hProcess, milliseconds) == WAIT_OBJECT_0; }
  PROCESS_INFORMATION P{};
};

// What the shell was asked: verb, file, parameters, folder, and whether the application's window
// owns what it shows.
std::string Asked(const os::TShellOpenRequest& request) {
  const char* owner = request.Owner == reinterpret_cast<uintptr_t>(Application().Handle()) ? "app"
                      : request.Owner == 0                                                 ? "none"
                                                                                           : "other";
  return request.Verb + "|" + request.File + "|" + request.Parameters + "|" + request.Directory + "|" + owner;
}

using MainFormTest = AppTest;

}  // namespace

// Its components are loaded: the tray icon tells the shell the notifications it takes.
TEST_F(MainFormTest, StartsHiddenWithItsStoredBoundsKeptOnTheScreenAndItsComponentsLoaded) {
  for (const int stored : {-20, 5000}) {
    WriteSettings([&](TLorvexSettings& s) { s.Left = s.Top = stored; });
    const auto shell = TTrayIcon::ShellNotifyIcon;
    std::vector<DWORD> told;
    TTrayIcon::ShellNotifyIcon = [&](DWORD message, NOTIFYICONDATAA* data) {
      return told.push_back(message), shell(message, data);
    };
    TMainForm& form = CreateMain();
    TTrayIcon::ShellNotifyIcon = shell;
    EXPECT_NE(std::find(told.begin(), told.end(), DWORD(NIM_SETVERSION)), told.end());
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(form.Left(), stored < 0 ? 0 : GetSystemMetrics(SM_CXVIRTUALSCREEN) - form.Width());
    EXPECT_EQ(form.Top(), stored < 0 ? 0 : GetSystemMetrics(SM_CYVIRTUALSCREEN) - form.Height());
  }
}

// A border of two pixels keeps the search bar, the list and the status bar off the frame.
TEST_F(MainFormTest, TheWindowHoldsItsBarsAndListTwoPixelsInsideItsFrame) {
  TMainForm& form = CreateMain();
  ShowMain();
  const int width = form.ClientWidth(), height = form.ClientHeight();
  const auto bounds = [](TWinControl* control) {
    const RECT r = BoundsInParent(control->Handle());
    return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
  };
  const RECT bar = BoundsInParent(form.SearchBar->Handle());
  EXPECT_EQ(bounds(form.SearchBar), (std::vector<LONG>{2, 2, width - 2, bar.bottom}));
  const std::vector<LONG> list = bounds(form.ResultList), status = bounds(form.StatusBar);
  EXPECT_EQ((std::vector<LONG>{list[0], list[1], list[2]}), (std::vector<LONG>{2, bar.bottom, width - 2}));
  EXPECT_EQ((std::vector<LONG>{status[0], status[2], status[3]}), (std::vector<LONG>{2, width - 2, height - 2}));
  EXPECT_EQ(bounds(form.btnHome)[2], width - 4 - 2) << "the buttons keep to the bar's right end";
}

TEST_F(MainFormTest, EveryWayOfShowingAppliesTheOpacityAndSelectsTheTextAndEveryWayOfHidingKeepsTheWindow) {
  ASSERT_TRUE(PumpUntil([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }));
  IsAlreadyRunning("Lorvex");  // this process is the first instance
  WriteSettings([](TLorvexSettings& s) {
    s.Opacity = 0;
    s.HotKey = "Ctrl+Alt+F8";
  });
  TMainForm& form = CreateMain();
  EXPECT_EQ(AppSettings().Opacity, 10);  // an invisible window could never be found again
  Application().MainForm = &form;
  TForm other(nullptr);  // an unrelated window with the same title, which a second start passes over
  other.SetCaption("Lorvex");
  other.SetBounds(10, 10, 200, 100);
  std::optional<TStartedProgram> second;
  const auto trayDoubleClick = [&] {
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
      SendMessageA(form.TrayIcon->NotifyWindow(), WM_TRAYNOTIFY, form.TrayIcon->IconId(), message);
  };
  const struct {
    const char* Name;
    std::function<void()> Show, Hide;
  } cases[] = {
      {"the hot key, then Esc with nothing typed",
       [] {
         PressKeys({VK_CONTROL, VK_MENU, VK_F8});
       },
       [] { PressKey(VK_ESCAPE); }},
      {"a double click on the tray icon, then F12, which minimises every window", trayDoubleClick,
       [] { PressKey(VK_F12); }},
      {"a second start, then closing", [&] { second.emplace(); }, [&] { SendMessageA(form.Handle(), WM_CLOSE, 0, 0); }},
      {"the tray menu, then another window activated", [&] { form.mnuRestoreClick(); }, [&] { ShowActive(other); }},
  };
  form.SearchBox->SetText("calc");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) && form.SearchBox->Focused(); }, 20000));
    BYTE alpha = 0;
    GetLayeredWindowAttributes(form.Handle(), nullptr, &alpha, nullptr);
    EXPECT_EQ(alpha, 26);  // 10 percent of 255, rounded
    DWORD start = 1, end = 0;
    SendMessageA(form.SearchBox->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end - start, 4u);
    c.Hide();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form.Handle()); }));
    EXPECT_TRUE(IsWindow(form.Handle()));
    EXPECT_EQ(form.SearchBox->Text(), "calc");
  }
  EXPECT_EQ(MinimizeAllCalls, 1);
  ASSERT_TRUE(second && second->Ended(20000));
  DWORD exitCode = 1;
  GetExitCodeProcess(second->P.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  AppSettings().InTray = false;  // the tray icon follows the setting
  form.UpdateTrayIcon();
  EXPECT_FALSE(form.TrayIcon->IconVisible());
  Application().MainForm = nullptr;
}

// A single click on the tray icon leaves the window hidden: only a double click shows it.
TEST_F(MainFormTest, ASingleClickOnTheTrayIconLeavesTheWindowHidden) {
  TMainForm& form = CreateMain();
  ASSERT_FALSE(IsWindowVisible(form.Handle()));
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP})
    SendMessageA(form.TrayIcon->NotifyWindow(), WM_TRAYNOTIFY, form.TrayIcon->IconId(), message);
  Pump(GetDoubleClickTime() + 300);  // past the wait for a second click
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

// "Capture active window" takes the window of the program the user was in when the launcher was
// called up, not the one the system brings forward when the launcher hides: under Wine the tray's
// window, which came up over the user's window (without taking the focus) when the icon was added.
TEST_F(MainFormTest, CaptureActiveWindowTakesTheWindowTheLauncherWasCalledUpFrom) {
  const TStartedProgram notepad("notepad.exe");
  HWND user = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(user = FindWindowA("Notepad", nullptr)); }, 20000));
  MoveWindow(user, 60, 70, 333, 222, TRUE);
  SetForegroundWindow(user);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == user; }));
  WriteSettings([](TLorvexSettings& s) {
    s.HotKey = "Ctrl+Alt+F7";
    s.SearchOrder = {"System"};
  });
  TMainForm& form = CreateMain();
  ASSERT_TRUE(PumpUntil([] { return IsWindowVisible(FindWindowA("__winex11_standalone_tray", nullptr)); }));
  SetClipboardText("");
  PressKeys({VK_CONTROL, VK_MENU, VK_F7});
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) && form.SearchBox->Focused(); }));
  form.SearchBox->SetText("grab screen");
  const TResultList& list = form.Search().List();
  ASSERT_TRUE(PumpUntil([&] { return !form.Search().SearchRunning() && list.Count() > 3; }));
  form.ResultList->SetItemIndex(3);
  ASSERT_EQ(list.Text(3), "Capture active window to clipboard");
  PressKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !ClipboardImage().Empty(); }));
  const TCaptureImage picture = ClipboardImage();
  EXPECT_EQ(std::pair(picture.Width, picture.Height), std::pair(333, 222));
}

// What fails goes to the error list: a settings file that cannot be read, a hot key another
// program holds, a command of the system menu (which carries the commands of mnuMain).
TEST_F(MainFormTest, ErrorsGoToTheListNewestFirstAndAtMostFiveHundred) {
  WriteText(SettingsFileName(), std::string("\0\xff\x01garbage", 10));
  ASSERT_EQ(CreateMain().Errors().size(), 1u);
  EXPECT_NE(Main->Errors().front().find("was not read"), std::string::npos) << Main->Errors().front();
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x3000, MOD_CONTROL | MOD_ALT, VK_F9));  // someone else has it
  WriteSettings([](TLorvexSettings& s) { s.HotKey = "Ctrl+Alt+F9"; });
  TMainForm& form = CreateMain();
  UnregisterHotKey(nullptr, 0x3000);
  EXPECT_EQ(AppSettings().RegisteredHotKey, 0);
  ASSERT_EQ(form.Errors().size(), 1u);
  EXPECT_NE(form.Errors().front().find("Ctrl+Alt+F9"), std::string::npos);
  EXPECT_TRUE(form.pErrors->Visible());
  for (int i = 1; i <= 510; ++i) form.AppException("failure " + std::to_string(i));
  ASSERT_EQ(form.Errors().size(), 500u);
  EXPECT_TRUE(form.Errors().front().ends_with(" - failure 510"));
  EXPECT_TRUE(form.Errors().back().ends_with(" - failure 11"));
  form.mnuHelp->OnClick = [](TComponent&) { throw Exception("help is broken"); };
  ShowMain();
  PostMessageA(form.Handle(), WM_SYSCOMMAND, form.mnuHelp->Command(), 0);
  EXPECT_TRUE(PumpUntil([&] { return form.Errors().front().ends_with(" - help is broken"); }));
}

// An error line begins with the moment it happened as the user's settings write dates and
// times, the short date and the long time, as the clipboard history names its pictures.
TEST_F(MainFormTest, AnErrorLineBeginsWithTheDateAndTimeInTheUsersFormat) {
  const auto now = [] {
    wchar_t date[80] = L"", time[80] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 80);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, 80);
    return WideToUtf8(date) + " " + WideToUtf8(time);
  };
  TMainForm& form = CreateMain();
  const std::string before = now();
  form.AppException("failure");
  const std::string after = now();  // the clock may have moved on meanwhile
  ASSERT_FALSE(form.Errors().empty());
  const std::string line = form.Errors().front();
  EXPECT_TRUE(line == before + " - failure" || line == after + " - failure") << line << "\n" << before;
}

// A file in Windows-1252 is read as such, and the error list says so.
TEST_F(MainFormTest, ALanguageFileTranslatesTheWindowAndItsTexts) {
  WriteText(ExeFolder() + "Testish.lng", Translation("Search box", "Suchfeld") +
                                             Translation("Type to search", "Tippen f\xFCr Suche") +
                                             Translation("Magic word", "Zauberwort"));
  WriteSettings([](TLorvexSettings& s) {
    s.Language = "Testish";
    s.MagicWords.Add().MagicWord = "calc";
  });
  TMainForm& form = CreateMain();
  EXPECT_EQ(form.SearchBox->Hint, "Suchfeld");
  EXPECT_EQ(form.StatusBar->SimpleText(), "Tippen für Suche");
  ASSERT_EQ(form.Errors().size(), 1u);
  EXPECT_NE(form.Errors().front().find("is not UTF-8"), std::string::npos) << form.Errors().front();
  EXPECT_EQ(WindowText(form.Handle()), "Lorvex");
  // A row's second line is drawn as its item carries it: translated once, not again.
  ShowMain();
  PressKey(VK_END);
  ASSERT_TRUE(PumpUntil([&] { return form.Search().List().Count() == 2; }));
  UpdateWindow(form.ResultList->Handle());
  EXPECT_EQ(form.Search().List().Item(1).Description, "Zauberwort");
  auto* engine = dynamic_cast<TqmTranslateEngineStrings*>(form.Translator()->TranslateEngine());
  ASSERT_NE(engine, nullptr);
  for (const std::string& line : engine->Strings()) EXPECT_NE(line.rfind(Key("Zauberwort") + "=", 0), 0u);
}

TEST_F(MainFormTest, TheListUnderKeysAndMouseSkipsHeadersAndGivesTheFocusBack) {
  WriteSettings([](TLorvexSettings& s) {
    for (const char* word : {"lvxa", "lvxb"}) s.MagicWords.Add().MagicWord = word;
    for (const char* name : {"Calculator", "Editor"}) s.LastUsed.Add().ItemData.DisplayName = name;
  });
  TMainForm& form = CreateMain();
  std::atomic<bool> blocking{false};
  TTestSource probe("Probe", Probes(blocking));
  const auto end = EndSearchFirst();
  AppSettings().SearchOrderObjects = {&probe};
  ShowMain();
  auto press = [&form](int row, DWORD button) {
    const RECT r = form.ResultList->ItemRect(row);
    ClickAt(form.ResultList->Handle(), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, button);
  };
  const auto ctrlHome = [] { PressKeys({VK_CONTROL, VK_HOME}); };
  std::unique_ptr<TDelayedAction> answer;  // Yes to the question of Delete
  // "lvx" lists: # Magic words, " (lvxa)", " (lvxb)", # Probe, "Probe one", "Probe two".
  // The empty box lists: # Last used, "Calculator", "Editor".
  const struct {
    const char* Name;
    const char* Typed;
    int Start;  // the selected row, with the focus in the list
    std::function<void()> Act;
    const char* Selected;  // the text of the row selected afterwards
    bool InBox;            // the focus has gone back to the search box
  } cases[] = {
      {"Down passes a header", "lvx", 2, [] { PressKey(VK_DOWN); }, "Probe one", false},
      {"Up passes a header upwards", "lvx", 4, [] { PressKey(VK_UP); }, " (lvxb)", false},
      {"Up from the first hit goes back to the box", "lvx", 1, [] { PressKey(VK_UP); }, " (lvxa)", true},
      {"Backspace goes back to the box", "lvx", 4, [] { PressKey(VK_BACK); }, "Probe one", true},
      {"Ctrl+Home lists the last used", "lvx", 4, ctrlHome, "Calculator", false},
      {"A middle press selects the row under the pointer", "lvx", 1, [&] { press(5, MOUSEEVENTF_MIDDLEDOWN); },
       "Probe two", false},
      {"A press on a header selects the row below", "lvx", 1, [&] { press(3, MOUSEEVENTF_LEFTDOWN); }, "Probe one",
       false},
      {"Delete asks, then drops the row from the last used", "", 1,
       [&] {
         answer = std::make_unique<TDelayedAction>([] { PressKey(VK_RETURN); }, 700);
         PressKey(VK_DELETE);
       },
       "Editor", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    form.SearchBox->SetText(c.Typed);
    const int rows = *c.Typed ? 6 : 3;
    const TSearchModel& search = form.Search();
    ASSERT_TRUE(PumpUntil(
        [&] { return search.SearchText() == c.Typed && !search.SearchRunning() && form.ResultList->Count() == rows; }));
    ASSERT_TRUE(FocusOn(*form.ResultList));
    form.ResultList->SetItemIndex(c.Start);
    c.Act();
    const auto selected = [&] {
      const int index = form.ResultList->ItemIndex();
      return index < 0 ? std::string("(none)") : form.Search().List().Text(index);
    };
    EXPECT_TRUE(PumpUntil([&] { return selected() == c.Selected && form.SearchBox->Focused() == c.InBox; }, 3000))
        << selected() << (form.SearchBox->Focused() ? ", in the box" : "");
  }
}

TEST_F(MainFormTest, WhileASourceThatNeverPollsIsWaitedForTheWindowPaintsTakesKeysAndHides) {
  TMainForm& form = CreateMain();
  std::atomic<bool> blocking{false};
  TTestSource probe("Probe", Probes(blocking));
  const auto end = EndSearchFirst();
  AppSettings().SearchOrderObjects = {&probe};
  ShowMain();
  int paints = 0;
  form.ResultList->AddWindowHook([&](UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_PAINT) ++paints;
    return false;
  });
  form.SearchBox->SetText("slow");
  SendMessageA(form.SearchBox->Handle(), EM_SETSEL, 4, 4);
  ASSERT_TRUE(PumpUntil([&] { return blocking.load(); }));
  PressKey('X');  // stops that search: the window waits for the source to return
  bool painted = false, typed = false, hidden = false;
  TDelayedAction paint(
      [&] {
        paints = 0;
        InvalidateRect(form.ResultList->Handle(), nullptr, TRUE);
        PressKey('Y');
      },
      400);
  TDelayedAction look(
      [&] {
        painted = paints > 0 && blocking;
        typed = form.SearchBox->Text() == "slowxy" && blocking;
        PressKey(VK_ESCAPE);
      },
      800);
  TDelayedAction gone([&] { hidden = !IsWindowVisible(form.Handle()) && blocking; }, 1200);
  ASSERT_TRUE(PumpUntil([&] { return form.Search().SearchText() == "slowxy" && !form.Search().SearchRunning(); }));
  EXPECT_TRUE(painted);
  EXPECT_TRUE(typed);
  EXPECT_TRUE(hidden);
}

// A source that reports a row and then works on without asking whether to stop: the row is in the
// list while it works.
TEST_F(MainFormTest, ASlowSourcesFirstRowIsListedWhileItWorksOn) {
  TMainForm& form = CreateMain();
  std::atomic<bool> release{false};
  TTestSource slow("Slow", [&](const std::string&, const TAddHitFunc& addHit) {
    TItemRecord record;
    record.DisplayName = "First row";
    record.Score = 0;
    addHit(record);
    for (int i = 0; i < 2000 && !release; ++i) Sleep(10);
  });
  const auto end = EndSearchFirst([&] { release = true; });
  AppSettings().SearchOrderObjects = {&slow};
  ShowMain();
  form.SearchBox->SetText("slow");
  ASSERT_TRUE(PumpUntil([&] { return form.ResultList->Count() == 2 && form.Search().SearchRunning(); }, 10000));
  EXPECT_EQ(form.Search().List().Text(1), "First row");
  release = true;
  EXPECT_TRUE(PumpUntil([&] { return !form.Search().SearchRunning(); }));
}

// The buttons right of the search box show their pictures (an arrow in green, a clock in violet),
// and a click on the clock lists the last used; a click on the arrow runs the typed line (below).
TEST_F(MainFormTest, TheSearchBarsButtonsShowTheirPicturesAndTheClockListsTheLastUsed) {
  WriteSettings([](TLorvexSettings& s) {
    s.LastUsed.Add().ItemData.DisplayName = "Calculator";
    s.MagicWords.Add().MagicWord = "calc";
  });
  TMainForm& form = CreateMain();
  ShowMain();
  const struct {
    TSpeedButton* Button;
    std::function<bool(COLORREF)> Painted;
  } buttons[] = {
      {form.btnRun, [](COLORREF c) { return GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 20; }},
      {form.btnHome, [](COLORREF c) { return GetBValue(c) > GetRValue(c) + 40 && GetBValue(c) > GetGValue(c) + 40; }},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.Button->Hint);
    RedrawWindow(b.Button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(b.Button->Handle());
    int painted = 0;
    for (int y = 0; y < b.Button->Height(); ++y)
      for (int x = 0; x < b.Button->Width(); ++x) painted += b.Painted(GetPixel(dc, x, y));
    ReleaseDC(b.Button->Handle(), dc);
    EXPECT_GT(painted, 30);
  }
  form.SearchBox->SetText("calc");
  ASSERT_TRUE(PumpUntil([&] { return form.Search().ListMode() == lmSearchResults; }));
  ClickAt(form.btnHome->Handle(), POINT{form.btnHome->Width() / 2, form.btnHome->Height() / 2});
  EXPECT_TRUE(PumpUntil([&] {
    return form.Search().ListMode() == lmDefaultList && form.ResultList->Count() == 2 &&
           form.Search().List().Text(1) == "Calculator" && form.SearchBox->Text().empty();
  }));
  EXPECT_TRUE(SaveWindowPicture(form.Handle(), ArtifactsFolder() + "main_window_buttons.bmp"));
}

// F1 opens the help beside the program in the system's help window.
TEST_F(MainFormTest, F1OpensTheHelp) {
  ASSERT_TRUE(os::FileExists(ExeFolder() + "Lorvex.chm"));
  CreateMain();
  ShowMain();
  PressKey(VK_F1);
  HWND help = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(help = FindWindowA("HH Parent", nullptr)); }, 20000));
  EXPECT_EQ(WindowText(help), "Lorvex Help");
  EXPECT_TRUE(SaveWindowPicture(help, ArtifactsFolder() + "help.bmp"));
  PostMessageA(help, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(help); }));
}

// Each way of running something reaches the shell as the model says, and the window hides. A
// right click selects the row under the pointer, and its menu offers what the row allows.
TEST_F(MainFormTest, MagicWordsTheTypedLineAndTheListsMenuRunThroughTheShell) {
  WriteSettings([](TLorvexSettings& s) {
    for (const char* name : {"Calculator", "Editor", "Notepad"}) {  // only notepad.exe is there
      TItemData& item = s.LastUsed.Add().ItemData;
      item.DisplayName = name;
      item.SearchClassName = "Desktop";
      item.SetExecuteString(std::string("C:\\windows\\") + name + ".exe");
    }
    TMagicWord& word = s.MagicWords.Add();
    word.MagicWord = "ed";
    word.ExecuteString = "C:\\Tools\\ed.exe";
    word.Parameters = "notes.txt";
    word.RunAsAdmin = true;
  });
  TShellRecorder shell;
  TMainForm& form = CreateMain();
  std::unique_ptr<TDelayedAction> run;  // "Run" in the menu
  const auto rightClickTheThirdRow = [&] {
    run = std::make_unique<TDelayedAction>(Pressing({VK_DOWN, VK_RETURN}), 700);
    const RECT third = form.ResultList->ItemRect(3);
    ClickAt(form.ResultList->Handle(), POINT{third.left + 50, third.top + 10}, MOUSEEVENTF_RIGHTDOWN);
  };
  const auto propertiesOfTheThirdRow = [&] {
    run = std::make_unique<TDelayedAction>(Pressing({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}), 700);
    const RECT third = form.ResultList->ItemRect(3);
    ClickAt(form.ResultList->Handle(), POINT{third.left + 50, third.top + 10}, MOUSEEVENTF_RIGHTDOWN);
  };
  const auto clickRun = [&] {
    ClickAt(form.btnRun->Handle(), POINT{form.btnRun->Width() / 2, form.btnRun->Height() / 2});
  };
  const auto ctrlEnter = [] { PressKeys({VK_CONTROL, VK_RETURN}); };
  const char* const tool = "\"C:\\Program Files\\Tool\\t.exe\"  -a -b ";
  const struct {
    const char* Name;
    const char* Typed;
    std::function<void()> Act;
    const char* Asked;
    bool Hides;  // the window hides afterwards, with the box cleared
  } cases[] = {
      {"End, then Enter runs a magic word, over no window", "", Pressing({VK_END, VK_RETURN}),
       "runas|C:\\Tools\\ed.exe|notes.txt|C:\\Tools\\|none", true},
      {"Ctrl+Enter runs the typed line", tool, ctrlEnter, "|C:\\Program Files\\Tool\\t.exe|-a -b||app", true},
      {"the run button runs the typed line", tool, clickRun, "|C:\\Program Files\\Tool\\t.exe|-a -b||app", true},
      {"a right click on the third row, then Properties", "", propertiesOfTheThirdRow,
       "properties|C:\\windows\\Notepad.exe|||app", false},
      {"a right click on the third row, then Run", "", rightClickTheThirdRow, "|C:\\windows\\Notepad.exe|||none", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ShowMain();
    if (*c.Typed) form.SearchBox->SetText(c.Typed);
    shell.Calls.clear();
    c.Act();
    ASSERT_TRUE(PumpUntil([&] { return !shell.Calls.empty() && IsWindowVisible(form.Handle()) != c.Hides; }));
    EXPECT_EQ(Asked(shell.Calls[0]), c.Asked);
    if (c.Hides) {
      EXPECT_EQ(form.SearchBox->Text(), "");
    }
  }
  EXPECT_TRUE(form.mnuProperties->Enabled);
  EXPECT_TRUE(form.mnuDeleteLastUsed->Visible);
  EXPECT_FALSE(form.mnuHome->Visible);

  // A failure goes to the error list, and the window stays as it was.
  ShowMain();
  shell.Failure = "There is no application associated with the given file name extension.";
  form.SearchBox->SetText("nosuch.doc");
  ctrlEnter();
  ASSERT_TRUE(PumpUntil([&] { return !form.Errors().empty(); }));
  EXPECT_NE(form.Errors().front().find("ShellExecute error "), std::string::npos);
  EXPECT_EQ(form.SearchBox->Text(), "nosuch.doc");
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST_F(MainFormTest, TypingListsARealShortcutWithItsIconAndHintAndEnterRunsIt) {
  const std::string link = GetSpecialFolderPath(25) + "\\Lorvex Probe Editor.lnk";  // the prefix's common desktop
  MakeLink(link, LinkTo("C:\\windows\\notepad.exe", "Edits text"));
  const TShellRecorder shell;
  TMainForm& form = CreateMain();
  ShowMain();
  form.SearchBox->SetText("lorvex probe edit");
  ASSERT_TRUE(PumpUntil([&] { return !form.Search().SearchRunning() && form.ResultList->Count() == 2; }));
  const TResultList& list = form.Search().List();
  EXPECT_EQ(form.ResultList->ItemIndex(), 1);                            // the first hit, not its header
  EXPECT_TRUE(PumpUntil([&] { return list.Item(1).Icon != nullptr; }));  // looked up at the first paint
  EXPECT_TRUE(SaveWindowPicture(form.Handle(), ArtifactsFolder() + "main_window.bmp"));
  const RECT hit = form.ResultList->ItemRect(1), header = form.ResultList->ItemRect(0);
  const std::pair<POINT, std::string> hints[] = {{{hit.left + 50, hit.top + 5}, list.Item(1).Hint},
                                                 {{header.left + 50, header.top + 5}, "Desktop"},  // its text
                                                 {{hit.left + 50, hit.bottom + 40}, ""}};
  for (const auto& [point, hint] : hints) {
    SendMessageA(form.ResultList->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    EXPECT_EQ(form.ResultList->Hint, hint);
  }
  PressKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !shell.Calls.empty(); }));
  EXPECT_TRUE(AnsiSameText(shell.Calls[0].File, link));
  os::DeleteFile(link);
}

TEST_F(MainFormTest, EnterOnAPrinterWhoseSystemCannotShowItsPropertiesSaysSoAndTheWindowGoesOn) {
  // Wine's printer command is a stub that ends its caller: here the helper.
  const TRegisteredPrinter printer("Lorvex Probe Printer");
  TMainForm& form = CreateMain();
  ShowMain();
  const auto search = [&](const char* text) {
    form.SearchBox->SetText(text);
    return PumpUntil([&] { return !form.Search().SearchRunning() && form.ResultList->Count() == 2; });
  };
  ASSERT_TRUE(search("lorvex probe printer"));
  PressKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !form.Errors().empty(); }, 15000));
  EXPECT_TRUE(form.Errors().front().ends_with(" - Printer properties are not available on this system."));
  EXPECT_TRUE(search("probe printer"));  // the program still answers
}

TEST_F(MainFormTest, ExitSavesLearnedTextsAfterTheQuestionAndTheSettingsWithTheBounds) {
  WriteText(ExeIniFileName(), "[Options]\r\nTranslate=1\r\n");
  WriteText(ExeFolder() + "Testish.lng", Translation("Search box", "Suchfeld"));
  WriteSettings([](TLorvexSettings& s) { s.Language = "Testish"; });
  TMainForm& form = CreateMain();
  form.SetBounds(33, 44, 260, 390);
  TDelayedAction answer([] { PressKey(VK_RETURN); }, 500);  // Yes to the question inside the exit
  form.mnuExit2Click();
  form.mnuExit2Click();  // a second exit changes nothing
  EXPECT_TRUE(Application().Terminated());
  const std::string texts = ReadText(ExeFolder() + "Testish.lng");
  EXPECT_EQ(texts.rfind(Translation("Search box", "Suchfeld"), 0), 0u);
  EXPECT_NE(texts.find(Translation("Type to search", "Type to search")), std::string::npos);
  EXPECT_NE(ReadText(SettingsFileName()).find("  Left = 33\r\n  Top = 44\r\n  Width = 260\r\n  Height = 390\r\n"),
            std::string::npos);
}

// A copy marked portable keeps its settings beside the program: it reads them there, never makes
// the user's settings folder, and writes them back there at exit.
TEST_F(MainFormTest, APortableCopyKeepsItsSettingsBesideTheProgram) {
  struct TPortable {
    TPortable() { PortableMode = true; }
    ~TPortable() {
      for (const char* name : {"Lorvex.def", "LorvexShortcuts.cache"}) os::DeleteFile(ExeFolder() + name);
      PortableMode = false;
    }
  } portable;
  WriteSettings([](TLorvexSettings& s) { s.Opacity = 55; });
  EXPECT_EQ(SettingsFileName(), ExeFolder() + "Lorvex.def");
  PortableMode = false;
  const std::string userFolder = SettingsFolder("Lorvex");
  std::filesystem::remove_all(std::filesystem::u8path(userFolder));
  WriteText(ExeIniFileName(), "[Options]\r\nPortable=1\r\n");

  TMainForm& form = CreateMain();
  EXPECT_TRUE(PortableMode);
  EXPECT_EQ(AppSettings().Opacity, 55);
  EXPECT_FALSE(DirectoryExists(userFolder));
  form.SetBounds(33, 44, 260, 390);
  form.mnuExit2Click();
  EXPECT_NE(ReadText(ExeFolder() + "Lorvex.def").find("  Left = 33\r\n"), std::string::npos);
  Main.reset();
  EXPECT_FALSE(DirectoryExists(userFolder));
}

TEST_F(MainFormTest, TheRealProgramEndsOnlyWhenTheSessionReallyEnds) {
  const TStartedProgram lorvex;
  HWND wnd = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (wnd = FindWindowA(MainWindowClassName, "Lorvex")) != nullptr; }, 20000));
  SendMessageTimeoutA(wnd, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  EXPECT_FALSE(lorvex.Ended(500));
  SendMessageTimeoutA(wnd, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  EXPECT_TRUE(lorvex.Ended(20000));
  EXPECT_NE(ReadText(SettingsFileName()).find("object TLorvexSettings"), std::string::npos);
}
