#include "app/win32/FOptions.h"

#include <memory>
#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/FAdditionalFolders.h"
#include "app/win32/FFilter.h"
#include "app/win32/FMagicWords.h"
#include "core/qmFileUtils.h"
#include "core/qmTranslate.h"
#include "desktop/win32/HotKeyManager.h"
#include "ui/qmMsgBox.h"

namespace {

constexpr int ButtonTop = 6;

}  // namespace

TOptionsForm::TOptionsForm(TComponent* owner, TLorvexSettings& settings, const std::string& languageFolder)
    : TForm(owner), FModel(settings), FLanguageFolder(languageFolder) {
  CreateComponents();
  TranslateComponents(*this);
}

// --- Layout ---------------------------------------------------------------------------------

void TOptionsForm::CreateComponents() {
  SetCaption("Lorvex Options");
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poScreenCenter;
  SetClientSize(585, 407);
  MinWidth = 591;
  MinHeight = 435;

  pButtons = new TPanel(this);
  pButtons->SetHeight(41);
  pButtons->SetAlign(alBottom);
  pButtons->SetParent(this);
  // OK stores the edits before it closes.
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *pButtons, ButtonTop, 580, mrNone);

  PageControl1 = new TPageControl(this);
  PageControl1->TabStop = true;
  PageControl1->SetAlign(alClient);
  PageControl1->SetParent(this);
  CreateDisplayPage();
  CreateSearchPage();
  CreateFilterPage();
  CreateMagicWordsPage();
  CreateAdvancedPage();
  PageControl1->SetActivePageIndex(0);

  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->Filter = "MagicWord packs (*.qrs)|*.qrs|All files (*.*)|*.*";
  SaveDialog2 = new TSaveDialog(this);
  SaveDialog2->DefaultExt = "lmw";
  SaveDialog2->Filter = "Lorvex files (*.lmw)|*.lmw|All files (*.*)|*.*";
  OpenDialog2 = new TOpenDialog(this);
  OpenDialog2->Filter = "Lorvex files (*.lmw)|*.lmw|All files (*.*)|*.*";

  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  OnShow = [this](TComponent&) { FormShow(); };
  ActiveControl = eLastUsed;
}

TTabSheet* TOptionsForm::NewPage(const std::string& caption) {
  auto* page = new TTabSheet(this);
  page->SetCaption(caption);
  page->SetPageControl(PageControl1);
  return page;
}

TButton* TOptionsForm::NewButton(TWinControl* parent, const std::string& caption, int left, int width) {
  auto* button = new TButton(this);
  button->SetCaption(caption);
  button->TabStop = true;
  button->SetBounds(left, ButtonTop, width, 27);
  button->SetParent(parent);
  return button;
}

TPanel* TOptionsForm::NewButtonBar(TTabSheet* page) {
  auto* bar = new TPanel(this);
  bar->SetHeight(39);
  bar->SetAlign(alBottom);
  bar->SetParent(page);
  return bar;
}

TListView* TOptionsForm::NewListView(TTabSheet* page, std::initializer_list<TListColumn> columns) {
  auto* view = new TListView(this);
  view->TabStop = true;
  view->Columns = columns;
  view->SetAlign(alClient);
  view->SetParent(page);
  return view;
}

void TOptionsForm::CreateDisplayPage() {
  tbDisplay = NewPage("Display");
  tbDisplay->BorderWidth = 10;
  auto label = [this](const std::string& caption, int top) {
    auto* result = new TLabel(this);
    result->SetCaption(caption);
    result->SetBounds(10, top + 3, 190, 16);
    result->SetParent(tbDisplay);
    return result;
  };
  auto edit = [this](int top, int width) {
    auto* result = new TEdit(this);
    result->TabStop = true;
    result->SetBounds(210, top, width, 23);
    result->SetParent(tbDisplay);
    return result;
  };
  auto upDown = [this](TEdit* buddy, int min, int max, int increment) {
    auto* result = new TUpDown(this);
    result->Min = min;
    result->Max = max;
    result->Increment = increment;
    result->SetParent(tbDisplay);
    result->SetAssociate(buddy);
    return result;
  };

  label("Number of last used items:", 10);
  eLastUsed = edit(10, 60);
  udLastUsed = upDown(eLastUsed, 2, 20, 1);
  label("Opacity (%):", 42);
  eOpacity = edit(42, 60);
  udOpacity = upDown(eOpacity, 10, 100, 10);
  label("Hotkey:", 74);
  eHotkey = edit(74, 150);
  btnCheck = NewButton(tbDisplay, "Check", 366, 80);
  btnCheck->SetTop(72);
  btnCheck->OnClick = [this](TComponent&) { btnCheckClick(); };

  int top = 112;
  auto check = [this, &top](const std::string& caption) {
    auto* box = new TCheckBox(this);
    box->SetCaption(caption);
    box->TabStop = true;
    box->SetBounds(10, top, 400, 20);
    box->SetParent(tbDisplay);
    top += 24;
    return box;
  };
  cbInTray = check("Show Lorvex icon in tray");
  cbGroupHits = check("Group items");
  cbUseScoring = check("Use scoring for items");
  cbExeInFront = check("Executable items on top");
  cbExtendedSearch = check("Extended search");
  cbFolders = check("Show folders as hits");

  label("Language:", top + 10);
  eLanguage = new TComboBox(this);
  eLanguage->TabStop = true;
  eLanguage->SetBounds(210, top + 10, 200, 23);
  eLanguage->SetParent(tbDisplay);
  // Translated with the form; the language names added when shown stay as they are.
  eLanguage->AddItem("Default (no translations)");
}

void TOptionsForm::CreateSearchPage() {
  tbSearch = NewPage("Search");
  TPanel* bar = NewButtonBar(tbSearch);
  btnAddAddFolders = NewButton(bar, "&Add", 0);
  btnDeleteAddFolders = NewButton(bar, "&Remove", 81);
  btnSearchDown = new TArrowButton(this, false);
  btnSearchDown->Hint = "Move down";
  btnSearchDown->SetBounds(165, ButtonTop, 27, 27);
  btnSearchDown->SetParent(bar);
  btnSearchUp = new TArrowButton(this, true);
  btnSearchUp->Hint = "Move up";
  btnSearchUp->SetBounds(195, ButtonTop, 27, 27);
  btnSearchUp->SetParent(bar);
  btnOptions = NewButton(bar, "Options", 480);
  btnOptions->SetEnabled(false);
  eSearchFolders = NewListView(tbSearch, {{"Search", 350}, {"Details", 190}});
  eSearchFolders->SetRows(&FModel.SearchOrder);

  eSearchFolders->OnChange = [this](TComponent&) { eSearchFoldersChange(); };
  btnAddAddFolders->OnClick = [this](TComponent&) { btnAddAddFoldersClick(); };
  btnDeleteAddFolders->OnClick = [this](TComponent&) { btnDeleteAddFoldersClick(); };
  btnSearchUp->OnClick = [this](TComponent&) { btnSearchUpClick(); };
  btnSearchDown->OnClick = [this](TComponent&) { btnSearchDownClick(); };
  btnOptions->OnClick = [this](TComponent&) { btnOptionsClick(); };
}

void TOptionsForm::CreateFilterPage() {
  tbFilter = NewPage("Filter");
  TPanel* bar = NewButtonBar(tbFilter);
  btnAddFilter = NewButton(bar, "&Add", 0);
  btnEditFilter = NewButton(bar, "&Edit", 81);
  btnDeleteFilter = NewButton(bar, "&Delete", 162);
  eFilter = NewListView(tbFilter, {{"Filter type", 100}, {"Value", 200}, {"Filter action", 100}});
  eFilter->SetRows(&FModel.Filters);

  eFilter->OnDblClick = [this](TComponent&) { btnEditFilterClick(); };
  btnAddFilter->OnClick = [this](TComponent&) { btnAddFilterClick(); };
  btnEditFilter->OnClick = [this](TComponent&) { btnEditFilterClick(); };
  btnDeleteFilter->OnClick = [this](TComponent&) { btnDeleteFilterClick(); };
}

void TOptionsForm::CreateMagicWordsPage() {
  tbMagicWords = NewPage("Magic words");
  TPanel* bar = NewButtonBar(tbMagicWords);
  btnAddMagicWord = NewButton(bar, "&Add", 0);
  btnEditMagicWord = NewButton(bar, "&Edit", 81);
  btnDeleteMagicWord = NewButton(bar, "&Delete", 162);
  btnMoreMagicWords = NewButton(bar, "More", 480);
  eMagicWords = NewListView(
      tbMagicWords,
      {{"Magic word", 85}, {"Description", 95}, {"Execute string", 190}, {"Parameters", 95}, {"Run as", 55}});
  eMagicWords->SetRows(&FModel.MagicWords);

  PopupMenu1 = new TPopupMenu(this);
  auto item = [this](const std::string& caption, std::function<void()> action) {
    auto* result = new TMenuItem(this);
    result->Caption = caption;
    if (action) result->OnClick = [action = std::move(action)](TComponent&) { action(); };
    PopupMenu1->Items().Add(result);
    return result;
  };
  mnuImportMagicWords = item("Import magic words", [this] { mnuImportMagicWordsClick(); });
  mnuExportMAgicWords = item("Export magic words", [this] { mnuExportMAgicWordsClick(); });
  item("-", nullptr);
  mnuImportSlickRun = item("Import SlickRun magic words", [this] { mnuImportSlickRunClick(); });

  eMagicWords->OnDblClick = [this](TComponent&) { btnEditMagicWordClick(); };
  btnAddMagicWord->OnClick = [this](TComponent&) { btnAddMagicWordClick(); };
  btnEditMagicWord->OnClick = [this](TComponent&) { btnEditMagicWordClick(); };
  btnDeleteMagicWord->OnClick = [this](TComponent&) { btnDeleteMagicWordClick(); };
  btnMoreMagicWords->OnClick = [this](TComponent&) { btnMoreMagicWordsClick(); };
}

void TOptionsForm::CreateAdvancedPage() {
  tbAdvanced = NewPage("Advanced");
  btnPortable = NewButton(tbAdvanced, "Prepare Lorvex to run as portable version", 10, 330);
  btnPortable->SetTop(10);
  btnPortable->OnClick = [this](TComponent&) { btnPortableClick(); };
}

// --- Loading and storing --------------------------------------------------------------------

void TOptionsForm::FormShow() {
  FModel.Load(FLanguageFolder);
  udLastUsed->SetPosition(FModel.MaxHits);
  udOpacity->SetPosition(FModel.Opacity);
  eHotkey->SetText(FModel.HotKey);
  cbInTray->SetChecked(FModel.InTray);
  cbGroupHits->SetChecked(FModel.GroupHits);
  cbUseScoring->SetChecked(FModel.UseScoring);
  cbExeInFront->SetChecked(FModel.ExeInFront);
  cbExtendedSearch->SetChecked(FModel.ExtendedSearch);
  cbFolders->SetChecked(FModel.FoldersAreHits);

  // Only the fixed first item stays from an earlier showing.
  const std::string defaultLanguage = eLanguage->ItemText(0);
  eLanguage->Clear();
  eLanguage->AddItem(defaultLanguage);
  for (const std::string& language : FModel.Languages) eLanguage->AddItem(language);
  eLanguage->SetItemIndex(FModel.LanguageIndex);
  eSearchFoldersChange();
  // The main window set the hourglass before making the dialog.
  SetScreenCursor(nullptr);
}

void TOptionsForm::btnOkClick() {
  if (OnBeforeStore) OnBeforeStore();
  FModel.MaxHits = udLastUsed->Position();
  FModel.Opacity = udOpacity->Position();
  FModel.HotKey = eHotkey->Text();
  FModel.InTray = cbInTray->Checked();
  FModel.GroupHits = cbGroupHits->Checked();
  FModel.UseScoring = cbUseScoring->Checked();
  FModel.ExeInFront = cbExeInFront->Checked();
  FModel.ExtendedSearch = cbExtendedSearch->Checked();
  FModel.FoldersAreHits = cbFolders->Checked();
  FModel.LanguageIndex = std::max(0, eLanguage->ItemIndex());
  FModel.Store();
  ModalResult = mrOk;
}

// --- Display page ---------------------------------------------------------------------------

void TOptionsForm::btnCheckClick() {
  const uint32_t hotKey = TextToHotKey(eHotkey->Text(), true);
  if (hotKey != 0 && hotKey == static_cast<uint32_t>(FModel.Settings().RegisteredHotKey))
    ShowInfo(TranslateText("This hotkey is available."));
  else if (hotKey == 0)
    ShowError(TranslateText(
        "Unknown hotkey. Use any combination of Ctrl, Alt, Shift or Win with character. Example (Ctrl+Alt+S)."));
  else if (HotKeyAvailable(hotKey))
    ShowInfo(TranslateText("This hotkey is available."));
  else
    ShowError(TranslateText("This hotkey is NOT available."));
}

// --- Search page ----------------------------------------------------------------------------

TSearchClass* TOptionsForm::SelectedSource() {
  const TSearchOrderRow* row = FModel.SearchOrder.Selected();
  return row ? FindSearchClass(row->Name) : nullptr;
}

void TOptionsForm::eSearchFoldersChange() {
  TSearchClass* source = SelectedSource();
  btnOptions->SetEnabled(source && source->HasOptions());
}

void TOptionsForm::btnAddAddFoldersClick() {
  if (EditSearchOrderEntry(this, true, FModel.SearchOrder) != mrOk) return;
  const int last = FModel.SearchOrder.RowCount() - 1;
  if (last < 0) return;
  TSearchClass* source = FindSearchClass(FModel.SearchOrder[last].Name);
  if (source && source->HasOptions()) source->ShowOptions();
}

void TOptionsForm::btnDeleteAddFoldersClick() {
  if (!FModel.SearchOrder.HasSelection()) return;
  TMsgBoxAsker asker;
  DeleteSelectedListItem(FModel.SearchOrder, FModel.SearchOrder.CellText(FModel.SearchOrder.ItemIndex(), 0), asker);
}

void TOptionsForm::btnSearchUpClick() { MoveListItemUp(FModel.SearchOrder); }

void TOptionsForm::btnSearchDownClick() { MoveListItemDown(FModel.SearchOrder); }

void TOptionsForm::btnOptionsClick() {
  TSearchClass* source = SelectedSource();
  if (source && source->HasOptions()) source->ShowOptions();
}

// --- Filter page ----------------------------------------------------------------------------

void TOptionsForm::btnAddFilterClick() { EditFilter(this, true, FModel.Filters); }

void TOptionsForm::btnEditFilterClick() { EditFilter(this, false, FModel.Filters); }

void TOptionsForm::btnDeleteFilterClick() {
  if (!FModel.Filters.HasSelection()) return;
  TMsgBoxAsker asker;
  DeleteSelectedListItem(FModel.Filters, FModel.Filters.Selected()->Value, asker);
}

// --- Magic-word page ------------------------------------------------------------------------

void TOptionsForm::btnAddMagicWordClick() { EditMagicWord(this, true, FModel.MagicWords); }

void TOptionsForm::btnEditMagicWordClick() { EditMagicWord(this, false, FModel.MagicWords); }

void TOptionsForm::btnDeleteMagicWordClick() {
  if (!FModel.MagicWords.HasSelection()) return;
  TMsgBoxAsker asker;
  DeleteSelectedListItem(FModel.MagicWords, FModel.MagicWords.Selected()->MagicWord, asker);
}

void TOptionsForm::btnMoreMagicWordsClick() {
  POINT corner{0, btnMoreMagicWords->Height()};
  ClientToScreen(btnMoreMagicWords->Handle(), &corner);
  PopupMenu1->Popup(corner.x, corner.y, Handle());
}

namespace {

// A file that cannot be read or written is told at once, over the dialog, which stays open.
void ReportFileErrors(const std::function<void()>& action) {
  try {
    action();
  } catch (const EInOutError& e) {
    ShowError(e.Message());
  }
}

}  // namespace

void TOptionsForm::mnuImportMagicWordsClick() {
  if (!OpenDialog2->Execute()) return;
  ReportFileErrors([this] { FModel.ImportMagicWords(OpenDialog2->FileName); });
}

void TOptionsForm::mnuExportMAgicWordsClick() {
  if (!SaveDialog2->Execute()) return;
  ReportFileErrors([this] { FModel.ExportMagicWords(SaveDialog2->FileName); });
}

void TOptionsForm::mnuImportSlickRunClick() {
  if (!OpenDialog1->Execute()) return;
  ReportFileErrors([this] {
    TBusyCursor busy;
    TMsgBoxAsker asker;
    FModel.ImportSlickRun(OpenDialog1->FileName, asker);
  });
}

// --- Advanced page --------------------------------------------------------------------------

void TOptionsForm::btnPortableClick() {
  std::string folder;
  if (!BrowseForFolder(TranslateText("Select folder"), L"", folder, false)) return;
  TPortableCopy plan;
  try {
    plan = PlanPortableCopy(ExeFolder(), folder);
  } catch (const Exception& e) {
    ShowError(TranslateText(e.Message()));
    return;
  }
  std::vector<std::string> failed;
  {
    TBusyCursor busy;
    failed = MakePortableCopy(plan);
  }
  if (failed.empty()) return;
  std::string list;
  for (const std::string& file : failed) list += "\r\n" + file;
  ShowError(TranslateFormat("These files could not be copied:%s", {list}));
}

// --- The action -----------------------------------------------------------------------------

bool RunOptionsDialog(TComponent* owner, std::function<void()> beforeStore) {
  TOptionsForm form(owner, AppSettings(), ExeFolder());
  form.OnBeforeStore = std::move(beforeStore);
  return form.ShowModal() == mrOk;
}
