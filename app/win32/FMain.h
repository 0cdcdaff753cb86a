// The main window: a search box over the result list, the error list, and the life of the
// program around it (shown by the hot key, the tray icon or a second start; hidden on Esc,
// deactivation and close; the settings written at exit).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/SearchModel.h"
#include "core/Persistent.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Hints.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

class TqmTranslate;
class TqmTranslateEngineStrings;
class THotKeyManager;
class TSystemMenu;
class TTrayIcon;

// A second start sends this to the running instance's main window.
constexpr UINT WM_RESTORE_INSTANCE = 1524;
// The window class of the main window: the second instance looks for it with the title.
inline constexpr const char* MainWindowClassName = "TLorvexMainForm";
// How many error lines the list keeps, newest first.
constexpr size_t MaxErrorLines = 500;

// The debounce timer of the search box, as the search model sees it.
class TSearchTimer : public TRestartableTimer {
 public:
  explicit TSearchTimer(TTimer& timer) : FTimer(timer) {}
  void Restart(int ms) override;
  void Stop() override { FTimer.SetEnabled(false); }
  bool Pending() const override { return FTimer.Enabled(); }

 private:
  TTimer& FTimer;
};

class TMainForm : public TForm, public TSearchView {
 public:
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;
  const char* ClassName() const override { return "TMainForm"; }

  TPanel* SearchBar;
  TEdit* SearchBox;
  TSpeedButton* btnRun;
  TSpeedButton* btnHome;
  TListBox* ResultList;
  TPanel* pErrors;
  TImage* ErrorIcon;
  TLabel* lblErrors;
  TStatusBar* StatusBar;
  TPopupMenu* mnuMain;
  TMenuItem* mnuMoreOptions;
  TMenuItem* mnuHelp;
  TMenuItem* mnuAbout;
  TPopupMenu* mnuTray;
  TMenuItem* mnuTrayOptions;
  TMenuItem* mnuRestore;
  TMenuItem* mnuExit;
  TPopupMenu* mnuListBox;
  TTrayIcon* TrayIcon;
  TTimer* SearchTimer;  // 101: the search starts when typing pauses
  TMenuItem* mnuRun;
  TMenuItem* mnuRunAs;
  TMenuItem* mnuProperties;
  TMenuItem* mnuListLine;
  TMenuItem* mnuHome;
  TMenuItem* mnuDeleteLastUsed;

  TSearchModel& Search() { return *FSearch; }

  // Shows the window in front with the search text selected.
  void mnuRestoreClick();
  void HideMainWindow();
  // Ends the program: saves what is to be saved and terminates. Runs once; a failure to save
  // never keeps the program from ending. At the end of the session nothing is asked.
  void mnuExit2Click();
  void Exit(bool mayAsk);
  void mnuHelpClick();
  // The options dialog; with OK the settings are saved and take effect at once.
  void acOptionsExecute();
  void mnuAboutClick();

  void ApplyOpacity();
  void UpdateTrayIcon();
  void RegisterAppHotKey();

  // The search model's view of the window.
  void ListCleared() override;
  void RowInserted(int index) override;
  void SelectFirstRow() override;
  void SetStatusText(const std::string& text) override;
  void ShowIdleStatus() override;
  void HideErrorPanel() override { pErrors->Hide(); }
  void AddErrorLine(const std::string& message) override { AppException(message); }
  TStringList ErrorLines() override { return FErrors; }
  void ProcessMessages() override;
  void AdjustSelection() override;

  // Runs the selected row: a hit through its source, a magic word through the shell.
  void ExecuteItem(bool runAsAdmin);
  // Runs the search box's text as a command line.
  void RunTypedText();
  void DeleteFromLastUsed();
  void mnuHomeClick();

  // An exception that reached the application: a new line at the top of the error list.
  void AppException(const std::string& message);
  const TStringList& Errors() const { return FErrors; }

  bool KeepVisible() const { return FKeepVisible; }
  const std::string& Language() const { return FLanguage; }
  TqmTranslate* Translator() const { return FTranslate.get(); }
  THotKeyManager* HotKeys() const { return FHotKeys; }

  // Minimises every window through the shell; replaced in tests (Wine has no such call).
  static std::function<void()> MinimizeAllWindows;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateComponents();
  void ListBox1DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas);
  void DrawHeaderRow(const std::string& caption, const RECT& rect, TCanvas& canvas);
  void DrawItemRow(TItemData& item, const std::string& text, const RECT& rect, bool selected, TCanvas& canvas);
  void ResultListMouseDown(int x, int y);
  void ResultListMouseMove(int x, int y);
  void FormCreate();
  void CreateSources();
  void CreateListMenu();
  // The item of the selected row; nullptr when none is selected.
  TItemData* SelectedItem() const;
  void Edit1KeyDown(WORD& key, TShiftState shift);
  void ListBox1KeyDown(WORD& key, TShiftState shift);
  void AfterLaunch();
  // The shell opens File, its windows owned by Owner (none: nullptr); a failure raises
  // "ShellExecute error %s" with the shell's own reason.
  void ShellRun(const std::string& verb, const std::string& file, const std::string& parameters,
                const std::string& folder, int show, HWND owner);
  void SetUpTranslation();
  void LoadLanguage();
  void PlaceWindow();
  void FormKeyDown(WORD& key, TShiftState shift);
  void FormResize();
  void AppShowHint(std::string& hint, bool& canShow, THintInfo& info);
  void HotKeyPressed(uint32_t hotKey);
  void StatusBar1DrawPanel(const RECT& rect, TCanvas& canvas);
  void SaveNewTexts();
  std::string LanguageFileName() const;

  TStringList FErrors;
  std::unique_ptr<TqmTranslate> FTranslate;
  TqmTranslateEngineStrings* FEngine = nullptr;
  THotKeyManager* FHotKeys = nullptr;
  TSystemMenu* FSystemMenu = nullptr;
  std::unique_ptr<TSearchTimer> FSearchTimer;
  std::unique_ptr<TSearchModel> FSearch;
  std::vector<TSearchClass*> FSources;  // owned as components, registered in SearchClasses
  WORD FLastKey = 0;                    // the last navigation key
  std::string FLanguage;
  bool FKeepVisible = false;
  bool FExiting = false;
  HWND FCalledFrom = nullptr;  // the window the user was in when this one was last called up
};

extern TMainForm* MainForm;
