#include "app/win32/FMain.h"

#include <ole2.h>
#include <oleauto.h>

#include <algorithm>
#include <cmath>

#include "app/win32/FBookmarkOptions.h"
#include "app/win32/FClipboardOptions.h"
#include "app/win32/FDatabaseOptions.h"
#include "app/win32/FFoldersOptions.h"
#include "app/win32/FMp3Options.h"
#include "app/win32/FNote.h"
#include "app/win32/FRunGroupOptions.h"
#include "app/win32/SmallSources.h"
#include "core/LorvexClasses.h"
#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "core/qmLog.h"
#include "core/qmTranslate.h"
#include "desktop/win32/HotKeyManager.h"
#include "desktop/win32/SysMenu.h"
#include "desktop/win32/TrayIcon.h"
#include "desktop/win32/WindowTimers.h"
#include "os/os.h"
#include "sources/SearchChromeBookmarks.h"
#include "sources/SearchExif.h"
#include "sources/SearchFirefoxBookmarks.h"
#include "sources/SearchFolders.h"
#include "sources/SearchIEBookmarks.h"
#include "sources/SearchMp3.h"
#include "sources/SearchNotes.h"
#include "sources/SearchRunGroup.h"
#include "sources/win32/SearchClipboard.h"
#include "sources/win32/SearchDatabase.h"
#include "sources/win32/SearchShortcuts.h"
#include "sources/win32/SearchSystem.h"
// Until the folder-list dialog of the folders source is merged in, the image source has no
// options dialog to show.
#include "ui/Dialogs.h"
#include "ui/qmMsgBox.h"
#include "ui/qmTranslators.h"

TMainForm* MainForm = nullptr;

namespace {

// The shell's "minimise all windows", through its automation object.
void ShellMinimizeAll() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"Shell.Application", &clsid))) return;
  IDispatch* shell = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&shell)))) return;
  OLECHAR name[] = L"MinimizeAll";
  LPOLESTR names[] = {name};
  DISPID id;
  if (SUCCEEDED(shell->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
    DISPPARAMS none{};
    shell->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
  }
  shell->Release();
}

bool IniSwitch(const char* key) { return IniReadString(ExeIniFileName(), "Options", key, "0") == "1"; }

}  // namespace

std::function<void()> TMainForm::MinimizeAllWindows = ShellMinimizeAll;

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  MainForm = this;
  CreateComponents();
  // The layout is built: its components put their settings into effect, as read from a form.
  for (TComponent* component : Components()) component->Loaded();
  FormCreate();
}

TMainForm::~TMainForm() {
  FDestroying = true;
  FSearch.reset();  // stops a running search while the list still exists
  for (TSearchClass* source : FSources) std::erase(SearchClasses(), source);
  // The application outlives the window: nothing of ours may be called any more.
  Application().OnException = nullptr;
  Application().OnShowHint = nullptr;
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.WinClassName = MainWindowClassName;
}

void TMainForm::CreateComponents() {
  SetCaption("Lorvex");
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME;
  KeyPreview = true;
  MinWidth = 150;
  MinHeight = 200;
  SetClientSize(252, 380);
  SetBorderWidth(2);

  SearchBar = new TPanel(this);
  SearchBar->SetHeight(27);
  SearchBar->SetAlign(alTop);
  SearchBar->SetParent(this);

  SearchBox = new TEdit(this);
  SearchBox->Name = "Edit1";
  SearchBox->Hint = "Search box";
  SearchBox->SetBounds(2, 2, 188, 23);
  SearchBox->SetParent(SearchBar);

  // The buttons' pictures are the program's own resources, shared: not ours to destroy.
  const auto glyph = [](const char* name) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON, 16, 16, LR_SHARED));
  };
  btnRun = new TSpeedButton(this);
  btnRun->Hint = "Run (Ctrl+Enter)";
  btnRun->SetBounds(196, 0, 26, 26);
  btnRun->SetGlyph(glyph("RUNGLYPH"));
  btnRun->SetParent(SearchBar);

  btnHome = new TSpeedButton(this);
  btnHome->Hint = "Goto last used (Home)";
  btnHome->SetBounds(224, 0, 26, 26);
  btnHome->SetGlyph(glyph("LASTUSEDGLYPH"));
  btnHome->SetParent(SearchBar);

  // The status bar is the lowest row, the error bar above it.
  StatusBar = new TStatusBar(this);
  StatusBar->PanelWidth = 100;
  StatusBar->SetParent(this);
  StatusBar->OnDrawPanel = [this](TStatusBar&, const RECT& rect, TCanvas& canvas) {
    StatusBar1DrawPanel(rect, canvas);
  };

  pErrors = new TPanel(this);
  pErrors->SetHeight(30);
  pErrors->SetColor(clInfoBk);
  pErrors->Hide();
  pErrors->SetAlign(alBottom);
  pErrors->SetParent(this);

  ErrorIcon = new TImage(this);
  ErrorIcon->SetBounds(7, 6, 16, 16);
  ErrorIcon->SetColor(clInfoBk);
  ErrorIcon->SetParent(pErrors);
  // A shared system icon: not ours to destroy.
  ErrorIcon->SetIcon(
      static_cast<HICON>(LoadImageA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING), IMAGE_ICON, 16, 16, LR_SHARED)));

  lblErrors = new TLabel(this);
  lblErrors->SetCaption("Errors");
  lblErrors->Hint = "Click to show errors";
  TFont errorsFont = lblErrors->Font();
  errorsFont.Color = clRed;
  lblErrors->SetFont(errorsFont);
  lblErrors->Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
  lblErrors->SetBounds(30, 7, 150, 16);
  lblErrors->SetParent(pErrors);
  lblErrors->OnClick = [this](TComponent&) { SearchBox->SetText("Errors"); };

  ResultList = new TListBox(this);
  ResultList->ItemHeight = 36;
  ResultList->SetAlign(alClient);
  ResultList->SetParent(this);

  mnuMain = new TPopupMenu(this);
  mnuMoreOptions = new TMenuItem(this);
  mnuMoreOptions->Caption = "Options";
  mnuMoreOptions->ShortCut = ShortCut('O', ssCtrl);
  mnuMoreOptions->OnClick = [this](TComponent&) { acOptionsExecute(); };
  mnuHelp = new TMenuItem(this);
  mnuHelp->Caption = "Help";
  mnuHelp->OnClick = [this](TComponent&) { mnuHelpClick(); };
  mnuAbout = new TMenuItem(this);
  mnuAbout->Caption = "About";
  mnuAbout->OnClick = [this](TComponent&) { mnuAboutClick(); };
  auto separator = [this] {
    auto* line = new TMenuItem(this);
    line->Caption = "-";
    return line;
  };
  mnuMain->Items().Add(mnuMoreOptions);
  mnuMain->Items().Add(separator());
  mnuMain->Items().Add(mnuHelp);
  mnuMain->Items().Add(mnuAbout);
  mnuMain->Items().Add(separator());
  SearchBox->PopupMenu = mnuMain;

  mnuTray = new TPopupMenu(this);
  mnuTrayOptions = new TMenuItem(this);
  mnuTrayOptions->Caption = "Options";
  mnuTrayOptions->OnClick = [this](TComponent&) { acOptionsExecute(); };
  mnuRestore = new TMenuItem(this);
  mnuRestore->Caption = "Open Lorvex";
  mnuRestore->Default = true;
  mnuRestore->OnClick = [this](TComponent&) { mnuRestoreClick(); };
  mnuExit = new TMenuItem(this);
  mnuExit->Caption = "Exit";
  mnuExit->OnClick = [this](TComponent&) { mnuExit2Click(); };
  mnuTray->Items().Add(mnuTrayOptions);
  mnuTray->Items().Add(separator());
  mnuTray->Items().Add(mnuRestore);
  mnuTray->Items().Add(mnuExit);

  // Created after its menu: owned components go newest first, so the icon goes before the menu.
  TrayIcon = new TTrayIcon(this);
  TrayIcon->Name = "TrayIcon1";
  TrayIcon->SetHint("Lorvex");
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
  if (!icon) icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  TrayIcon->SetIcon(icon);
  TrayIcon->SetPopupMenu(mnuTray);
  TrayIcon->MinimizeToTray = true;
  TrayIcon->OnMinimizeToTray = [this](TComponent&) { HideMainWindow(); };

  SearchTimer = new TTimer(this, false);
  SearchTimer->SetInterval(100);
  SearchTimer->OnTimer = [this](TComponent&) {
    SearchTimer->SetEnabled(false);
    if (FSearch) FSearch->TimerFired();
  };
  SearchBox->OnChange = [this](TComponent&) {
    if (FSearch) FSearch->TextChanged(SearchBox->Text());
  };
  ResultList->OnDrawItem = [this](TWinControl&, int index, const RECT& rect, unsigned state, TCanvas& canvas) {
    ListBox1DrawItem(index, rect, state, canvas);
  };

  CreateListMenu();
  SearchBox->OnKeyDown = [this](TComponent&, WORD& key, TShiftState shift) { Edit1KeyDown(key, shift); };
  ResultList->OnKeyDown = [this](TComponent&, WORD& key, TShiftState shift) { ListBox1KeyDown(key, shift); };
  ResultList->OnDblClick = [this](TComponent&) { ExecuteItem(false); };
  ResultList->OnMouseMove = [this](TComponent&, int x, int y) { ResultListMouseMove(x, y); };
  ResultList->OnMouseDown = [this](TComponent&, int x, int y) { ResultListMouseDown(x, y); };
  ResultList->OnMouseEnter = [this](TComponent&) {
    FLastKey = 0;
    AdjustSelection();
  };
  // Also after Up and Down in the list, which keep their key for it.
  ResultList->OnChange = [this](TComponent&) { AdjustSelection(); };
  btnHome->OnClick = [this](TComponent&) { mnuHomeClick(); };
  btnRun->OnClick = [this](TComponent&) { RunTypedText(); };

  ActiveControl = SearchBox;
  OnKeyDown = [this](TComponent&, WORD& key, TShiftState shift) { FormKeyDown(key, shift); };
  OnResize = [this](TComponent&) { FormResize(); };
  OnShow = [this](TComponent&) {
    UpdateTrayIcon();
    ApplyOpacity();
  };
  OnClose = [this](TForm&, TCloseAction& action) {
    HideMainWindow();
    action = caNone;
  };
  Handle();  // the window exists, hidden, from the start: a second instance looks for it
}

void TMainForm::FormCreate() {
  Application().OnException = [this](const std::string& message) { AppException(message); };
  GetLog().LoadSettings();
  SetUpTranslation();
  FHotKeys = new THotKeyManager(this);
  FHotKeys->OnHotKeyPressed = [this](uint32_t hotKey, WORD) { HotKeyPressed(hotKey); };

  PortableMode = IniSwitch("Portable");
  if (!PortableMode) ForceDirectories(SettingsFolder("Lorvex"));
  LoadSettings(AppSettings(), SettingsFileName(), [this](const std::string& message) { AppException(message); });
  // An invisible window could never be found again.
  AppSettings().Opacity = std::clamp(AppSettings().Opacity, 10, 100);

  LoadLanguage();
  RegisterAppHotKey();
  // The commands of mnuMain in the window's system menu.
  FSystemMenu = new TSystemMenu(this);
  FSystemMenu->SetPosition(0);
  FSystemMenu->SetPopupMenu(mnuMain);
  FSystemMenu->AttachHook();
  PlaceWindow();
  AppSettings().TrimLastUsed();
  FSearchTimer = std::make_unique<TSearchTimer>(*SearchTimer);
  FSearch = std::make_unique<TSearchModel>(
      AppSettings(), *this, *FSearchTimer,
      [](const std::function<void()>& call) { Application().Synchronize(call); },
      [](std::function<void()> call) { return Application().Post(std::move(call)); });
  FSearch->OnThreadStart = [] { CoInitialize(nullptr); };
  FSearch->OnThreadEnd = [] { CoUninitialize(); };
  FSearch->FillDefaultList(lmDefaultList);
  CreateSources();
  AppSettings().ResolveSearchOrder();
  for (TSearchClass* source : AppSettings().SearchOrderObjects)
    if (source) source->Reset();
  Application().ShowMainForm = false;
  Application().OnShowHint = [this](std::string& hint, bool& canShow, THintInfo& info) {
    AppShowHint(hint, canShow, info);
  };
  UpdateTrayIcon();
  ShowIdleStatus();
  // The default list hides the error bar; what went wrong during start-up stays in sight.
  if (!FErrors.empty()) pErrors->Show();
}

void TMainForm::CreateListMenu() {
  mnuListBox = new TPopupMenu(this);
  auto add = [this](const std::string& caption, std::function<void()> action) {
    auto* item = new TMenuItem(this);
    item->Caption = caption;
    if (action) item->OnClick = [action = std::move(action)](TComponent&) { action(); };
    mnuListBox->Items().Add(item);
    return item;
  };
  mnuRun = add("Run", [this] { ExecuteItem(false); });
  mnuRun->Default = true;
  mnuRun->ShortCut = VK_RETURN;
  mnuRunAs = add("Run As Administrator", [this] { ExecuteItem(true); });
  add("-", nullptr);
  mnuProperties = add("Properties", [this] {
    const TItemData* item = SelectedItem();
    if (!item) return;
    os::TShellOpenRequest request;
    request.Verb = "properties";
    request.File = item->ExecuteString();
    request.Owner = reinterpret_cast<uintptr_t>(Application().Handle());
    ShellOpenOrRaise(request);
  });
  mnuListLine = add("-", nullptr);
  mnuHome = add("Goto last used", [this] { mnuHomeClick(); });
  mnuDeleteLastUsed = add("Delete from last used", [this] { DeleteFromLastUsed(); });
  mnuListBox->OnPopup = [this](TComponent&) {
    const TItemData* item = SelectedItem();
    const bool selected = item != nullptr;
    const bool defaultList = FSearch && FSearch->ListMode() != lmSearchResults;
    mnuProperties->Enabled = selected && FileExists(item->ExecuteString());
    mnuListLine->Visible = selected && defaultList;
    mnuHome->Visible = selected && !defaultList;
    mnuDeleteLastUsed->Visible = selected && defaultList;
  };
  ResultList->PopupMenu = mnuListBox;
}

void TMainForm::CreateSources() {
  // Owned by the window and registered in this order; the others come with their own units.
  auto shell = std::make_shared<TWin32ShortcutShell>();
  const TMainWindowAccess window{[this] { acOptionsExecute(); }, [this] { HideMainWindow(); },
                                 [this] { return Handle(); }, [this] { return FCalledFrom; }};
  FSources = {
      new TSearchStartMenu(this, shell),
      new TSearchDesktop(this, shell),
      new TSearchFolders(this, shell, [](const std::string& ini) { return RunFoldersOptions(ini); }),
      NewControlPanelSource(this),
      NewPrintersSource(this),
      NewSystemSource(this, window),
      NewClipboardSource(this, RunClipboardOptions),
      new TSearchIEBookmarks(this, shell),
      NewInternetSource(this),
      new TSearchFFBookmarks(this, ShowFirefoxOptions),
      new TSearchRunGroup(this, AcquireTimerHandler(), RunRunGroupOptions),
      new TSearchMp3(this, RunMp3Options),
      new TSearchChromeBookmarks(this, ShowChromeOptions),
      new TSearchNotes(this, std::make_shared<TWin32NoteWindows>(this)),
      new TSearchDatabase(this, std::make_shared<TWin32DatabaseConnector>(), std::make_shared<TWin32DatabaseWindows>()),
      new TSearchExif(this, RunFoldersOptions)};
  for (TSearchClass* source : FSources) SearchClasses().push_back(source);
}

void TMainForm::AppShowHint(std::string& hint, bool&, THintInfo& info) {
  // Long hints (paths, descriptions) wrap before the right edge of the screen, and a hint that
  // would leave the bottom of the screen goes up.
  info.HintMaxWidth = GetSystemMetrics(SM_CXSCREEN) - info.HintPos.x - 50;
  const RECT rect = info.HintWindow->CalcHintRect(info.HintMaxWidth, hint);
  const int height = rect.bottom - rect.top;
  POINT cursor;
  GetCursorPos(&cursor);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (cursor.y + height > screenHeight) {
    info.HintPos.y = screenHeight - height - 150;
    info.HintPos.x += 1;
  }
}

void TMainForm::SetUpTranslation() {
  FTranslate = std::make_unique<TqmTranslate>(nullptr);
  FTranslate->SetState(tsDefault);
  FTranslate->SetIsGlobal(true);
  FEngine = new TqmTranslateEngineStrings(FTranslate.get());
  FTranslate->SetTranslateEngine(FEngine);
  FEngine->InputQuery = [](const std::string& caption, const std::string& prompt, std::string& value) {
    return InputQuery(caption, prompt, value);
  };
  FEngine->OnWarning = [this](const std::string& message) { AppException(message); };
  MessageBoxGlyphs = false;
  RegisterControlTranslators(*FTranslate);
}

std::string TMainForm::LanguageFileName() const { return ExeFolder() + FLanguage + ".lng"; }

void TMainForm::LoadLanguage() {
  FLanguage = AppSettings().Language;
  if (FLanguage.empty() || !FileExists(LanguageFileName())) return;
  try {
    FEngine->LoadFromFile(LanguageFileName());
  } catch (const Exception& e) {
    AppException(e.Message());
    return;
  }
  FEngine->SetTranslateOnTheFly(IniSwitch("LiveTranslate"));
  FTranslate->SetState(tsTranslate);
  FTranslate->TranslateComponents(*this);
}

void TMainForm::PlaceWindow() {
  TLorvexSettings& settings = AppSettings();
  int left = std::max(0, settings.Left);
  int top = std::max(0, settings.Top);
  const int width = settings.Width;
  const int height = settings.Height;
  const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (left > screenWidth) left = screenWidth - width;
  if (top > screenHeight) top = screenHeight - height;
  SetBounds(left, top, width, height);
}

void TMainForm::RegisterAppHotKey() {
  TLorvexSettings& settings = AppSettings();
  if (settings.RegisteredHotKey != 0) FHotKeys->RemoveHotKey(static_cast<uint32_t>(settings.RegisteredHotKey));
  const uint32_t hotKey = TextToHotKey(settings.HotKey, true);
  settings.RegisteredHotKey = static_cast<int32_t>(hotKey);
  if (hotKey == 0) return;
  if (!HotKeyAvailable(hotKey) || FHotKeys->AddHotKey(hotKey) == 0) {
    settings.RegisteredHotKey = 0;
    // Otherwise the user would never learn why the hot key does nothing.
    AppException(
        FormatText(TranslateText("The hot key %s cannot be registered: another program uses it."), {settings.HotKey}));
  }
}

void TMainForm::HotKeyPressed(uint32_t hotKey) {
  if (hotKey != 0 && hotKey == static_cast<uint32_t>(AppSettings().RegisteredHotKey)) mnuRestoreClick();
}

void TMainForm::UpdateTrayIcon() {
  TrayIcon->MinimizeToTray = AppSettings().InTray;
  TrayIcon->SetIconVisible(AppSettings().InTray);
}

void TMainForm::ApplyOpacity() {
  HWND wnd = Handle();
  SetWindowLongA(wnd, GWL_EXSTYLE, GetWindowLongA(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  const BYTE alpha = static_cast<BYTE>(std::lround(AppSettings().Opacity * 255 / 100.0));
  SetLayeredWindowAttributes(wnd, 0, alpha, LWA_ALPHA);
}

void TMainForm::mnuRestoreClick() {
  HWND wnd = Handle();
  // Every way of calling the window up comes here: the hot key, the tray icon, a second start.
  FCalledFrom = UserWindowInFront([&](HWND other) {
    return other == wnd || other == Application().Handle() || other == TrayIcon->NotifyWindow();
  });
  if (IsIconic(wnd)) ShowWindow(wnd, SW_RESTORE);
  Show();
  SetForegroundWindow(wnd);
  SearchBox->SetFocus();
  SearchBox->SelectAll();
}

void TMainForm::HideMainWindow() {
  if (HandleAllocated()) ShowWindow(FHandle, SW_HIDE);
  ShowWindow(Application().Handle(), SW_HIDE);
  Application().ShowMainForm = false;
  Hide();
}

void TMainForm::FormResize() {
  if (!btnHome || !btnRun || !SearchBox) return;
  const int w = btnHome->Width();
  const int clientWidth = SearchBar->ClientWidth();
  btnHome->SetLeft(clientWidth - w - 2);
  btnRun->SetLeft(clientWidth - 2 * w - 4);
  SearchBox->SetWidth(clientWidth - 2 * w - 8);
  ResultList->Invalidate();
}

void TMainForm::mnuHelpClick() {
  using THtmlHelp = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  static HMODULE library = LoadLibraryA("hhctrl.ocx");
  if (!library) return;
  auto htmlHelp = reinterpret_cast<THtmlHelp>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
  if (htmlHelp) htmlHelp(Application().Handle(), (ExeFolder() + "Lorvex.chm").c_str(), 1 /* table of contents */, 0);
}

void TMainForm::SetStatusText(const std::string& text) { StatusBar->SetSimpleText(text); }

void TMainForm::ShowIdleStatus() {
  const bool searching = FSearch && FSearch->Searching();
  if (!searching && StatusBar->SimpleText().empty()) SetStatusText(TranslateText("Type to search"));
}

void TSearchTimer::Restart(int ms) {
  FTimer.SetInterval(static_cast<UINT>(ms));
  FTimer.SetEnabled(true);
  FTimer.Restart();
}

void TMainForm::ListCleared() { ResultList->Clear(); }

void TMainForm::RowInserted(int index) { ResultList->InsertItem(index, FSearch->List().Text(index)); }

void TMainForm::ProcessMessages() {
  // The window stays alive while a source that never polls finishes; a short wait lets the
  // model see the end of a worker whose last call could not be made.
  Application().WaitForMessages(100);
}

void TMainForm::AppException(const std::string& message) {
  FErrors.insert(FErrors.begin(), os::DateTimeText(os::Now()) + " - " + message);
  if (FErrors.size() > MaxErrorLines) FErrors.resize(MaxErrorLines);
  pErrors->Show();
}

void TMainForm::SaveNewTexts() {
  if (!IniSwitch("Translate") || !FEngine || !FEngine->NewStrings()) return;
  const std::string question =
      FormatText("New texts are ready to translate in %s. Should I save the file?", {LanguageFileName()}) +
      "\r\n\r\nNOTE! If Lorvex was not run as administrator, Lorvex will not be able to "
      "save file and exit.";
  if (!AskYesNo(question)) return;
  try {
    FEngine->SaveToFile(LanguageFileName());
  } catch (const Exception& e) {
    ShowError(e.Message());  // shown, and the exit goes on
  }
}

void TMainForm::mnuExit2Click() { Exit(true); }

void TMainForm::Exit(bool mayAsk) {
  if (FExiting) return;
  FExiting = true;
  GetLog().Log("Lorvex", "Exit");
  if (mayAsk) {
    try {
      SaveNewTexts();
    } catch (...) {
      // Nothing may keep the program from ending.
    }
  }
  try {
    if (FSearch) FSearch->Close();  // no source may go while it searches, nor search after
    ResultList->Clear();
    AppSettings().TrimLastUsed();
    AppSettings().Left = Left();
    AppSettings().Top = Top();
    AppSettings().Width = Width();
    AppSettings().Height = Height();
    SaveSettings(AppSettings(), SettingsFileName());
  } catch (const std::exception& e) {
    GetLog().Log("Exception", std::string("Exit - ") + e.what());
  }
  Application().Terminate();
}

LRESULT TMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_RESTORE_INSTANCE:
      mnuRestoreClick();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const LRESULT result = TForm::WndProc(msg, wParam, lParam);
        if (!FDestroying && !FKeepVisible) HideMainWindow();
        return result;
      }
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Only the real end of the session ends the program; it asks nothing then.
      if (wParam) {
        GetLog().Log("Lorvex", "EndSession");
        Exit(false);
      }
      return 0;
  }
  return TForm::WndProc(msg, wParam, lParam);
}
