// The options of the web-search source: the engines of its engine file, edited in a list that
// reaches the file only with OK.
#pragma once

#include <string>

#include "sources/SearchInternet.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TInternetOptionsForm : public TForm {
 public:
  TInternetOptionsForm(TComponent* owner, std::string fileName);
  const char* ClassName() const override { return "TInternetOptionsForm"; }

  TListView* eWebSearch;
  TPanel* Panel1;
  TButton* btnAddWebSearch;
  TButton* btnEditWebSearch;
  TButton* btnDeleteWebSearch;
  TBitBtn* btnWebSearchDown;
  TBitBtn* btnWebSearchUp;
  TButton* btnOk;
  TButton* btnCancel;

  TEngineRows& Rows() { return FRows; }

  // Reads the engine file; one that cannot be read is told, and the list stays empty.
  void FormShow();
  void btnAddWebSearchClick();
  void btnEditWebSearchClick();
  void btnDeleteWebSearchClick();
  void btnWebSearchUpClick();
  void btnWebSearchDownClick();
  // Writes the rows as the file's engines, its other sections kept; a file that cannot be
  // written is told, and the dialog stays open.
  void btnOkClick();

 private:
  void CreateComponents();
  std::string FFileName;
  TEngineRows FRows;
};

// Shows the dialog over the engine file; true when it closed with OK.
bool ShowInternetOptions(const std::string& fileName);
