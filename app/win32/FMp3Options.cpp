#include "app/win32/FMp3Options.h"

#include "core/qmTranslate.h"

TMp3OptionsForm::TMp3OptionsForm(TComponent* owner, std::string iniFileName)
    : TFoldersOptionsForm(owner, std::move(iniFileName)) {
  // The inherited part is translated already: only the new texts are.
  SetCaption(TranslateText("Mp3 options"));
  SetClientSize(634, 346);
  Panel1->SetHeight(122);
  cbSearchTags = new TCheckBox(this);
  cbSearchTags->SetCaption(TranslateText("Search Mp3 tags"));
  cbSearchTags->TabStop = true;
  cbSearchTags->SetBounds(16, 29, 200, 17);
  cbSearchTags->SetParent(Panel1);
  PlaceButtons(56, 78);
}

void TMp3OptionsForm::LoadSettings(const TMemIniFile& ini) {
  TFoldersOptionsForm::LoadSettings(ini);
  cbSearchTags->SetChecked(ini.ReadBool("Options", "SearchTags", false));
}

void TMp3OptionsForm::SaveSettings(TMemIniFile& ini) {
  TFoldersOptionsForm::SaveSettings(ini);
  ini.WriteBool("Options", "SearchTags", cbSearchTags->Checked());
}

bool RunMp3Options(const std::string& iniFileName) {
  TMp3OptionsForm form(nullptr, iniFileName);
  return form.ShowModal() == mrOk;
}
