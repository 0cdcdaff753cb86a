// The main window, driven for real under Wine: created in this process as the program creates
// it, and alongside the real Lorvex.exe for the single-instance rule and the end of a session.
#include "app/win32/FMain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "app/win32/ItemIcons.h"
#include "core/LorvexClasses.h"
#include "core/SZCRC32.h"
#include "core/qmDfmUtils.h"
#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "core/win32/qmUtils.h"
#include "desktop/win32/HotKeyManager.h"
#include "desktop/win32/TrayIcon.h"
#include "sources/win32/SearchShortcuts.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"
#include "tests/win32/ShellLinks.h"
#include "tests/support/WineTestUtils.h"

namespace {

std::string Key(const std::string& text) { return std::to_string(Crc32OfBuffer(text.data(), text.size())); }

std::string ReadText(const std::string& fileName) {
  std::string text;
  os::ReadFile(fileName, text);
  return text;
}

// Two hits for every text; for "slow" only after two seconds of blocking without a poll.
class TProbeSource : public TSearchClass {
 public:
  TProbeSource() : TSearchClass(nullptr) {}
  std::string GetName() override { return "Probe"; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override {
    if (text == "slow") {
      Blocking = true;
      Sleep(2000);
      Blocking = false;
    }
    for (const char* name : {"Probe one", "Probe two"}) {
      TItemRecord record;
      record.DisplayName = name;
      record.Score = 0;
      addHit(record);
    }
  }
  void Execute(TItemData&) override {}
  std::atomic<bool> Blocking{false};
};

HICON IconOf(const TItemData& item) {
  const auto* icon = dynamic_cast<const TWinIcon*>(item.Icon.get());
  return icon ? icon->Handle() : nullptr;
}

// The shown popup menu's entries, "~" before a greyed one, without their shortcuts.
std::string ShownMenu() {
  HWND popup = FindWindowA("#32768", nullptr);
  HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
  std::string entries;
  for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
    char text[64] = "";
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
    if (!entries.empty()) entries += "|";
    if (state & MF_SEPARATOR) {
      entries += "-";
      continue;
    }
    if (state & MF_GRAYED) entries += "~";
    entries += std::string(text).substr(0, std::string(text).find('\t'));
  }
  return entries;
}

// Every test starts from the defaults, without settings, INI or language files.
class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ForceDirectories(SettingsFolder("Lorvex"));
    os::DeleteFile(SettingsFileName());
    os::DeleteFile(ExeIniFileName());
    TLorvexSettings defaults;
    TextToComponent(AppSettings(), ComponentToText(defaults));
    AppSettings().MagicWords.Clear();
    AppSettings().LastUsed.Clear();
    TMainForm::MinimizeAllWindows = [this] { ++MinimizeAllCalls; };
  }
  void TearDown() override {
    Form.reset();
    os::DeleteFile(ExeIniFileName());
    os::DeleteFile(ExeFolder() + "Testish.lng");
  }

  void WriteSettings(const std::function<void(TLorvexSettings&)>& change) {
    TLorvexSettings settings;
    change(settings);
    SaveSettings(settings, SettingsFileName());
  }

  TMainForm& CreateForm() {
    Form = std::make_unique<TMainForm>(nullptr);
    return *Form;
  }

  void ShowForm() {
    Form->mnuRestoreClick();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Form->Handle()) && Form->SearchBox->Focused(); }));
  }

  std::unique_ptr<TMainForm> Form;
  int MinimizeAllCalls = 0;
};

}  // namespace

TEST_F(MainFormTest, StartsHiddenWithTheDesignedLayout) {
  TMainForm& form = CreateForm();
  form.Handle();
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(WindowText(form.Handle()), "Lorvex");
  EXPECT_EQ(form.SearchBar->Height(), 27);
  EXPECT_EQ(form.StatusBar->SimpleText(), "Type to search");
  EXPECT_FALSE(form.pErrors->Visible());
  EXPECT_EQ(form.Left(), 500);
  EXPECT_EQ(form.Top(), 300);
}

TEST_F(MainFormTest, ShowingSelectsTheSearchTextAndTheButtonsFollowTheWidth) {
  TMainForm& form = CreateForm();
  form.SearchBox->SetText("calc");
  ShowForm();
  DWORD start = 0, end = 0;
  SendMessageA(form.SearchBox->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
  form.SetWidth(400);
  Pump(50);
  const int clientWidth = form.SearchBar->ClientWidth();
  EXPECT_EQ(form.btnHome->Left(), clientWidth - 26 - 2);
  EXPECT_EQ(form.btnRun->Left(), clientWidth - 2 * 26 - 4);
  EXPECT_EQ(form.SearchBox->Width(), clientWidth - 2 * 26 - 8);
  // The picture of the shown window, for people to look at.
  const std::string artifacts = testpaths::TestTmpFolder() + testpaths::Sep + ".." + testpaths::Sep + "artifacts";
  ForceDirectories(artifacts);
  EXPECT_TRUE(SaveWindowPicture(form.Handle(), artifacts + testpaths::Sep + "main_window.bmp"));
}

TEST_F(MainFormTest, EscCloseAndDeactivationHideTheWindowWhichStaysAlive) {
  TMainForm& form = CreateForm();
  ShowForm();
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form.Handle()); }));
  EXPECT_EQ(form.SearchBox->Text(), "");  // Esc typed nothing

  ShowForm();
  SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form.Handle()); }));
  EXPECT_TRUE(IsWindow(form.Handle()));

  ShowForm();
  TForm other(nullptr);
  other.SetBounds(10, 10, 200, 100);
  other.Show();
  SetForegroundWindow(other.Handle());
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form.Handle()); }));
  EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST_F(MainFormTest, F12MinimisesAllWindowsThenHides) {
  TMainForm& form = CreateForm();
  ShowForm();
  PressKey(VK_F12);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form.Handle()); }));
  EXPECT_EQ(MinimizeAllCalls, 1);
}

TEST_F(MainFormTest, StoredBoundsAreKeptOnTheScreen) {
  WriteSettings([](TLorvexSettings& s) {
    s.Left = -20;
    s.Top = -5;
  });
  {
    TMainForm& form = CreateForm();
    EXPECT_EQ(form.Left(), 0);
    EXPECT_EQ(form.Top(), 0);
  }
  Form.reset();
  WriteSettings([](TLorvexSettings& s) {
    s.Left = 5000;
    s.Top = 4000;
  });
  TMainForm& form = CreateForm();
  EXPECT_EQ(form.Left(), GetSystemMetrics(SM_CXVIRTUALSCREEN) - form.Width());
  EXPECT_EQ(form.Top(), GetSystemMetrics(SM_CYVIRTUALSCREEN) - form.Height());
}

TEST_F(MainFormTest, OpacityIsClampedAndApplied) {
  WriteSettings([](TLorvexSettings& s) { s.Opacity = 0; });
  TMainForm& form = CreateForm();
  EXPECT_EQ(AppSettings().Opacity, 10);
  ShowForm();
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(form.Handle(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 26);  // 10 percent of 255, rounded
  AppSettings().Opacity = 50;
  form.ApplyOpacity();
  GetLayeredWindowAttributes(form.Handle(), nullptr, &alpha, &flags);
  EXPECT_EQ(alpha, 128);
}

TEST_F(MainFormTest, ErrorsGoToTheListNewestFirstAndAtMostFiveHundred) {
  TMainForm& form = CreateForm();
  form.ShowIdleStatus();
  for (int i = 1; i <= 510; ++i) form.AppException("failure " + std::to_string(i));
  ASSERT_EQ(form.Errors().size(), 500u);
  EXPECT_TRUE(form.Errors().front().ends_with(" - failure 510"));
  EXPECT_TRUE(form.Errors().back().ends_with(" - failure 11"));
  EXPECT_TRUE(form.pErrors->Visible());
}

TEST_F(MainFormTest, AnExceptionInAHandlerEndsInTheErrorList) {
  TMainForm& form = CreateForm();
  form.mnuHelp->OnClick = [](TComponent&) { throw Exception("help is broken"); };
  ShowForm();
  PostMessageA(form.Handle(), WM_COMMAND, form.mnuHelp->Command(), 0);
  EXPECT_TRUE(PumpUntil([&] { return !form.Errors().empty(); }));
  EXPECT_TRUE(form.Errors().front().ends_with(" - help is broken"));
}

TEST_F(MainFormTest, ALanguageFileTranslatesTheWindowAndItsTexts) {
  os::WriteFileReplacing(ExeFolder() + "Testish.lng",
                         Key("Search box") + "=Suchfeld\r\n" + Key("Type to search") + "=Tippen zum Suchen\r\n" +
                             Key("Searching %s...") + "=Suche %s...\r\n" + Key("Found %d hits") + "=%s Treffer\r\n" +
                             Key("Magic word") + "=Zauberwort\r\n");
  WriteSettings([](TLorvexSettings& s) {
    s.Language = "Testish";
    s.MagicWords.Add().MagicWord = "calc";
  });
  TMainForm& form = CreateForm();
  EXPECT_EQ(form.SearchBox->Hint, "Suchfeld");
  EXPECT_EQ(form.StatusBar->SimpleText(), "Tippen zum Suchen");
  EXPECT_EQ(TranslateFormat("Searching %s...", {"Desktop"}), "Suche Desktop...");
  // A translation that does not fit its arguments falls back to the English format.
  EXPECT_EQ(TranslateFormat("Found %d hits", {12}), "Found 12 hits");
  EXPECT_EQ(WindowText(form.Handle()), "Lorvex");

  // A row's second line is drawn as its item carries it: translated once, not again.
  ShowForm();
  PressKey(VK_END);
  ASSERT_TRUE(PumpUntil([&] { return form.Search().List().Count() == 2; }));
  UpdateWindow(form.ResultList->Handle());
  EXPECT_EQ(form.Search().List().Item(1).Description, "Zauberwort");
  auto* engine = dynamic_cast<TqmTranslateEngineStrings*>(form.Translator()->TranslateEngine());
  ASSERT_NE(engine, nullptr);
  for (const std::string& line : engine->Strings()) EXPECT_NE(line.rfind(Key("Zauberwort") + "=", 0), 0u);
}

TEST_F(MainFormTest, ASecondStartWakesTheFirstEvenBesideAnotherWindowCalledLorvex) {
  IsAlreadyRunning("Lorvex");  // this process is the first instance
  TMainForm& form = CreateForm();
  form.Handle();
  // An unrelated window with the same title, in front of ours.
  TForm decoy(nullptr);
  decoy.SetCaption("Lorvex");
  decoy.Handle();

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::string command = "\"" + testpaths::ProgramPath(LORVEX_EXE) + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  bool ended = false;
  EXPECT_TRUE(PumpUntil([&] {
    ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    return ended && IsWindowVisible(form.Handle());
  }, 20000));
  EXPECT_TRUE(ended);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(form.SearchBox->Focused());
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

TEST_F(MainFormTest, TheGlobalHotKeyShowsTheWindow) {
  WriteSettings([](TLorvexSettings& s) { s.HotKey = "Ctrl+Alt+F8"; });
  TMainForm& form = CreateForm();
  ASSERT_EQ(AppSettings().RegisteredHotKey, static_cast<int32_t>(TextToHotKey("Ctrl+Alt+F8", false)));
  PressKeys({VK_CONTROL, VK_MENU, VK_F8});
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) != FALSE; }));
  EXPECT_TRUE(form.Errors().empty());
}

TEST_F(MainFormTest, AHotKeyThatCannotBeRegisteredIsReportedInTheErrorList) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x3000, MOD_CONTROL | MOD_ALT, VK_F9));  // someone else has it
  WriteSettings([](TLorvexSettings& s) { s.HotKey = "Ctrl+Alt+F9"; });
  TMainForm& form = CreateForm();
  UnregisterHotKey(nullptr, 0x3000);
  EXPECT_EQ(AppSettings().RegisteredHotKey, 0);
  ASSERT_EQ(form.Errors().size(), 1u);
  EXPECT_NE(form.Errors().front().find("Ctrl+Alt+F9"), std::string::npos);
  EXPECT_TRUE(form.pErrors->Visible());
}

TEST_F(MainFormTest, TheTrayIconFollowsTheSettingAndItsDoubleClickOpensTheWindow) {
  ASSERT_TRUE(PumpUntil([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }));
  TMainForm& form = CreateForm();
  Application().MainForm = &form;
  EXPECT_TRUE(form.TrayIcon->IconVisible());
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
    SendMessageA(form.TrayIcon->NotifyWindow(), WM_TRAYNOTIFY, form.TrayIcon->IconId(), message);
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) != FALSE; }));
  AppSettings().InTray = false;
  form.UpdateTrayIcon();
  EXPECT_FALSE(form.TrayIcon->IconVisible());
  Application().MainForm = nullptr;
}

TEST_F(MainFormTest, TheSystemMenuCarriesTheWindowsCommands) {
  TMainForm& form = CreateForm();
  HMENU menu = GetSystemMenu(form.Handle(), FALSE);
  char text[64] = "";
  GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string(text), "Options\tCtrl+O");
  GetMenuStringA(menu, 3, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string(text), "About");
  int abouts = 0;
  form.mnuAbout->OnClick = [&](TComponent&) { ++abouts; };
  ShowForm();
  PostMessageA(form.Handle(), WM_SYSCOMMAND, form.mnuAbout->Command(), 0);
  EXPECT_TRUE(PumpUntil([&] { return abouts == 1; }));
}

TEST_F(MainFormTest, TypingListsMagicWordsAndTheErrorsAndAnEmptyBoxTheLastUsed) {
  WriteSettings([](TLorvexSettings& s) {
    TMagicWord& word = s.MagicWords.Add();
    word.MagicWord = "lvxnotes";  // nothing in the prefix's start menu or desktop is named so
    word.ExecuteString = "notepad.exe";
    s.LastUsed.Add().ItemData.DisplayName = "Calculator";
  });
  TMainForm& form = CreateForm();
  ASSERT_GE(form.ResultList->Count(), 2);  // the default list: the last used
  EXPECT_EQ(form.Search().List().Text(1), "Calculator");
  ShowForm();

  form.SearchBox->SetText("lvxnote");
  ASSERT_TRUE(PumpUntil([&] { return form.Search().SearchText() == "lvxnote" && !form.Search().SearchRunning(); }));
  ASSERT_EQ(form.ResultList->Count(), 2);
  EXPECT_NE(form.Search().List().Text(1).find("lvxnotes"), std::string::npos);
  EXPECT_EQ(form.ResultList->ItemIndex(), 1);  // the first hit, not its header
  EXPECT_EQ(form.StatusBar->SimpleText(), "Type to search");

  form.AppException("the disk is full");
  form.SearchBox->SetText("eRRors");
  ASSERT_TRUE(PumpUntil([&] { return form.ResultList->Count() >= 2 && form.Search().List().Text(0) == "Errors"; }));
  EXPECT_NE(form.Search().List().Text(1).find("the disk is full"), std::string::npos);

  form.SearchBox->SetText("");
  EXPECT_TRUE(PumpUntil([&] { return form.Search().List().Text(0) == "Last used"; }));
}

TEST_F(MainFormTest, TheListUnderKeysAndMouseSkipsHeadersAndGivesTheFocusBack) {
  WriteSettings([](TLorvexSettings& s) {
    for (const char* word : {"lvxa", "lvxb"}) s.MagicWords.Add().MagicWord = word;
    for (const char* name : {"Calculator", "Editor"}) s.LastUsed.Add().ItemData.DisplayName = name;
  });
  TMainForm& form = CreateForm();
  TProbeSource probe;
  AppSettings().SearchOrderObjects = {&probe};
  ShowForm();
  auto press = [&form](int row, DWORD button) {
    const RECT r = form.ResultList->ItemRect(row);
    ClickAt(form.ResultList->Handle(), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, button);
  };
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
      {"Ctrl+Home lists the last used", "lvx", 4, [] { PressKeys({VK_CONTROL, VK_HOME}); }, "Calculator", false},
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
    ASSERT_TRUE(PumpUntil([&] {
      return form.Search().SearchText() == c.Typed && !form.Search().SearchRunning() && form.ResultList->Count() == rows;
    }));
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
  TMainForm& form = CreateForm();
  TProbeSource probe;
  AppSettings().SearchOrderObjects = {&probe};
  ShowForm();
  int paints = 0;
  form.ResultList->AddWindowHook([&](UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_PAINT) ++paints;
    return false;
  });
  form.SearchBox->SetText("slow");
  SendMessageA(form.SearchBox->Handle(), EM_SETSEL, 4, 4);
  ASSERT_TRUE(PumpUntil([&] { return probe.Blocking.load(); }));
  PressKey('X');  // stops that search: the window waits for the source to return
  bool painted = false, typed = false, hidden = false;
  TDelayedAction paint([&] {
    paints = 0;
    InvalidateRect(form.ResultList->Handle(), nullptr, TRUE);
    PressKey('Y');
  }, 400);
  TDelayedAction look([&] {
    painted = paints > 0 && probe.Blocking;
    typed = form.SearchBox->Text() == "slowxy" && probe.Blocking;
    PressKey(VK_ESCAPE);
  }, 800);
  TDelayedAction gone([&] { hidden = !IsWindowVisible(form.Handle()) && probe.Blocking; }, 1200);
  ASSERT_TRUE(PumpUntil([&] { return form.Search().SearchText() == "slowxy" && !form.Search().SearchRunning(); }));
  EXPECT_TRUE(painted);
  EXPECT_TRUE(typed);
  EXPECT_TRUE(hidden);
}

namespace {

// What the shell was asked to open; nothing is started.
struct TShellCall {
  std::string Verb, File, Parameters, Folder;
};

class LaunchTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    os::SetShellOpenForTests([this](const os::TShellOpenRequest& request, std::string& errorText) {
      Calls.push_back({request.Verb, request.File, request.Parameters, request.Directory});
      if (Fail) errorText = "There is no application associated with the given file name extension.";
      return !Fail;
    });
  }
  void TearDown() override {
    MainFormTest::TearDown();
    os::SetShellOpenForTests(nullptr);
  }
  std::vector<TShellCall> Calls;
  bool Fail = false;
};

}  // namespace

TEST_F(LaunchTest, EnterRunsTheSelectedHitThroughItsSourceAndItGoesToTheTopOfTheLastUsed) {
  WriteSettings([](TLorvexSettings& s) {
    for (const char* name : {"Calculator", "Editor"}) {
      TItemData& item = s.LastUsed.Add().ItemData;
      item.DisplayName = name;
      item.SearchClassName = "Desktop";
      item.SetExecuteString(std::string("C:\\Tools\\") + name + ".lnk");
    }
  });
  TMainForm& form = CreateForm();
  ShowForm();
  PressKey(VK_DOWN);  // from "Calculator" to "Editor"
  ASSERT_TRUE(PumpUntil([&] { return form.ResultList->ItemIndex() == 2; }));
  PressKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !Calls.empty(); }));
  EXPECT_EQ(Calls[0].File, "C:\\Tools\\Editor.lnk");
  EXPECT_EQ(Calls[0].Verb, "");
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form.Handle()); }));
  ASSERT_EQ(AppSettings().LastUsed.Count(), 2);  // moved, not added
  EXPECT_EQ(AppSettings().LastUsed.GetItem(0).ItemData.DisplayName, "Editor");
  EXPECT_EQ(form.Search().List().Text(1), "Editor");
}

TEST_F(LaunchTest, AMagicWordRunsThroughTheShellAsAdministratorWhenItSaysSo) {
  WriteSettings([](TLorvexSettings& s) {
    TMagicWord& word = s.MagicWords.Add();
    word.MagicWord = "ed";
    word.Description = "Editor";
    word.ExecuteString = "C:\\Tools\\ed.exe";
    word.Parameters = "notes.txt";
    word.RunAsAdmin = true;
  });
  TMainForm& form = CreateForm();
  ShowForm();
  PressKey(VK_END);  // the magic words
  ASSERT_TRUE(PumpUntil([&] { return form.Search().List().Text(0) == "Magic words" && form.ResultList->ItemIndex() == 1; }));
  PressKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !Calls.empty(); }));
  EXPECT_EQ(Calls[0].Verb, "runas");
  EXPECT_EQ(Calls[0].File, "C:\\Tools\\ed.exe");
  EXPECT_EQ(Calls[0].Parameters, "notes.txt");
  EXPECT_EQ(Calls[0].Folder, "C:\\Tools\\");
  EXPECT_EQ(AppSettings().LastUsed.Count(), 0);  // magic words never enter the last used
}

TEST_F(LaunchTest, CtrlEnterRunsTheTypedLineAndAFailureGoesToTheErrorList) {
  TMainForm& form = CreateForm();
  ShowForm();
  form.SearchBox->SetText("\"C:\\Program Files\\Tool\\t.exe\"  -a -b ");
  form.RunTypedText();
  ASSERT_EQ(Calls.size(), 1u);
  EXPECT_EQ(Calls[0].File, "C:\\Program Files\\Tool\\t.exe");
  EXPECT_EQ(Calls[0].Parameters, "-a -b");
  EXPECT_EQ(form.SearchBox->Text(), "");

  ShowForm();
  Fail = true;
  form.SearchBox->SetText("nosuch.doc");
  PressKeys({VK_CONTROL, VK_RETURN});
  ASSERT_TRUE(PumpUntil([&] { return !form.Errors().empty(); }));
  EXPECT_NE(form.Errors().front().find("ShellExecute error "), std::string::npos);
  EXPECT_EQ(form.SearchBox->Text(), "nosuch.doc");  // the window stays as it was
}

TEST_F(LaunchTest, TypingFindsAShortcutOnTheDesktopAndEnterRunsIt) {
  const std::string desktop = GetSpecialFolderPath(25);  // the common desktop of the test prefix
  ASSERT_FALSE(desktop.empty());
  const std::string link = desktop + "\\Lorvex Probe Editor.lnk";
  MakeLink(link, LinkTo("C:\\windows\\notepad.exe", "Edits text"));
  TMainForm& form = CreateForm();
  ShowForm();
  form.SearchBox->SetText("probe edit");
  ASSERT_TRUE(PumpUntil([&] {
    return form.Search().SearchText() == "probe edit" && !form.Search().SearchRunning() && form.ResultList->Count() >= 2;
  }));
  const TResultList& list = form.Search().List();
  EXPECT_EQ(list.Text(0), "Desktop");
  int row = -1;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Text(i) == "Lorvex Probe Editor") row = i;
  ASSERT_GE(row, 1);
  form.ResultList->SetItemIndex(row);
  PressKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !Calls.empty(); }));
  EXPECT_TRUE(AnsiSameText(Calls[0].File, link));
  ASSERT_GE(AppSettings().LastUsed.Count(), 1);
  EXPECT_EQ(AppSettings().LastUsed.GetItem(0).ItemData.DisplayName, "Lorvex Probe Editor");
  os::DeleteFile(link);
}

TEST_F(LaunchTest, ARightClickSelectsTheRowItsMenuRuns) {
  WriteSettings([](TLorvexSettings& s) {
    for (const char* name : {"Calculator", "Editor", "Notepad"}) {
      TItemData& item = s.LastUsed.Add().ItemData;
      item.DisplayName = name;
      item.SearchClassName = "Desktop";
      item.SetExecuteString(std::string("C:\\windows\\") + name + ".exe");  // only notepad.exe is there
    }
  });
  TMainForm& form = CreateForm();
  ShowForm();
  ASSERT_EQ(form.ResultList->ItemIndex(), 1);
  std::string menu;
  TDelayedAction run([&] {
    menu = ShownMenu();
    PressKey(VK_DOWN);  // onto "Run"
    PressKey(VK_RETURN);
  }, 700);
  const RECT third = form.ResultList->ItemRect(3);
  ClickAt(form.ResultList->Handle(), POINT{third.left + 50, third.top + 10}, MOUSEEVENTF_RIGHTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return !Calls.empty(); }));
  EXPECT_EQ(Calls[0].File, "C:\\windows\\Notepad.exe");
  EXPECT_EQ(menu, "Run|Run As Administrator|-|Properties|-|Delete from last used");
}

TEST_F(MainFormTest, ListedRowsGetTheirIconsOnceAndTheRowUnderThePointerGivesTheHint) {
  WriteSettings([](TLorvexSettings& s) {
    TMagicWord& word = s.MagicWords.Add();
    word.MagicWord = "lvxnotes";
    word.Description = "Notes";
    word.ExecuteString = "C:\\windows\\notepad.exe";
  });
  TMainForm& form = CreateForm();
  ShowForm();
  form.SearchBox->SetText("lvxnote");  // only the magic word has it
  ASSERT_TRUE(PumpUntil([&] {
    return form.Search().SearchText() == "lvxnote" && !form.Search().SearchRunning() && form.ResultList->Count() >= 2;
  }));
  ASSERT_EQ(form.ResultList->Count(), 2);
  const TItemData& item = form.Search().List().Item(1);
  EXPECT_TRUE(PumpUntil([&] { return IconOf(item) != nullptr; }));  // looked up at the first paint
  const std::string artifacts = testpaths::TestTmpFolder() + testpaths::Sep + ".." + testpaths::Sep + "artifacts";
  ForceDirectories(artifacts);
  EXPECT_TRUE(SaveWindowPicture(form.Handle(), artifacts + testpaths::Sep + "result_list.bmp"));

  auto moveTo = [&](const POINT& p) { SendMessageA(form.ResultList->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y)); };
  const RECT hit = form.ResultList->ItemRect(1);
  moveTo(POINT{hit.left + 50, hit.top + 5});
  EXPECT_EQ(form.ResultList->Hint, item.Hint);
  const RECT header = form.ResultList->ItemRect(0);
  moveTo(POINT{header.left + 50, header.top + 5});
  EXPECT_EQ(form.ResultList->Hint, form.Search().List().Text(0));  // no hint of its own: the text
  moveTo(POINT{hit.left + 50, hit.bottom + 40});
  EXPECT_EQ(form.ResultList->Hint, "");

  // An error row shows the error icon of the images folder.
  form.AppException("the disk is full");
  form.SearchBox->SetText("errors");
  ASSERT_TRUE(PumpUntil([&] { return form.ResultList->Count() >= 2 && form.Search().List().Text(0) == "Errors"; }));
  EXPECT_TRUE(PumpUntil([&] { return IconOf(form.Search().List().Item(1)) != nullptr; }));
}

// --- Tests that end the program: each runs in a process of its own -----------------------

TEST_F(MainFormTest, ExitWritesTheSettingsWithTheBounds) {
  TMainForm& form = CreateForm();
  form.SetBounds(33, 44, 260, 390);
  form.mnuExit2Click();
  form.mnuExit2Click();  // a second exit changes nothing
  EXPECT_TRUE(Application().Terminated());
  const std::string text = ReadText(SettingsFileName());
  EXPECT_NE(text.find("  Left = 33\r\n  Top = 44\r\n  Width = 260\r\n  Height = 390\r\n"), std::string::npos);
}

TEST_F(MainFormTest, ExitSavesLearnedTextsAfterTheQuestion) {
  os::WriteFileReplacing(ExeIniFileName(), "[Options]\r\nTranslate=1\r\n");
  os::WriteFileReplacing(ExeFolder() + "Testish.lng", Key("Search box") + "=Suchfeld\r\n");
  WriteSettings([](TLorvexSettings& s) { s.Language = "Testish"; });
  TMainForm& form = CreateForm();
  // The question box comes up inside the exit; Enter answers Yes.
  TDelayedAction answer([] { PressKey(VK_RETURN); }, 500);
  form.mnuExit2Click();
  const std::string text = ReadText(ExeFolder() + "Testish.lng");
  EXPECT_EQ(text.rfind(Key("Search box") + "=Suchfeld\r\n", 0), 0u);
  EXPECT_NE(text.find(Key("Type to search") + "=Type to search\r\n"), std::string::npos);
}

TEST_F(MainFormTest, TheRealProgramEndsOnlyWhenTheSessionReallyEnds) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::string command = "\"" + testpaths::ProgramPath(LORVEX_EXE) + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  HWND wnd = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (wnd = FindWindowA(MainWindowClassName, "Lorvex")) != nullptr; }, 20000));
  SendMessageTimeoutA(wnd, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT));
  SendMessageTimeoutA(wnd, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_NE(ReadText(SettingsFileName()).find("object TLorvexSettings"), std::string::npos);
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}
