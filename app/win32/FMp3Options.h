// The mp3 source's options: its folder list, and whether files are found by their tags.
#pragma once

#include "app/win32/FFoldersOptions.h"

class TMp3OptionsForm : public TFoldersOptionsForm {
 public:
  TMp3OptionsForm(TComponent* owner, std::string iniFileName);
  const char* ClassName() const override { return "TMp3OptionsForm"; }

  TCheckBox* cbSearchTags;

 protected:
  void SaveSettings(TMemIniFile& ini) override;
  void LoadSettings(const TMemIniFile& ini) override;
};

// Shows the dialog for IniFileName of the settings folder; true after OK.
bool RunMp3Options(const std::string& iniFileName);
