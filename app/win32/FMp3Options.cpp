#include "app/win32/FMp3Options.h"

#include "app/win32/DialogButtons.h"
#include "core/qmTranslate.h"
#include "sources/SearchMp3.h"

TMp3OptionsForm::TMp3OptionsForm(TComponent* owner, std::string iniFileName)
    : TFoldersOptionsForm(owner, std::move(iniFileName)) {
  // The inherited part is translated already: only the new texts are.
  SetCaption(TranslateText("Mp3 options"));
  SetClientSize(634, 346);
  Panel1->SetHeight(122);
  cbSearchTags = new TCheckBox(this);
  cbSearchTags->SetCaption(TranslateText("Search Mp3 tags"));
  cbSearchTags->SetBounds(16, 29, 200, 17);
  cbSearchTags->SetParent(Panel1);
  PlaceButtons(56, 78);
}

void TMp3OptionsForm::LoadSettings(const TMemIniFile& ini) {
  TMp3Settings settings;
  settings.Load(ini);
  ShowFolders(settings.List);
  cbSearchTags->SetChecked(settings.SearchTags);
}

void TMp3OptionsForm::SaveSettings(TMemIniFile& ini) { TMp3Settings{Folders(), cbSearchTags->Checked()}.Save(ini); }

bool RunMp3Options(const std::string& iniFileName) { return ShowModalOk<TMp3OptionsForm>(iniFileName); }
