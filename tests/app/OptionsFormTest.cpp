// The options dialog, its editors and the About box, driven for real under Wine.
#include "app/win32/FOptions.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <memory>

#include "app/win32/FAbout.h"
#include "app/win32/FFilter.h"
#include "app/win32/FMagicWords.h"
#include "app/win32/FMain.h"
#include "core/qmDfmUtils.h"
#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "desktop/win32/HotKeyManager.h"
#include "os/os.h"
#include "sources/win32/SearchShortcuts.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WineTestUtils.h"
#include "ui/qmMsgBox.h"

namespace {

constexpr const char* HotKeyHolderSwitch = "--hold-hot-key";
constexpr DWORD SafetyWaitMs = 20000;

// Helper mode of this program: holds Ctrl+Alt+F8 until told to let go.
[[maybe_unused]] const bool HotKeyHolderDone = [] {
  if (__argc == 3 && std::string(__argv[1]) == HotKeyHolderSwitch) {
    const std::string name = __argv[2];
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, (name + "-held").c_str());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (name + "-release").c_str());
    if (!RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F8)) ExitProcess(1);
    SetEvent(held);
    WaitForSingleObject(release, SafetyWaitMs);
    ExitProcess(0);
  }
  return false;
}();

template <class T>
BOOL CALLBACK FindFormOf(HWND wnd, LPARAM param) {
  if (!IsWindowVisible(wnd)) return TRUE;
  if (auto* form = dynamic_cast<T*>(TWinControl::FromHandle(wnd))) {
    *reinterpret_cast<T**>(param) = form;
    return FALSE;
  }
  return TRUE;
}

// The visible top-level window of this thread that is a T, or nullptr.
template <class T>
T* FindForm() {
  T* found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindFormOf<T>, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Answers the next message box with Result, remembering its text.
class TBoxAnswer {
 public:
  TBoxAnswer(int result, UINT milliseconds = 300)
      : FAction(
            [this, result] {
              if (TqmMessageBox* box = FindForm<TqmMessageBox>()) {
                Text = box->lblText->Caption();
                box->ModalResult = result;
              }
            },
            milliseconds) {}
  std::string Text;

 private:
  TDelayedAction FAction;
};

std::string ListViewText(TListView& view, int row, int column) {
  char text[512] = "";
  ListView_GetItemText(view.Handle(), row, column, text, sizeof text);
  return text;
}

std::string Artifacts() {
  const std::string folder = testpaths::TestTmpFolder() + testpaths::Sep + ".." + testpaths::Sep + "artifacts";
  ForceDirectories(folder);
  return folder + testpaths::Sep;
}

class OptionsFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ForceDirectories(SettingsFolder("Lorvex"));
    os::DeleteFile(SettingsFileName());
    TLorvexSettings defaults;
    TextToComponent(AppSettings(), ComponentToText(defaults));
    AppSettings().LastUsed.Clear();
    AppSettings().MagicWords.Clear();
  }
  void TearDown() override {
    SetChooserForTests(nullptr);
    Form.reset();
    os::DeleteFile(ExeFolder() + "Testish.lng");
  }

  TOptionsForm& ShowForm() {
    Form = std::make_unique<TOptionsForm>(nullptr, AppSettings(), ExeFolder());
    Form->Show();
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(Form->Handle()); }));
    return *Form;
  }

  std::unique_ptr<TOptionsForm> Form;
};

}  // namespace

TEST_F(OptionsFormTest, EveryPageShowsTheSettingsAndOkWritesWhatWasChanged) {
  os::WriteFileReplacing(ExeFolder() + "Testish.lng", "");
  TLorvexSettings& settings = AppSettings();
  settings.MaxHits = 7;
  settings.Opacity = 40;
  settings.HotKey = "Ctrl+Alt+K";
  settings.InTray = false;
  settings.ExtendedSearch = true;
  settings.Language = "TESTISH";
  settings.SearchOrder = {"Desktop", "Start menu"};
  settings.Filters.Clear();
  settings.Filters.Add(ftWord, "uninstall", faHide);
  TMagicWord& word = settings.MagicWords.Add();
  word.MagicWord = "np";
  word.ExecuteString = "notepad.exe";
  word.RunAsAdmin = true;

  TOptionsForm& form = ShowForm();
  EXPECT_EQ(form.udLastUsed->Position(), 7);
  EXPECT_EQ(form.eOpacity->Text(), "40");
  EXPECT_EQ(form.eHotkey->Text(), "Ctrl+Alt+K");
  EXPECT_FALSE(form.cbInTray->Checked());
  EXPECT_TRUE(form.cbGroupHits->Checked());
  EXPECT_TRUE(form.cbExtendedSearch->Checked());
  EXPECT_EQ(form.eLanguage->Count(), 2);
  EXPECT_EQ(form.eLanguage->ItemText(0), "Default (no translations)");
  EXPECT_EQ(form.eLanguage->Text(), "Testish");
  ASSERT_EQ(ListView_GetItemCount(form.eSearchFolders->Handle()), 2);
  EXPECT_EQ(ListViewText(*form.eSearchFolders, 1, 0), "Start menu");
  EXPECT_EQ(ListViewText(*form.eFilter, 0, 0), "Word");
  EXPECT_EQ(ListViewText(*form.eFilter, 0, 1), "uninstall");
  EXPECT_EQ(ListViewText(*form.eFilter, 0, 2), "Hide");
  EXPECT_EQ(ListViewText(*form.eMagicWords, 0, 2), "notepad.exe");
  EXPECT_EQ(ListViewText(*form.eMagicWords, 0, 4), "*");

  const char* names[] = {"display", "search", "filter", "magic_words", "advanced"};
  for (int page = 0; page < form.PageControl1->PageCount(); ++page) {
    form.PageControl1->SetActivePageIndex(page);
    Pump(100);
    EXPECT_TRUE(IsWindowVisible(form.PageControl1->Pages(page)->Handle()));
    EXPECT_TRUE(SaveWindowPicture(form.Handle(), Artifacts() + "options_" + names[page] + ".bmp"));
  }

  // The up-downs keep their ranges; a typed value counts.
  form.eLastUsed->SetText("99");
  form.eOpacity->SetText("55");
  form.cbInTray->SetChecked(true);
  form.eLanguage->SetItemIndex(0);
  form.Model().SearchOrder.SetItemIndex(1);
  form.btnSearchUpClick();
  form.btnOkClick();
  EXPECT_EQ(form.ModalResult, mrOk);
  EXPECT_EQ(settings.MaxHits, 20);
  EXPECT_EQ(settings.Opacity, 55);
  EXPECT_TRUE(settings.InTray);
  EXPECT_EQ(settings.Language, "");
  EXPECT_EQ(settings.SearchOrder, (TStringList{"Start menu", "Desktop"}));
  ASSERT_EQ(settings.MagicWords.Count(), 1);
  EXPECT_TRUE(settings.MagicWords.GetItem(0).RunAsAdmin);
}

TEST_F(OptionsFormTest, MovingARowTakesItsSelectionAndFocusAlong) {
  AppSettings().SearchOrder = {"Start menu", "Desktop", "Internet Explorer Favorites"};
  TOptionsForm& form = ShowForm();
  form.PageControl1->SetActivePage(form.tbSearch);
  form.Model().SearchOrder.SetItemIndex(2);
  form.btnSearchUpClick();
  form.btnSearchUpClick();
  EXPECT_EQ(ListViewText(*form.eSearchFolders, 0, 0), "Internet Explorer Favorites");
  EXPECT_EQ(ListView_GetNextItem(form.eSearchFolders->Handle(), -1, LVNI_FOCUSED), 0);
  EXPECT_EQ(ListView_GetNextItem(form.eSearchFolders->Handle(), -1, LVNI_SELECTED), 0);
  form.btnSearchUpClick();  // at the top: nothing
  EXPECT_EQ(ListViewText(*form.eSearchFolders, 0, 0), "Internet Explorer Favorites");
}

TEST_F(OptionsFormTest, AMagicWordDifferingOnlyInCaseIsRefusedAndTheEditorKeepsTheTypedValues) {
  TMagicWord& word = AppSettings().MagicWords.Add();
  word.MagicWord = "notepad";
  TOptionsForm& form = ShowForm();
  std::string error;
  bool stayedOpen = false;
  std::unique_ptr<TBoxAnswer> answer;
  TDelayedAction typeAndPressOk(
      [&] {
        TMagicWordsForm* editor = FindForm<TMagicWordsForm>();
        if (!editor) return;
        editor->eMagicWord->SetText("NotePad");
        editor->eDescription->SetText("typed");
        answer = std::make_unique<TBoxAnswer>(mrOk);
        try {
          editor->btnOk->Click();  // the error box runs in here
        } catch (const EAbort&) {
          // what keeps the editor open
        }
        error = answer->Text;
        stayedOpen = IsWindowVisible(editor->Handle()) && editor->eMagicWord->Text() == "NotePad" &&
                     editor->eDescription->Text() == "typed";
        editor->btnCancel->Click();
      },
      300);
  form.btnAddMagicWordClick();
  EXPECT_EQ(error, "Magic word NotePad already exists.");
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(form.Model().MagicWords.RowCount(), 1);
}

TEST_F(OptionsFormTest, AddingAndEditingRowsThroughTheEditors) {
  TOptionsForm& form = ShowForm();
  TDelayedAction addWord(
      [&] {
        if (TMagicWordsForm* editor = FindForm<TMagicWordsForm>()) {
          editor->eMagicWord->SetText("calc");
          editor->eExecuteString->SetText("calc.exe");
          editor->cbRunAs->SetChecked(true);
          editor->btnOk->Click();
        }
      },
      300);
  form.btnAddMagicWordClick();
  ASSERT_EQ(form.Model().MagicWords.RowCount(), 1);
  EXPECT_EQ(ListViewText(*form.eMagicWords, 0, 0), "calc");
  EXPECT_EQ(ListViewText(*form.eMagicWords, 0, 4), "*");

  // A filter changed from Word/Hide to Extension/Show.
  form.Model().Filters.Clear();
  form.Model().Filters.Add({ftWord, "setup", faHide});
  form.Model().Filters.SetItemIndex(0);
  TDelayedAction editFilter(
      [&] {
        if (TFilterForm* editor = FindForm<TFilterForm>()) {
          EXPECT_EQ(editor->eFilterType->ItemIndex(), 1);
          EXPECT_EQ(editor->eFilterAction->ItemIndex(), 1);
          editor->eFilterType->SetItemIndex(0);
          editor->eValue->SetText("msi");
          editor->eFilterAction->SetItemIndex(0);
          editor->btnOk->Click();
        }
      },
      300);
  form.btnEditFilterClick();
  EXPECT_EQ(ListViewText(*form.eFilter, 0, 0), "Extension");
  EXPECT_EQ(ListViewText(*form.eFilter, 0, 1), "msi");
  EXPECT_EQ(ListViewText(*form.eFilter, 0, 2), "Show");
}

TEST_F(OptionsFormTest, DroppedFilesFillTheMagicWordFromTheFirstAtFullLength) {
  TMagicWordRows rows = NewMagicWordRows();
  TMagicWordsForm editor(nullptr, true, rows);
  editor.Show();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(editor.Handle()); }));

  const std::string folder = "C:\\" + std::string(150, 'f') + "\\" + std::string(120, 'g') + "\\";
  const std::wstring files[] = {std::wstring(folder.begin(), folder.end()) + L"Word Pad.exe", L"C:\\other.lnk"};
  std::wstring list;
  for (const std::wstring& file : files) list += file + L'\0';
  list += L'\0';
  HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(drop);
  SendMessageA(editor.eExecuteString->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);

  EXPECT_EQ(editor.eMagicWord->Text(), "Word Pad");
  EXPECT_EQ(editor.eDescription->Text(), "Word Pad");
  EXPECT_EQ(editor.eExecuteString->Text(), folder + "Word Pad.exe");
  EXPECT_EQ(editor.ePath->Text(), folder);
}

TEST_F(OptionsFormTest, TheHotKeyCheckTellsFreeFromTakenAndUnknown) {
  const std::string name = "LorvexHotKeyHolder" + std::to_string(GetCurrentProcessId());
  HANDLE held = CreateEventA(nullptr, TRUE, FALSE, (name + "-held").c_str());
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (name + "-release").c_str());
  std::string commandLine = "\"" + os::ExeFileName() + "\" " + HotKeyHolderSwitch + " " + name;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  ASSERT_EQ(WaitForSingleObject(held, SafetyWaitMs), WAIT_OBJECT_0);

  TOptionsForm& form = ShowForm();
  auto check = [&](const std::string& hotKey) {
    form.eHotkey->SetText(hotKey);
    TBoxAnswer answer(mrOk);
    form.btnCheckClick();
    return answer.Text;
  };
  EXPECT_EQ(check("Ctrl+Alt+F8"), "This hotkey is NOT available.");
  EXPECT_EQ(check("Ctrl+Alt+F7"), "This hotkey is available.");
  EXPECT_EQ(check("Ctrl+Nothing"),
            "Unknown hotkey. Use any combination of Ctrl, Alt, Shift or Win with character. Example (Ctrl+Alt+S).");

  SetEvent(release);
  WaitForSingleObject(process.hProcess, SafetyWaitMs);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(held);
  CloseHandle(release);
}

TEST_F(OptionsFormTest, ExportAndImportGoThroughTheFileDialogs) {
  TMagicWord& word = AppSettings().MagicWords.Add();
  word.MagicWord = "docs";
  word.ExecuteString = "C:\\Docs";
  word.Path = "C:\\";
  const std::string file = testpaths::FreshFolder("options_export") + "words.lmw";
  std::vector<TChooseRequest::TKind> asked;
  SetChooserForTests([&](TChooseRequest& request) {
    asked.push_back(request.Kind);
    request.FileName = file;
    return true;
  });
  TOptionsForm& form = ShowForm();
  form.mnuExportMAgicWordsClick();
  form.mnuImportMagicWordsClick();
  EXPECT_EQ(asked, (std::vector<TChooseRequest::TKind>{TChooseRequest::ckSave, TChooseRequest::ckOpen}));
  ASSERT_EQ(form.Model().MagicWords.RowCount(), 2);
  EXPECT_EQ(form.Model().MagicWords[0], form.Model().MagicWords[1]);
  EXPECT_EQ(form.Model().MagicWords[1].Path, "C:\\");

  // A file that is not there is told, and the rows stay.
  SetChooserForTests([&](TChooseRequest& request) {
    request.FileName = file + ".missing";
    return true;
  });
  TBoxAnswer answer(mrOk);
  form.mnuImportSlickRunClick();
  EXPECT_NE(answer.Text.find(".missing"), std::string::npos);
  EXPECT_EQ(form.Model().MagicWords.RowCount(), 2);
  EXPECT_EQ(ScreenCursor(), nullptr);
}

TEST_F(OptionsFormTest, ThePortableCopyRefusesTheProgramsOwnFolderAndMarksAnotherPortable) {
  std::string target = ExeFolder();
  SetChooserForTests([&](TChooseRequest& request) {
    EXPECT_EQ(request.Kind, TChooseRequest::ckFolder);
    request.FileName = target;
    return true;
  });
  TOptionsForm& form = ShowForm();
  {
    TBoxAnswer answer(mrOk);
    form.btnPortableClick();
    EXPECT_FALSE(answer.Text.empty());
  }
  EXPECT_EQ(IniReadString(ExeFolder() + "Lorvex.ini", "Options", "Portable", ""), "");

  target = testpaths::FreshFolder("portable_copy");
  form.btnPortableClick();
  EXPECT_EQ(IniReadString(target + "Lorvex.ini", "Options", "Portable", ""), "1");
  EXPECT_TRUE(os::DirectoryExists(target + "images"));
}

TEST_F(OptionsFormTest, AboutShowsTheVersionOfTheResource) {
  std::unique_ptr<TAboutForm> about(CreateAbout("Lorvex", "https://example.org", "one", "two"));
  EXPECT_EQ(about->lblVersion->Caption(), std::string("Lorvex ") + LORVEX_FILE_VERSION);
  EXPECT_EQ(WindowText(about->Handle()), "About Lorvex");
  EXPECT_EQ(about->lblLink->Caption(), "Lorvex on internet");
  EXPECT_EQ(about->lblLine2->Caption(), "two");

  std::vector<std::string> opened;
  os::SetShellOpenForTests([&](const os::TShellOpenRequest& request, std::string&) {
    opened.push_back(request.File);
    return true;
  });
  about->lblLinkClick();
  about->lblMailClick();
  os::SetShellOpenForTests(nullptr);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org", "mailto:" + about->lblMail->Caption()}));

  about->Show();
  Pump(200);
  EXPECT_TRUE(SaveWindowPicture(about->Handle(), Artifacts() + "about.bmp"));
}

TEST_F(OptionsFormTest, CtrlOInTheMainWindowOpensTheDialogAndOkAppliesAndSaves) {
  TMainForm::MinimizeAllWindows = [] {};
  auto main = std::make_unique<TMainForm>(nullptr);
  main->mnuRestoreClick();
  ASSERT_TRUE(PumpUntil([&] { return main->SearchBox->Focused(); }));
  bool opened = false;
  TDelayedAction pressOk(
      [&] {
        if (TOptionsForm* options = FindForm<TOptionsForm>()) {
          opened = true;
          options->udOpacity->SetPosition(50);
          options->btnOk->Click();
        }
      },
      500);
  INPUT keys[4]{};
  for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = keys[2].ki.wVk = 'O';
  keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, keys, sizeof(INPUT));
  ASSERT_TRUE(PumpUntil([&] { return opened; }));
  EXPECT_EQ(AppSettings().Opacity, 50);
  std::string saved;
  ASSERT_TRUE(os::ReadFile(SettingsFileName(), saved));
  EXPECT_NE(saved.find("Opacity = 50"), std::string::npos);
  BYTE alpha = 0;
  GetLayeredWindowAttributes(main->Handle(), nullptr, &alpha, nullptr);
  EXPECT_EQ(alpha, 128);
  EXPECT_TRUE(IsWindowVisible(main->Handle()));  // kept while the dialog was open
}

TEST_F(OptionsFormTest, TheKeyboardTypesIntoTheOpenDialogAndOneEscClosesIt) {
  TMainForm::MinimizeAllWindows = [] {};
  auto main = std::make_unique<TMainForm>(nullptr);
  main->mnuRestoreClick();
  ASSERT_TRUE(PumpUntil([&] { return main->SearchBox->Focused(); }));
  bool typed = false, forced = false;
  auto typeThenEsc = [&] {
    TOptionsForm* options = FindForm<TOptionsForm>();
    EXPECT_FALSE(IsWindowEnabled(main->Handle()));  // the owner waits
    ASSERT_TRUE(XTestKeys("type 7"));
    typed = PumpUntil([&] { return options->eLastUsed->Text().find('7') != std::string::npos; });
    ASSERT_TRUE(XTestKeys("key Escape"));
  };
  TDelayedAction inDialog([] { return FindForm<TOptionsForm>() != nullptr; }, typeThenEsc, 50);
  TDelayedAction safety(
      [&] {
        if (TOptionsForm* options = FindForm<TOptionsForm>()) {
          forced = true;
          options->ModalResult = mrCancel;
        }
      },
      15000);
  ASSERT_TRUE(XTestKeys("key ctrl+o", main->Handle())) << "xdotool is missing: scripts/setup.sh installs it";
  ASSERT_TRUE(PumpUntil([&] { return typed && !FindForm<TOptionsForm>(); }, 20000));
  EXPECT_FALSE(forced) << "the first Esc left the dialog open";
  EXPECT_EQ(AppSettings().MaxHits, 10);  // cancelled
  ASSERT_TRUE(XTestKeys("type ab"));
  EXPECT_TRUE(PumpUntil([&] { return main->SearchBox->Text() == "ab"; }));
  EXPECT_TRUE(IsWindowVisible(main->Handle()));
}

namespace {

// Searches until it is told to stop, remembering what the settings said when it stopped.
class TEndlessSource : public TSearchClass {
 public:
  TEndlessSource() : TSearchClass(nullptr) {}
  std::string GetName() override { return "Endless"; }
  void Search(const std::string&, const TAddHitFunc& addHit) override {
    Started = true;
    while (!addHit(TItemRecord{})) Sleep(1);
    OpacityWhenStopped = AppSettings().Opacity;
    Stopped = true;
  }
  void Execute(TItemData&) override {}
  std::atomic<bool> Started{false};
  std::atomic<bool> Stopped{false};
  std::atomic<int> OpacityWhenStopped{0};
};

}  // namespace

TEST_F(OptionsFormTest, OkStopsARunningSearchBeforeTheSettingsChange) {
  TEndlessSource source;
  SearchClasses().push_back(&source);
  TLorvexSettings stored;
  stored.SearchOrder = {"Endless"};
  stored.Opacity = 90;
  SaveSettings(stored, SettingsFileName());
  TMainForm::MinimizeAllWindows = [] {};
  auto main = std::make_unique<TMainForm>(nullptr);
  main->mnuRestoreClick();
  main->SearchBox->SetText("anything");
  ASSERT_TRUE(PumpUntil([&] { return source.Started.load(); }));

  TDelayedAction pressOk(
      [&] {
        if (TOptionsForm* options = FindForm<TOptionsForm>()) {
          options->udOpacity->SetPosition(30);
          options->btnOk->Click();
        }
      },
      300);
  main->acOptionsExecute();
  EXPECT_TRUE(source.Stopped);
  EXPECT_EQ(source.OpacityWhenStopped, 90);
  EXPECT_EQ(AppSettings().Opacity, 30);
  EXPECT_FALSE(main->Search().Searching());
  main.reset();
  std::erase(SearchClasses(), &source);
}
