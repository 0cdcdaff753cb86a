// The options dialog: every setting, the search order, the filters and the magic words, edited
// on copies that reach the settings only with OK.
#pragma once

#include "app/OptionsModel.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

class TOptionsForm : public TForm {
 public:
  // Edits Settings; LanguageFolder holds the language files.
  TOptionsForm(TComponent* owner, TLorvexSettings& settings, const std::string& languageFolder);
  const char* ClassName() const override { return "TOptionsForm"; }

  TPageControl* PageControl1;
  TPanel* pButtons;
  TButton* btnOk;
  TButton* btnCancel;

  TTabSheet* tbDisplay;
  TEdit* eLastUsed;
  TUpDown* udLastUsed;
  TEdit* eOpacity;
  TUpDown* udOpacity;
  TEdit* eHotkey;
  TButton* btnCheck;
  TCheckBox* cbInTray;
  TCheckBox* cbGroupHits;
  TCheckBox* cbUseScoring;
  TCheckBox* cbExeInFront;
  TCheckBox* cbExtendedSearch;
  TCheckBox* cbFolders;
  TComboBox* eLanguage;

  TTabSheet* tbSearch;
  TListView* eSearchFolders;
  TButton* btnAddAddFolders;
  TButton* btnDeleteAddFolders;
  TBitBtn* btnSearchDown;
  TBitBtn* btnSearchUp;
  TButton* btnOptions;

  TTabSheet* tbFilter;
  TListView* eFilter;
  TButton* btnAddFilter;
  TButton* btnEditFilter;
  TButton* btnDeleteFilter;

  TTabSheet* tbMagicWords;
  TListView* eMagicWords;
  TButton* btnAddMagicWord;
  TButton* btnEditMagicWord;
  TButton* btnDeleteMagicWord;
  TButton* btnMoreMagicWords;
  TPopupMenu* PopupMenu1;
  TMenuItem* mnuImportMagicWords;
  TMenuItem* mnuExportMAgicWords;
  TMenuItem* mnuImportSlickRun;

  TTabSheet* tbAdvanced;
  TButton* btnPortable;

  TOpenDialog* OpenDialog1;  // the other launcher's magic words
  TSaveDialog* SaveDialog2;  // exported magic words
  TOpenDialog* OpenDialog2;

  TOptionsModel& Model() { return FModel; }
  // Runs when OK is pressed, before anything reaches the settings (the main window stops its
  // search: the worker reads the settings).
  std::function<void()> OnBeforeStore;

  void FormShow();
  void btnOkClick();
  void btnCheckClick();
  void eSearchFoldersChange();
  void btnAddAddFoldersClick();
  void btnDeleteAddFoldersClick();
  void btnSearchUpClick();
  void btnSearchDownClick();
  void btnOptionsClick();
  void btnAddFilterClick();
  void btnEditFilterClick();
  void btnDeleteFilterClick();
  void btnAddMagicWordClick();
  void btnEditMagicWordClick();
  void btnDeleteMagicWordClick();
  void btnMoreMagicWordsClick();
  void mnuImportMagicWordsClick();
  void mnuExportMAgicWordsClick();
  void mnuImportSlickRunClick();
  void btnPortableClick();

 private:
  void CreateComponents();
  void CreateDisplayPage();
  void CreateSearchPage();
  void CreateFilterPage();
  void CreateMagicWordsPage();
  void CreateAdvancedPage();
  TTabSheet* NewPage(const std::string& caption);
  TPanel* NewButtonBar(TTabSheet* page);
  TButton* NewButton(TWinControl* parent, const std::string& caption, int left, int width = 75);
  TListView* NewListView(TTabSheet* page, std::initializer_list<TListColumn> columns);
  // The source of the selected search-order row; nullptr when none.
  TSearchClass* SelectedSource();

  TOptionsModel FModel;
  std::string FLanguageFolder;
};

// Shows the dialog for the program's settings; true when it closed with OK (the settings are
// then changed, not yet saved).
bool RunOptionsDialog(TComponent* owner, std::function<void()> beforeStore);
