// The folder-list dialog: the folders a source searches and whether their subfolders count,
// kept in an INI file of the settings folder that the caller names. The mp3 options add to it.
#pragma once

#include <string>

#include "app/win32/FFolder.h"
#include "core/qmMemIni.h"
#include "sources/SearchFolders.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFoldersOptionsForm : public TForm {
 public:
  TFoldersOptionsForm(TComponent* owner, std::string iniFileName);
  const char* ClassName() const override { return "TFoldersOptionsForm"; }

  TListView* eFolders;
  TPanel* Panel1;
  TCheckBox* cbSubFolders;
  TBevel* Bevel1;
  TButton* btnAdd;
  TButton* btnEdit;
  TButton* btnDelete;
  TBitBtn* btnDown;
  TBitBtn* btnUp;
  TButton* btnOk;
  TButton* btnCancel;

  TFolderRows& Rows() { return FRows; }

  void FormShow();
  // Writes the file; it stays open when the file cannot be written.
  void btnOkClick();
  void btnDeleteClick();

 protected:
  // What the dialog keeps in the file; a dialog with more options adds its own.
  virtual void SaveSettings(TMemIniFile& ini);
  virtual void LoadSettings(const TMemIniFile& ini);
  // Places the row of buttons and the line above it (a dialog with more options moves them down).
  void PlaceButtons(int bevelTop, int buttonTop);
  void ShowFolders(const TFolderList& list);
  TFolderList Folders() const;

 private:
  std::string FIniFileName;
  TFolderRows FRows;
};

// Shows the dialog for IniFileName of the settings folder; true after OK, when the file is written.
bool RunFoldersOptions(const std::string& iniFileName, const std::string& caption = "Folders options");
