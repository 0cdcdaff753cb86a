#include "app/win32/FMain.h"

#include <ole2.h>
#include <oleauto.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/RowHighlight.h"
#include "app/win32/FAbout.h"
#include "app/win32/FOptions.h"
#include "app/win32/ItemIcons.h"
#include "core/LorvexClasses.h"
#include "os/os.h"
#include "core/qmFileUtils.h"
#include "core/qmIniUtils.h"
#include "core/qmLog.h"
#include "core/qmTranslate.h"
#include "core/win32/qmMsgBox.h"
#include "core/win32/qmTranslators.h"
#include "core/win32/qmUtils.h"
#include "desktop/win32/HotKeyManager.h"
#include "desktop/win32/SysMenu.h"
#include "desktop/win32/TrayIcon.h"
#include "sources/SearchIEBookmarks.h"
#include "sources/win32/SearchShortcuts.h"
#include "app/win32/FDatabaseOptions.h"
#include "sources/SearchExif.h"
#include "sources/win32/SearchDatabase.h"
// Until the folder-list dialog of the folders source is merged in, the image source has no
// options dialog to show.
#if __has_include("app/win32/FFoldersOptions.h")
#include "app/win32/FFoldersOptions.h"
#define LORVEX_EXIF_OPTIONS RunFoldersOptions
#else
#define LORVEX_EXIF_OPTIONS nullptr
#endif
#include "ui/Dialogs.h"

TMainForm* MainForm = nullptr;

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

// The shell's "minimise all windows", through its automation object.
void ShellMinimizeAll() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"Shell.Application", &clsid))) return;
  IDispatch* shell = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&shell))))
    return;
  OLECHAR name[] = L"MinimizeAll";
  LPOLESTR names[] = {name};
  DISPID id;
  if (SUCCEEDED(shell->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
    DISPPARAMS none{};
    shell->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
  }
  shell->Release();
}

std::string NowText() {
  const os::TLocalTime t = os::Now();
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", t.Day, t.Month, t.Year, t.Hour, t.Minute,
                t.Second);
  return text;
}

bool IniSwitch(const char* key) { return IniReadString(ExeIniFileName(), "Options", key, "0") == "1"; }

// Text shortened with a path ellipsis to Width pixels in Font. Measured on a DC of its own:
// a painting DC's clip box shrinks to the part being repainted (say, where a hint was).
std::string FitPathToWidth(const std::string& text, const TFont& font, int width) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, std::max(width, 1), 1);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont = SelectObject(dc, font.Handle());
  const std::string fitted = FitPathToRect(text, dc);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return fitted;
}

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

  Panel1 = new TPanel(this);
  Panel1->SetHeight(27);
  Panel1->SetAlign(alTop);
  Panel1->SetParent(this);

  Edit1 = new TEdit(this);
  Edit1->Name = "Edit1";
  Edit1->Hint = "Search box";
  Edit1->SetBounds(2, 2, 188, 23);
  Edit1->SetParent(Panel1);

  btnRun = new TSpeedButton(this);
  btnRun->Hint = "Run (Ctrl+Enter)";
  btnRun->SetBounds(196, 0, 26, 26);
  btnRun->SetParent(Panel1);

  btnHome = new TSpeedButton(this);
  btnHome->Hint = "Goto last used (Home)";
  btnHome->SetBounds(224, 0, 26, 26);
  btnHome->SetParent(Panel1);

  // The status bar is the lowest row, the error bar above it.
  StatusBar1 = new TStatusBar(this);
  StatusBar1->PanelWidth = 100;
  StatusBar1->SetParent(this);
  StatusBar1->OnDrawPanel = [this](TStatusBar&, const RECT& rect, TCanvas& canvas) { StatusBar1DrawPanel(rect, canvas); };

  pErrors = new TPanel(this);
  pErrors->SetHeight(30);
  pErrors->SetColor(clInfoBk);
  pErrors->Hide();
  pErrors->SetAlign(alBottom);
  pErrors->SetParent(this);

  Image1 = new TImage(this);
  Image1->SetBounds(7, 6, 16, 16);
  Image1->SetColor(clInfoBk);
  Image1->SetParent(pErrors);
  // A shared system icon: not ours to destroy.
  Image1->SetIcon(
      static_cast<HICON>(LoadImageA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING), IMAGE_ICON, 16, 16, LR_SHARED)));

  lblErrors = new TLabel(this);
  lblErrors->SetCaption("Errors");
  lblErrors->Hint = "Click to show errors";
  lblErrors->Font().Color = clRed;
  lblErrors->Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
  lblErrors->SetBounds(30, 7, 150, 16);
  lblErrors->SetParent(pErrors);
  lblErrors->OnClick = [this](TComponent&) { Edit1->SetText("Errors"); };

  ListBox1 = new TListBox(this);
  ListBox1->ItemHeight = 36;
  ListBox1->SetAlign(alClient);
  ListBox1->SetParent(this);

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
  Edit1->PopupMenu = mnuMain;

  mnuTray = new TPopupMenu(this);
  mnuMoreOptions2 = new TMenuItem(this);
  mnuMoreOptions2->Caption = "Options";
  mnuMoreOptions2->OnClick = [this](TComponent&) { acOptionsExecute(); };
  mnuRestore = new TMenuItem(this);
  mnuRestore->Caption = "Open Lorvex";
  mnuRestore->Default = true;
  mnuRestore->OnClick = [this](TComponent&) { mnuRestoreClick(); };
  mnuExit2 = new TMenuItem(this);
  mnuExit2->Caption = "Exit";
  mnuExit2->OnClick = [this](TComponent&) { mnuExit2Click(); };
  mnuTray->Items().Add(mnuMoreOptions2);
  mnuTray->Items().Add(separator());
  mnuTray->Items().Add(mnuRestore);
  mnuTray->Items().Add(mnuExit2);

  // Created after its menu: owned components go newest first, so the icon goes before the menu.
  TrayIcon1 = new TTrayIcon(this);
  TrayIcon1->Name = "TrayIcon1";
  TrayIcon1->SetHint("Lorvex");
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
  if (!icon) icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  TrayIcon1->SetIcon(icon);
  TrayIcon1->SetPopupMenu(mnuTray);
  TrayIcon1->MinimizeToTray = true;
  TrayIcon1->OnMinimizeToTray = [this](TComponent&) { HideMainWindow(); };

  SearchTimer = new TTimer(this);
  SearchTimer->SetEnabled(false);
  SearchTimer->SetInterval(100);
  SearchTimer->OnTimer = [this](TComponent&) {
    SearchTimer->SetEnabled(false);
    if (FSearch) FSearch->TimerFired();
  };
  Edit1->OnChange = [this](TComponent&) {
    if (FSearch) FSearch->TextChanged(Edit1->Text());
  };
  ListBox1->OnDrawItem = [this](TWinControl&, int index, const RECT& rect, unsigned state, TCanvas& canvas) {
    ListBox1DrawItem(index, rect, state, canvas);
  };

  CreateListMenu();
  Edit1->OnKeyDown = [this](TComponent&, WORD& key, TShiftState shift) { Edit1KeyDown(key, shift); };
  ListBox1->OnKeyDown = [this](TComponent&, WORD& key, TShiftState shift) { ListBox1KeyDown(key, shift); };
  ListBox1->OnDblClick = [this](TComponent&) { ExecuteItem(false); };
  ListBox1->OnMouseMove = [this](TComponent&, int x, int y) { ListBox1MouseMove(x, y); };
  ListBox1->OnMouseDown = [this](TComponent&, int x, int y) { ListBox1MouseDown(x, y); };
  ListBox1->OnMouseEnter = [this](TComponent&) {
    FLastKey = 0;
    AdjustSelection();
  };
  // Also after Up and Down in the list, which keep their key for it.
  ListBox1->OnChange = [this](TComponent&) { AdjustSelection(); };
  btnHome->OnClick = [this](TComponent&) { mnuHomeClick(); };
  btnRun->OnClick = [this](TComponent&) { RunTypedText(); };

  ActiveControl = Edit1;
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
  LoadSettings(AppSettings(), SettingsFileName(),
               [this](const std::string& message) { AppException(message); });
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
  FSearch = std::make_unique<TSearchModel>(AppSettings(), *this, *FSearchTimer,
                                           [](const std::function<void()>& call) { Application().Synchronize(call); });
  FSearch->OnThreadStart = [] { CoInitialize(nullptr); };
  FSearch->OnThreadEnd = [] { CoUninitialize(); };
  FSearch->FillDefaultList(1);
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
    ShellOpenOrRaise(request);
  });
  mnuListLine = add("-", nullptr);
  mnuHome = add("Goto last used", [this] { mnuHomeClick(); });
  mnuDeleteLastUsed = add("Delete from last used", [this] { DeleteFromLastUsed(); });
  mnuListBox->OnPopup = [this](TComponent&) {
    const TItemData* item = SelectedItem();
    const bool selected = item != nullptr;
    const bool defaultList = FSearch && FSearch->ListMode() != 0;
    mnuProperties->Enabled = selected && FileExists(item->ExecuteString());
    mnuListLine->Visible = selected && defaultList;
    mnuHome->Visible = selected && !defaultList;
    mnuDeleteLastUsed->Visible = selected && defaultList;
  };
  ListBox1->PopupMenu = mnuListBox;
}

void TMainForm::Edit1KeyDown(WORD& key, TShiftState shift) {
  FLastKey = 0;
  if (shift == ssCtrl && key == VK_RETURN) {
    key = 0;
    RunTypedText();
    return;
  }
  if (shift != 0) return;
  const int index = ListBox1->ItemIndex();
  switch (key) {
    case VK_DOWN:
      if (FSearch->SearchRunning()) FSearch->CancelSearch();
      if (index + 1 < ListBox1->Count()) ListBox1->SetItemIndex(index + 1);
      FLastKey = VK_DOWN;
      AdjustSelection();
      break;
    case VK_UP:
      if (index > 0) ListBox1->SetItemIndex(index - 1);
      FLastKey = VK_UP;
      ShowIdleStatus();
      AdjustSelection();
      break;
    case VK_HOME:
      mnuHomeClick();
      break;
    case VK_END:
      Edit1->SetText("");
      FSearch->ShowDefaultList(2);
      break;
    case VK_RETURN:
      key = 0;
      RemovePendingMessage(Edit1->Handle(), WM_CHAR);
      ExecuteItem(false);
      return;
    default:
      return;
  }
  key = 0;
  RemovePendingMessage(Edit1->Handle(), WM_CHAR);
}

void TMainForm::ListBox1KeyDown(WORD& key, TShiftState shift) {
  if (shift == ssCtrl && key == VK_HOME) {
    key = 0;
    mnuHomeClick();
    return;
  }
  if (shift != 0) return;
  switch (key) {
    case VK_UP:
    case VK_DOWN:
      FLastKey = key;  // the list moves itself
      break;
    case VK_RETURN:
      key = 0;
      ExecuteItem(false);
      break;
    case VK_BACK:
      key = 0;
      Edit1->SetFocus();
      break;
    case VK_DELETE:
      key = 0;
      DeleteFromLastUsed();
      break;
  }
}

void TMainForm::AdjustSelection() {
  const TResultList& list = FSearch->List();
  if (list.Count() > 1 && ListBox1->ItemIndex() < 0) ListBox1->SetItemIndex(0);
  const int index = ListBox1->ItemIndex();
  if (index >= 0 && index < list.Count() && list.Item(index).Kind == ikGroupHeader) {
    if (FLastKey != VK_UP) {
      if (index + 1 < list.Count()) ListBox1->SetItemIndex(index + 1);
    } else if (index == 0 && ListBox1->Focused()) {
      ListBox1->SetItemIndex(1);
      Edit1->SetFocus();
      return;
    } else if (index > 1) {
      ListBox1->SetItemIndex(index - 1);
    }
  }
  ShowIdleStatus();
}

void TMainForm::mnuHomeClick() {
  Edit1->SetText("");
  FSearch->ShowDefaultList(1);
  AdjustSelection();
}

void TMainForm::AfterLaunch() {
  HideMainWindow();
  Edit1->SetText("");
  Edit1->SetFocus();
  FSearch->ShowDefaultList(1);
}

void TMainForm::ShellRun(const std::string& verb, const std::string& file, const std::string& parameters,
                         const std::string& folder, int show) {
  ShellOpenOrRaise({verb, file, parameters, folder, show});
}

TItemData* TMainForm::SelectedItem() const {
  const int index = ListBox1->ItemIndex();
  return FSearch && index >= 0 && index < FSearch->List().Count() ? &FSearch->List().Item(index) : nullptr;
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
    bool asAdmin = runAsAdmin;
    for (const auto& word : AppSettings().MagicWords)
      if (MagicWordRecord(*word).DisplayName == item->DisplayName && word->RunAsAdmin) asAdmin = true;
    ShellRun(asAdmin ? "runas" : "", item->ExecuteString(), item->Parameters(), MagicWordFolder(*item), SW_RESTORE);
    HideMainWindow();
    Edit1->SetText("");
    Edit1->SetFocus();
  }
}

void TMainForm::RunTypedText() {
  const std::string text = Edit1->Text();
  if (text.empty()) return;
  std::string file, parameters;
  SplitCommandLine(text, file, parameters);
  ShellRun("", file, parameters, "", SW_SHOWNORMAL);
  Edit1->SetText("");
  FSearch->ShowDefaultList(1);
  HideMainWindow();
  Edit1->SetFocus();
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
  Edit1->SetText("");
  FSearch->ShowDefaultList(1);
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

void TMainForm::CreateSources() {
  // Owned by the window and registered in this order; the others come with their own units.
  auto shell = std::make_shared<TWin32ShortcutShell>();
  FSources = {new TSearchStartMenu(this, shell), new TSearchDesktop(this, shell),
              new TSearchIEBookmarks(this, shell)};
  FSources.push_back(new TSearchDatabase(this, std::make_shared<TWin32DatabaseConnector>(),
                                         std::make_shared<TWin32DatabaseWindows>()));
  FSources.push_back(new TSearchExif(this, LORVEX_EXIF_OPTIONS));
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
    AppException(FormatText(TranslateText("The hot key %s cannot be registered: another program uses it."),
                            {settings.HotKey}));
  }
}

void TMainForm::HotKeyPressed(uint32_t hotKey) {
  if (hotKey != 0 && hotKey == static_cast<uint32_t>(AppSettings().RegisteredHotKey)) mnuRestoreClick();
}

void TMainForm::UpdateTrayIcon() {
  TrayIcon1->MinimizeToTray = AppSettings().InTray;
  TrayIcon1->SetIconVisible(AppSettings().InTray);
}

void TMainForm::ApplyOpacity() {
  HWND wnd = Handle();
  SetWindowLongA(wnd, GWL_EXSTYLE, GetWindowLongA(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  const BYTE alpha = static_cast<BYTE>(std::lround(AppSettings().Opacity * 255 / 100.0));
  SetLayeredWindowAttributes(wnd, 0, alpha, LWA_ALPHA);
}

void TMainForm::mnuRestoreClick() {
  HWND wnd = Handle();
  if (IsIconic(wnd)) ShowWindow(wnd, SW_RESTORE);
  Show();
  SetForegroundWindow(wnd);
  Edit1->SetFocus();
  Edit1->SelectAll();
}

void TMainForm::HideMainWindow() {
  if (HandleAllocated()) ShowWindow(FHandle, SW_HIDE);
  ShowWindow(Application().Handle(), SW_HIDE);
  Application().ShowMainForm = false;
  Hide();
}

void TMainForm::FormKeyDown(WORD& key, TShiftState shift) {
  switch (key) {
    case VK_ESCAPE:
      key = 0;
      RemovePendingMessage(Handle(), WM_CHAR);
      HideMainWindow();
      break;
    case VK_F1:
      key = 0;
      mnuHelpClick();
      break;
    case VK_F12:
      key = 0;
      if (MinimizeAllWindows) MinimizeAllWindows();
      HideMainWindow();
      break;
    default:
      if (shift && mnuMain->IsShortCut(ShortCut(key, shift))) key = 0;
      break;
  }
}

void TMainForm::FormResize() {
  if (!btnHome || !btnRun || !Edit1) return;
  const int w = btnHome->Width();
  const int clientWidth = Panel1->ClientWidth();
  btnHome->SetLeft(clientWidth - w - 2);
  btnRun->SetLeft(clientWidth - 2 * w - 4);
  Edit1->SetWidth(clientWidth - 2 * w - 8);
  ListBox1->Invalidate();
}

void TMainForm::mnuHelpClick() {
  using THtmlHelp = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  static HMODULE library = LoadLibraryA("hhctrl.ocx");
  if (!library) return;
  auto htmlHelp = reinterpret_cast<THtmlHelp>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
  if (htmlHelp) htmlHelp(Application().Handle(), (ExeFolder() + "Lorvex.chm").c_str(), 1 /* table of contents */, 0);
}

void TMainForm::SetStatusText(const std::string& text) { StatusBar1->SetSimpleText(text); }

void TMainForm::ShowIdleStatus() {
  const bool searching = FSearch && FSearch->Searching();
  if (!searching && StatusBar1->SimpleText().empty()) SetStatusText(TranslateText("Type to search"));
}

void TSearchTimer::Restart(int ms) {
  FTimer.SetInterval(static_cast<UINT>(ms));
  FTimer.SetEnabled(true);
  FTimer.Restart();
}

void TMainForm::ListCleared() { ListBox1->Clear(); }

void TMainForm::RowInserted(int index) { ListBox1->InsertItem(index, FSearch->List().Text(index)); }

void TMainForm::SelectFirstRow() {
  const TResultList& list = FSearch->List();
  for (int i = 0; i < list.Count(); ++i) {
    if (list.Item(i).Kind != ikGroupHeader) {
      ListBox1->SetItemIndex(i);
      return;
    }
  }
}

void TMainForm::ProcessMessages() {
  // The window stays alive while a source that never polls finishes; a short wait lets the
  // model see the end of a worker whose last call could not be made.
  Application().WaitForMessages(100);
}

void TMainForm::ListBox1DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas) {
  canvas.FillRect(rect);  // in the colours the list chose for the row
  if (!FSearch || index < 0 || index >= FSearch->List().Count()) return;
  TItemData& item = FSearch->List().Item(index);
  const std::string& text = FSearch->List().Text(index);
  if (item.Kind == ikGroupHeader) DrawHeaderRow(text, rect, canvas);
  else DrawItemRow(item, text, rect, (state & odSelected) != 0, canvas);
}

void TMainForm::DrawHeaderRow(const std::string& caption, const RECT& rect, TCanvas& canvas) {
  canvas.BrushColor = SysColor(COLOR_INACTIVECAPTION);
  canvas.FillRect(rect);
  canvas.BrushColor = SysColor(COLOR_ACTIVECAPTION);
  canvas.FillRect(RECT{rect.left, rect.top, rect.right, rect.top + 5});
  canvas.FillRect(RECT{rect.left, rect.bottom - 5, rect.right, rect.bottom});
  canvas.BrushColor = SysColor(COLOR_INACTIVECAPTION);

  TFont font = ListBox1->Font();
  font.SetStyle(fsBold);
  font.Color = SysColor(COLOR_INACTIVECAPTIONTEXT);
  canvas.SetFont(font);
  RECT clip = rect;
  clip.right -= GetSystemMetrics(SM_CXVSCROLL);
  HDC dc = canvas.Handle();
  HRGN region = CreateRectRgnIndirect(&clip);
  SelectClipRgn(dc, region);
  DeleteObject(region);
  const std::string shown = FitPathToWidth(caption, font, clip.right - clip.left);
  canvas.TextOut(rect.left + 8, rect.top + (rect.bottom - rect.top - canvas.TextHeight(shown)) / 2, shown);
  SelectClipRgn(dc, nullptr);
  canvas.SetFont(ListBox1->Font());  // our font goes with this call
}

void TMainForm::DrawItemRow(TItemData& item, const std::string& text, const RECT& rect, bool selected,
                            TCanvas& canvas) {
  if (HICON icon = RowIcon(item)) canvas.DrawIcon(rect.left + 2, rect.top + 2, icon, 32);

  // The name, with the typed text in bold; a default list has nothing typed to mark.
  TFont regular = ListBox1->Font();
  regular.Color = selected ? clHighlightText : clWindowText;
  TFont bold = regular;
  bold.SetStyle(fsBold);
  const std::vector<TSegment> segments =
      FSearch->ListMode() != 0 ? std::vector<TSegment>{{text, false}}
                               : HighlightSegments(text, FSearch->SearchText(), item.DrawType);
  int x = rect.left + 44;
  for (const TSegment& segment : segments) {
    canvas.SetFont(segment.Bold ? bold : regular);
    canvas.TextOut(x, rect.top + 2, segment.Text);
    x += canvas.TextWidth(segment.Text);
  }

  const int smallHeight = -MulDiv(7, GetDeviceCaps(canvas.Handle(), LOGPIXELSY), 72);
  const TFont small(regular.Name(), smallHeight, 0, selected ? RGB(0xC0, 0xC0, 0xC0) : RGB(0x80, 0x80, 0x80));
  canvas.SetFont(small);
  canvas.TextOut(rect.left + 44, rect.bottom - 16, "  " + item.Description);  // translated where the item was made
  canvas.SetFont(ListBox1->Font());  // our fonts go with this call
}

void TMainForm::ListBox1MouseDown(int x, int y) {
  // Any button: the list's menu acts on the row it was opened over.
  const int index = ListBox1->ItemAtPos(POINT{x, y});
  if (index >= 0) ListBox1->SetItemIndex(index);
  FLastKey = 0;
  AdjustSelection();
}

void TMainForm::ListBox1MouseMove(int x, int y) {
  // The row under the pointer explains itself: its hint, else its whole text.
  const int index = ListBox1->ItemAtPos(POINT{x, y});
  std::string hint;
  if (FSearch && index >= 0 && index < FSearch->List().Count()) {
    hint = FSearch->List().Item(index).Hint;
    if (hint.empty()) hint = FSearch->List().Text(index);
  }
  if (hint == ListBox1->Hint) return;
  ListBox1->Hint = hint;
  Application().CancelHint();  // so that the new text shows
}

void TMainForm::StatusBar1DrawPanel(const RECT& rect, TCanvas& canvas) {
  RECT clip = rect;
  clip.right -= GetSystemMetrics(SM_CXVSCROLL);  // room for the size grip
  HRGN region = CreateRectRgnIndirect(&clip);
  SelectClipRgn(canvas.Handle(), region);
  DeleteObject(region);
  canvas.SetFont(StatusBar1->Font());
  canvas.TextOut(rect.left + 5, rect.top, FitPathToRect(StatusBar1->SimpleText(), canvas.Handle()));
}

void TMainForm::AppException(const std::string& message) {
  FErrors.insert(FErrors.begin(), NowText() + " - " + message);
  if (FErrors.size() > MaxErrorLines) FErrors.resize(MaxErrorLines);
  pErrors->Show();
}

void TMainForm::SaveNewTexts() {
  if (!IniSwitch("Translate") || !FEngine || !FEngine->NewStrings()) return;
  const std::string question = FormatText("New texts are ready to translate in %s. Should I save the file?",
                                          {LanguageFileName()}) +
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
    if (FSearch) FSearch->StopSearch();  // no source may go while it searches
    ListBox1->Clear();
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
