// The clipboard source's options: keep-alive, pictures, the history's length and the permanent
// texts, saved to "lorvexclipboard.ini" (the clipboard window reads it at the next start); and
// the viewer chain as it stands, which can be joined again at once.
#pragma once

#include "core/RowList.h"
#include "sources/SearchClipboard.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TClipboardOptionsForm : public TForm {
 public:
  explicit TClipboardOptionsForm(TComponent* owner);
  const char* ClassName() const override { return "TClipboardOptionsForm"; }

  TPageControl* s;
  TTabSheet* tabOptions;
  TCheckBox* cbKeepAlive;
  TCheckBox* cbStoreImages;
  TEdit* eHistory;
  TUpDown* udLastUsed;
  TListView* eItems;
  TButton* btnAddAddFolders;
  TButton* btnEditAddFolders;
  TButton* btnDeleteAddFolders;
  TTabSheet* tabDiagnostics;
  TLabel* Label6;
  TLabel* Label7;
  TButton* btnReestablish;
  TPanel* pButtons;
  TButton* btnOk;
  TButton* btnCancel;

  TRowList<std::string>& Items() { return FItems; }

  void FormShow();
  void btnAddAddFoldersClick();
  void btnEditAddFoldersClick();
  void btnDeleteAddFoldersClick();
  // Writes the file; it stays open when the file cannot be written.
  void btnOkClick();
  void btnReestablishClick();
  void ShowViewerCaptions();
  // The window's title; "Unknown" for none.
  static std::string ViewerCaption(HWND wnd);

 private:
  void CreateOptionsPage();
  void CreateDiagnosticsPage();
  std::string FileName() const;
  TRowList<std::string> FItems;
};

void RunClipboardOptions();
