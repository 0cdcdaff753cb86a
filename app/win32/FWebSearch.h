// The editor of one web-search engine of the Internet options' list.
#pragma once

#include "sources/SearchInternet.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TWebSearchForm : public TForm {
 public:
  TWebSearchForm(TComponent* owner, bool adding, TEngineRows& rows);
  const char* ClassName() const override { return "TWebSearchForm"; }

  TLabel* lblEngine;
  TEdit* eEngine;
  TLabel* lblSearchString;
  TEdit* eSearchString;
  TButton* btnOk;
  TButton* btnCancel;

  void ShowRow(const TEngineRow& row);
  // The fields, without the blanks around them (the engine file drops those).
  TEngineRow Row() const;
  // Refuses what cannot be an engine, or the name of another row; the dialog stays open.
  void btnOkClick();

 private:
  bool FAdding;
  TEngineRows& FRows;
};

// Adds a row, or edits the selected one (nothing without a selection).
void EditWebSearch(TComponent* owner, bool adding, TEngineRows& rows);
