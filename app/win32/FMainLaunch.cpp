// Running what the list shows (a hit through its source, a magic word or the typed line through
// the shell), and the boxes the window opens over itself: options, About, the question before a
// last-used hit is deleted.
#include "app/win32/FMain.h"

#include "app/win32/FAbout.h"
#include "app/win32/FOptions.h"
#include "core/LorvexClasses.h"
#include "core/qmTranslate.h"
#include "os/os.h"
#include "ui/qmMsgBox.h"

namespace {

// Keeps the window shown while a box or dialog of its own is open in front of it (losing the
// focus would hide it), however the box ends.
class TKeepVisible {
 public:
  explicit TKeepVisible(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TKeepVisible() { FFlag = false; }
  TKeepVisible(const TKeepVisible&) = delete;
  TKeepVisible& operator=(const TKeepVisible&) = delete;

 private:
  bool& FFlag;
};

}  // namespace

void TMainForm::AfterLaunch() {
  HideMainWindow();
  SearchBox->SetText("");
  SearchBox->SetFocus();
  FSearch->ShowDefaultList(lmDefaultList);
}

void TMainForm::ShellRun(const std::string& verb, const std::string& file, const std::string& parameters,
                         const std::string& folder, int show, HWND owner) {
  ShellOpenOrRaise({verb, file, parameters, folder, show, reinterpret_cast<uintptr_t>(owner)});
}

void TMainForm::ExecuteItem(bool runAsAdmin) {
  FSearch->FlushPendingInput();  // Enter within the debounce time acts on the new listing
  // No source runs a hit while it searches. The wait serves input, so the row is read after it.
  if (const TItemData* item = SelectedItem(); item && item->Kind == ikHit) FSearch->StopSearch();
  TItemData* item = SelectedItem();
  if (!item) return;
  if (item->Kind == ikHit) {
    TSearchClass* source = FindSearchClass(item->SearchClassName);
    if (!source) return;
    const bool remember = source->RememberInLastUsed();
    item->AsAdmin = runAsAdmin;
    source->Execute(*item);
    if (remember) FSearch->ItemLaunched(*item);
    AfterLaunch();
  } else if (item->Kind == ikMagicWord) {
    const bool asAdmin = MagicWordRunsAsAdmin(AppSettings(), *item, runAsAdmin);
    ShellRun(asAdmin ? "runas" : "", item->ExecuteString(), item->Parameters(), MagicWordFolder(*item), SW_RESTORE,
             nullptr);
    HideMainWindow();
    SearchBox->SetText("");
    SearchBox->SetFocus();
  }
}

void TMainForm::RunTypedText() {
  const std::string text = SearchBox->Text();
  if (text.empty()) return;
  std::string file, parameters;
  SplitCommandLine(text, file, parameters);
  ShellRun("", file, parameters, "", SW_SHOWNORMAL, Application().Handle());
  SearchBox->SetText("");
  FSearch->ShowDefaultList(lmDefaultList);
  HideMainWindow();
  SearchBox->SetFocus();
}

void TMainForm::acOptionsExecute() {
  bool ok = false;
  {
    TKeepVisible keep(FKeepVisible);
    TBusyCursor busy;  // until the dialog shows
    ok = RunOptionsDialog(nullptr, [this] {
      SearchTimer->SetEnabled(false);
      FSearch->StopSearch();
    });
  }
  if (!ok) return;

  TLorvexSettings& settings = AppSettings();
  settings.TrimLastUsed();
  SaveSettings(settings, SettingsFileName());
  settings.ResolveSearchOrder();
  for (TSearchClass* source : settings.SearchOrderObjects)
    if (source) source->Reset();
  ApplyOpacity();
  SearchBox->SetText("");
  FSearch->ShowDefaultList(lmDefaultList);
  UpdateTrayIcon();
  RegisterAppHotKey();
}

void TMainForm::mnuAboutClick() {
  TKeepVisible keep(FKeepVisible);
  ShowAbout("Lorvex", "https://lorvex.org", "A keyboard launcher: press the hot key, type a few letters, press Enter.",
            "Free software.");
}

void TMainForm::DeleteFromLastUsed() {
  const TItemData* item = SelectedItem();
  if (!item) return;
  const std::string name = item->DisplayName;
  bool yes;
  {
    TKeepVisible keep(FKeepVisible);
    yes = AskYesNo(TranslateFormat("Delete %s from  last used list?", {name}));
  }
  if (yes) FSearch->DeleteFromLastUsed(name);
}
