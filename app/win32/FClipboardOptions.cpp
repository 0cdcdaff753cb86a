#include "app/win32/FClipboardOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "app/win32/FPermanentItem.h"
#include "core/qmTranslate.h"
#include "core/win32/WideText.h"
#include "ui/qmMsgBox.h"
#include "sources/win32/SearchClipboard.h"

namespace {

template <class T>
T* Place(T* control, TWinControl* parent, int left, int top, int width, int height) {
  control->SetBounds(left, top, width, height);
  control->SetParent(parent);
  return control;
}

TLabel* NewLabel(TForm* form, TWinControl* parent, const std::string& caption, int left, int top) {
  auto* label = Place(new TLabel(form), parent, left, top, 350, 16);
  label->SetCaption(caption);
  return label;
}

TCheckBox* NewCheckBox(TForm* form, TWinControl* parent, const std::string& caption, int top) {
  auto* box = Place(new TCheckBox(form), parent, 10, top, 350, 20);
  box->SetCaption(caption);
  return box;
}

}  // namespace

TClipboardOptionsForm::TClipboardOptionsForm(TComponent* owner)
    : TForm(owner), FItems([](const std::string& text, int) { return text; }) {
  SetCaption("Lorvex Clipboard Options");
  SetDialogFrame(*this, 413, 419);
  pButtons = AddBottomPanel(*this);
  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *pButtons, 7, 403, mrNone);
  s = new TPageControl(this);
  s->SetAlign(alClient);
  s->SetParent(this);
  CreateOptionsPage();
  CreateDiagnosticsPage();
  s->SetActivePageIndex(0);
  ActiveControl = cbKeepAlive;

  OnShow = [this](TComponent&) { FormShow(); };
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  TranslateComponents(*this);
  ShowViewerCaptions();
}

void TClipboardOptionsForm::CreateOptionsPage() {
  tabOptions = new TTabSheet(this);
  tabOptions->SetCaption("Options");
  tabOptions->SetPageControl(s);
  cbKeepAlive = NewCheckBox(this, tabOptions, "Keep alive", 10);
  cbStoreImages = NewCheckBox(this, tabOptions, "Store images", 34);
  NewLabel(this, tabOptions, "Number of items to remember:", 10, 67);
  eHistory = Place(new TEdit(this), tabOptions, 220, 64, 50, 23);
  udLastUsed = new TUpDown(this);
  udLastUsed->Min = 2;
  udLastUsed->Max = 20;
  udLastUsed->SetParent(tabOptions);
  udLastUsed->SetAssociate(eHistory);
  NewLabel(this, tabOptions, "Permanent items:", 10, 98);
  eItems = Place(new TListView(this), tabOptions, 10, 117, 383, 170);
  eItems->Columns = {{"Text", 350}};
  eItems->SetRows(&FItems);
  std::tie(btnAddAddFolders, btnEditAddFolders, btnDeleteAddFolders) = AddEditButtons(*this, *tabOptions, 10, 295);

  eItems->OnDblClick = [this](TComponent&) { btnEditAddFoldersClick(); };
  btnAddAddFolders->OnClick = [this](TComponent&) { btnAddAddFoldersClick(); };
  btnEditAddFolders->OnClick = [this](TComponent&) { btnEditAddFoldersClick(); };
  btnDeleteAddFolders->OnClick = [this](TComponent&) { btnDeleteAddFoldersClick(); };
}

void TClipboardOptionsForm::CreateDiagnosticsPage() {
  tabDiagnostics = new TTabSheet(this);
  tabDiagnostics->SetCaption("Diagnostics");
  tabDiagnostics->SetPageControl(s);
  NewLabel(this, tabDiagnostics, "First application in clipboard chain:", 10, 10);
  Label6 = NewLabel(this, tabDiagnostics, "", 20, 30);
  NewLabel(this, tabDiagnostics, "Next application in clipboard chain:", 10, 60);
  Label7 = NewLabel(this, tabDiagnostics, "", 20, 80);
  btnReestablish = NewButton(*this, *tabDiagnostics, "Re-establish connection", 10, 115, 200);
  btnReestablish->OnClick = [this](TComponent&) { btnReestablishClick(); };
}

std::string TClipboardOptionsForm::FileName() const {
  return SettingsFolder("Lorvex") + TClipboardSettings::IniFileName;
}

void TClipboardOptionsForm::FormShow() {
  TClipboardSettings settings;
  settings.StoreImages = true;  // a file that does not say shows pictures kept
  TellFileError([&] { settings.Load(TMemIniFile(FileName())); });
  cbKeepAlive->SetChecked(settings.KeepAlive);
  cbStoreImages->SetChecked(settings.StoreImages);
  eHistory->SetText(settings.HistoryCount);
  FItems.Clear();
  for (const std::string& text : settings.Permanent) FItems.Add(text);
}

void TClipboardOptionsForm::btnAddAddFoldersClick() {
  std::string text;
  if (EditPermanentItem(this, TranslateText("Add permanet item"), text)) FItems.Add(text);
}

void TClipboardOptionsForm::btnEditAddFoldersClick() {
  if (!FItems.HasSelection()) return;
  std::string text = *FItems.Selected();
  if (EditPermanentItem(this, TranslateText("Edit permanet item"), text)) FItems.Replace(FItems.ItemIndex(), text);
}

void TClipboardOptionsForm::btnDeleteAddFoldersClick() {
  if (FItems.HasSelection() && AskYesNo(TranslateText("Delete selected permanet item?")))
    FItems.Delete(FItems.ItemIndex());
}

void TClipboardOptionsForm::btnOkClick() {
  const bool saved = TellFileError([this] {
    TMemIniFile ini(FileName());
    TClipboardSettings settings;
    settings.KeepAlive = cbKeepAlive->Checked();
    settings.StoreImages = cbStoreImages->Checked();
    settings.HistoryCount = eHistory->Text();
    settings.Permanent = FItems.Items();
    settings.Save(ini);
    ini.UpdateFile();
  });
  if (saved) ModalResult = mrOk;
}

void TClipboardOptionsForm::btnReestablishClick() {
  if (TClipboardViewer* viewer = ClipboardWindow()) {
    viewer->LeaveChain();
    viewer->JoinChain();
  }
  ShowViewerCaptions();
}

void TClipboardOptionsForm::ShowViewerCaptions() {
  const TClipboardViewer* viewer = ClipboardWindow();
  Label6->SetCaption(ViewerCaption(GetClipboardViewer()));
  Label7->SetCaption(ViewerCaption(viewer ? viewer->NextViewer() : nullptr));
}

std::string TClipboardOptionsForm::ViewerCaption(HWND wnd) {
  if (!wnd) return "Unknown";
  wchar_t text[254] = L"";
  GetWindowTextW(wnd, text, 254);
  return WideToUtf8(text);
}

void RunClipboardOptions() {
  TClipboardOptionsForm form(nullptr);
  form.ShowModal();
}
