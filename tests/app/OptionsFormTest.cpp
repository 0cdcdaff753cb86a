// The options dialog, its editors and the About box, driven for real under Wine. What they edit
// is the options model's, tested natively; here the dialogs follow it.
#include "app/win32/FOptions.h"

#include <atomic>

#include "app/win32/FAbout.h"
#include "app/win32/FFilter.h"
#include "app/win32/FMagicWords.h"
#include "core/qmIniUtils.h"
#include "tests/app/AppTest.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestPaths.h"

namespace {

class OptionsFormTest : public AppTest {
 protected:
  void TearDown() override {
    SetChooserForTests(nullptr);
    Form.reset();
    AppTest::TearDown();
  }
  TOptionsForm& ShowForm() {
    Form = std::make_unique<TOptionsForm>(nullptr, AppSettings(), ExeFolder());
    EXPECT_TRUE(ShowActive(*Form));
    return *Form;
  }

  std::unique_ptr<TOptionsForm> Form;
};

}  // namespace

TEST_F(OptionsFormTest, TheEditorsAddAndEditRowsAndRefuseAWordDifferingOnlyInCase) {
  TOptionsForm& form = ShowForm();
  {
    // Files dropped on the execute string fill the fields from the first.
    auto add = InDialog<TMagicWordsForm>([](TMagicWordsForm& editor) {
      editor.FilesDropped({"C:\\Tools\\calc.exe", "C:\\other.lnk"});
      editor.cbRunAs->SetChecked(true);
      editor.btnOk->Click();
    });
    form.btnAddMagicWordClick();
  }
  EXPECT_EQ(form.Model().MagicWords[0],
            (TMagicWordRow{"calc", "calc", "C:\\Tools\\calc.exe", "", true, "C:\\Tools\\"}));

  std::string error;
  bool stayedOpen = false;
  {
    auto addAgain = InDialog<TMagicWordsForm>([&](TMagicWordsForm& editor) {
      editor.eMagicWord->SetText("CaLc");
      TBoxAnswer answer(mrOk);
      EXPECT_THROW(editor.btnOk->Click(), EAbort);  // after the error box; it keeps the editor open
      error = answer.Text;
      stayedOpen = IsWindowVisible(editor.Handle()) && editor.eMagicWord->Text() == "CaLc";
      editor.btnCancel->Click();
    });
    form.btnAddMagicWordClick();
  }
  EXPECT_EQ(error, "Magic word CaLc already exists.");
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(form.Model().MagicWords.RowCount(), 1);

  // A filter changed from Word/Hide to Extension/Show.
  form.Model().Filters.Clear();
  form.Model().Filters.Add({ftWord, "setup", faHide});
  form.Model().Filters.SetItemIndex(0);
  auto edit = InDialog<TFilterForm>([](TFilterForm& editor) {
    EXPECT_EQ(editor.eFilterType->ItemIndex() + editor.eFilterAction->ItemIndex(), 2);
    editor.eFilterType->SetItemIndex(0);
    editor.eValue->SetText("msi");
    editor.eFilterAction->SetItemIndex(0);
    editor.btnOk->Click();
  });
  form.btnEditFilterClick();
  EXPECT_EQ(RowText(*form.eFilter, 0), "Extension|msi|Show");
}

TEST_F(OptionsFormTest, TheHotKeyCheckTellsFreeFromTakenAndUnknown) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x3001, MOD_CONTROL | MOD_ALT, VK_F8));  // someone else has it
  TOptionsForm& form = ShowForm();
  const std::pair<const char*, const char*> cases[] = {
      {"Ctrl+Alt+F8", "This hotkey is NOT available."},
      {"Ctrl+Alt+F7", "This hotkey is available."},
      {"Ctrl+Nothing",
       "Unknown hotkey. Use any combination of Ctrl, Alt, Shift or Win with character. Example (Ctrl+Alt+S)."},
  };
  for (const auto& [hotKey, told] : cases) {
    form.eHotkey->SetText(hotKey);
    TBoxAnswer answer(mrOk);
    form.btnCheckClick();
    EXPECT_EQ(answer.Text, told);
  }
  UnregisterHotKey(nullptr, 0x3001);
}

// Export and import ask for their files, and the portable copy for its folder; what fails is told.
TEST_F(OptionsFormTest, TheFileCommandsGoThroughTheFileDialogs) {
  AppSettings().MagicWords.Add().MagicWord = "docs";
  std::string chosen = testpaths::FreshFolder("options_export") + "words.lmw";
  std::vector<TChooseRequest::TKind> asked;
  SetChooserForTests([&](TChooseRequest& request) {
    asked.push_back(request.Kind);
    request.FileName = chosen;
    return true;
  });
  TOptionsForm& form = ShowForm();
  form.mnuExportMAgicWordsClick();
  form.mnuImportMagicWordsClick();
  EXPECT_EQ(form.Model().MagicWords.RowCount(), 2);
  {
    chosen += ".missing";  // told, and the rows stay
    TBoxAnswer answer(mrOk);
    form.mnuImportSlickRunClick();
    EXPECT_NE(answer.Text.find(".missing"), std::string::npos);
    EXPECT_EQ(form.Model().MagicWords.RowCount(), 2);
    EXPECT_EQ(ScreenCursor(), nullptr);
  }
  chosen = testpaths::FreshFolder("portable_copy");
  form.btnPortableClick();
  EXPECT_EQ(IniReadString(chosen + "Lorvex.ini", "Options", "Portable", ""), "1");
  using K = TChooseRequest::TKind;
  EXPECT_EQ(asked, (std::vector<K>{K::ckSave, K::ckOpen, K::ckOpen, K::ckFolder}));
}

TEST_F(OptionsFormTest, AboutShowsTheVersionOfTheResourceAndOpensItsLinks) {
  std::unique_ptr<TAboutForm> about(CreateAbout("Lorvex", "https://example.org", "one", "two"));
  EXPECT_EQ(about->lblVersion->Caption(), std::string("Lorvex ") + LORVEX_FILE_VERSION);
  const TShellRecorder shell;
  about->lblLinkClick();
  about->lblMailClick();
  ASSERT_EQ(shell.Calls.size(), 2u);
  EXPECT_EQ(shell.Calls[0].File, "https://example.org");
  EXPECT_EQ(shell.Calls[1].File, "mailto:" + about->lblMail->Caption());
  for (const os::TShellOpenRequest& call : shell.Calls)  // what they open stands over the application
    EXPECT_EQ(call.Owner, reinterpret_cast<uintptr_t>(Application().Handle()));
  about->Show();
  Pump(200);
  EXPECT_TRUE(SaveWindowPicture(about->Handle(), ArtifactsFolder() + "about.bmp"));
}

// The keyboard types into the dialog, one Esc closes it, and what is typed at once after it reaches
// the search box.
TEST_F(OptionsFormTest, CtrlOOpensTheDialogWithTheSettingsOverTheKeptWindowAndOkStopsTheSearchAppliesAndSaves) {
  std::atomic<bool> searching{false};
  std::atomic<int> opacityWhenStopped{0};
  TTestSource endless("Endless", [&](const std::string&, const TAddHitFunc& addHit) {
    searching = true;
    while (!addHit(TItemRecord{})) Sleep(1);
    opacityWhenStopped = AppSettings().Opacity;
  });
  SearchClasses().push_back(&endless);
  const auto end = EndSearchFirst([&] { std::erase(SearchClasses(), &endless); });
  testpaths::WriteText(ExeFolder() + "Testish.lng", "");
  WriteSettings([](TLorvexSettings& s) {
    s.SearchOrder = {"Endless"};
    s.Opacity = 90;
    s.Language = "TESTISH";
    s.MaxHits = 12;
    s.HotKey = "Ctrl+Alt+K";
    s.InTray = false;
    TMagicWord& word = s.MagicWords.Add();
    word.MagicWord = "np";
    word.RunAsAdmin = true;
  });
  TMainForm& main = CreateMain();
  ShowMain();
  bool typed = false;
  auto typeThenEsc = InDialog<TOptionsForm>([&](TOptionsForm& options) {
    EXPECT_FALSE(IsWindowEnabled(main.Handle()));  // the owner waits
    ASSERT_TRUE(XTestKeys("type 7"));
    typed = PumpUntil([&] { return options.eLastUsed->Text().find('7') != std::string::npos; });
    ASSERT_TRUE(XTestKeys("key Escape a b"));  // typing on at once, as a user does
  });
  bool forced = false;
  TDelayedAction safety(
      [&] {  // a dialog that Esc left open would wait for ever
        if (TOptionsForm* options = FindForm<TOptionsForm>()) {
          forced = true;
          options->ModalResult = mrCancel;
        }
      },
      15000);
  // The pointer rests over no window, as an earlier test may leave it: a key that reached X while
  // none of our windows held the keyboard would go there, and be lost.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  ASSERT_TRUE(XTestKeys("key ctrl+o", main.Handle())) << "xdotool is missing: scripts/setup.sh installs it";
  ASSERT_TRUE(PumpUntil([&] { return typed && !FindForm<TOptionsForm>(); }, 20000));
  EXPECT_FALSE(forced) << "the first Esc left the dialog open";
  EXPECT_EQ(AppSettings().MaxHits, 12);  // cancelled
  EXPECT_TRUE(PumpUntil([&] { return main.SearchBox->Text() == "ab" && searching; }));

  auto pressOk = InDialog<TOptionsForm>([](TOptionsForm& options) {
    EXPECT_EQ(options.eLanguage->Text(), "Testish");  // the file's own spelling
    EXPECT_EQ(RowText(*options.eMagicWords, 0), "np||||*");
    EXPECT_EQ(options.udLastUsed->Position(), 12);
    EXPECT_EQ(options.eHotkey->Text(), "Ctrl+Alt+K");
    EXPECT_FALSE(options.cbInTray->Checked());
    options.cbInTray->SetChecked(true);
    const char* names[] = {"display", "search", "filter", "magic_words", "advanced"};
    for (int page = 0; page < options.PageControl1->PageCount(); ++page) {
      options.PageControl1->SetActivePageIndex(page);
      Pump(100);
      EXPECT_TRUE(SaveWindowPicture(options.Handle(), ArtifactsFolder() + "options_" + names[page] + ".bmp"));
    }
    options.eLastUsed->SetText("99");  // a typed value counts, within the up-down's range
    options.eLanguage->SetItemIndex(0);
    options.udOpacity->SetPosition(50);
    options.btnOk->Click();
  });
  PressKeys({VK_CONTROL, 'O'});
  ASSERT_TRUE(PumpUntil([&] { return AppSettings().Opacity == 50; }));
  EXPECT_EQ(opacityWhenStopped, 90);
  EXPECT_FALSE(main.Search().Searching());
  EXPECT_EQ(AppSettings().MaxHits, 20);
  EXPECT_EQ(AppSettings().Language, "");
  EXPECT_TRUE(AppSettings().InTray);
  EXPECT_TRUE(AppSettings().MagicWords.GetItem(0).RunAsAdmin);
  EXPECT_NE(testpaths::ReadText(SettingsFileName()).find("Opacity = 50"), std::string::npos);
  BYTE alpha = 0;
  GetLayeredWindowAttributes(main.Handle(), nullptr, &alpha, nullptr);
  EXPECT_EQ(alpha, 128);
  EXPECT_TRUE(IsWindowVisible(main.Handle()));
}
