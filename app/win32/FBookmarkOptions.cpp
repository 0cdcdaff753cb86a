#include "app/win32/FBookmarkOptions.h"

#include <tuple>

#include "app/win32/DialogButtons.h"
#include "core/qmFileUtils.h"
#include "core/qmTranslate.h"
#include "ui/qmMsgBox.h"
#include "sources/SearchChromeBookmarks.h"
#include "sources/SearchFirefoxBookmarks.h"

namespace {

constexpr int LocalAppDataFolder = 28;  // CSIDL_LOCAL_APPDATA

}  // namespace

TBookmarkOptionsForm::TBookmarkOptionsForm(TComponent* owner, TKind kind) : TForm(owner), FKind(std::move(kind)) {
  SetCaption(FKind.Caption);
  SetDialogFrame(*this, 450, 108);

  lblFile = new TLabel(this);
  lblFile->SetCaption(FKind.Label);
  lblFile->SetBounds(10, 15, 80, 16);
  lblFile->SetParent(this);
  eFile = new TEdit(this);
  eFile->Name = FKind.EditName;
  eFile->SetEnabled(false);
  eFile->SetBounds(95, 12, 345, 23);
  eFile->SetParent(this);
  cbLive = new TCheckBox(this);
  cbLive->SetCaption("Live bookmarks");
  cbLive->SetBounds(95, 44, 200, 20);
  cbLive->SetParent(this);

  std::tie(btnOk, btnCancel) = AddOkCancel(*this, *this, 72, 440, mrNone);
  btnOk->OnClick = [this](TComponent&) { btnOkClick(); };
  OnShow = [this](TComponent&) { FormShow(); };
  ActiveControl = cbLive;

  TranslateComponents(*this);
}

void TBookmarkOptionsForm::FormShow() {
  TBookmarkFileOptions options = ReadBookmarkFileOptions(FKind.IniFile, FKind.FileKey);
  if (!os::FileExists(options.FileName)) options.FileName = FKind.FindFile();
  eFile->SetText(options.FileName);
  cbLive->SetChecked(options.LiveBookmarks);
  if (os::FileExists(options.FileName)) return;
  eFile->SetEnabled(true);
  ActiveControl = eFile;
  ShowInfo(TranslateText(FKind.NotFound));
}

void TBookmarkOptionsForm::btnOkClick() {
  WriteBookmarkFileOptions(FKind.IniFile, FKind.FileKey, {eFile->Text(), cbLive->Checked()});
  ModalResult = mrOk;
}

TChromeOptionsForm::TChromeOptionsForm(TComponent* owner)
    : TBookmarkOptionsForm(owner,
                           {"Chrome options", "Bookmarks:", "eBookmarks", ChromeIniFileName(), ChromeFileKey,
                            [] { return FindChromeBookmarks(GetSpecialFolderPath(LocalAppDataFolder)); },
                            "Can't find bookmarks. Find it yourself and paste the whole path to the bookmarks."}) {}

TFirefoxOptionsForm::TFirefoxOptionsForm(TComponent* owner)
    : TBookmarkOptionsForm(owner,
                           {"Firefox options", "Places:", "ePlaces", FirefoxIniFileName(), FirefoxFileKey,
                            [] { return FindFirefoxPlaces(SettingsFolder("Mozilla"), PlacesCopyFileName()); },
                            "Can't find places.sqlite. Find it yourself and paste the whole path to the places."}) {}

bool ShowChromeOptions() { return ShowModalOk<TChromeOptionsForm>(); }

bool ShowFirefoxOptions() { return ShowModalOk<TFirefoxOptionsForm>(); }
