// The options dialogs of the Chrome and the Firefox bookmarks: where the browser's file is (found
// by itself when it can be), and whether a search reads it again only when it has changed.
#pragma once

#include <functional>
#include <string>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TBookmarkOptionsForm : public TForm {
 public:
  const char* ClassName() const override { return "TBookmarkOptionsForm"; }

  TLabel* lblFile;
  TEdit* eFile;  // enabled only when the file must be named by hand
  TCheckBox* cbLive;
  TButton* btnOk;
  TButton* btnCancel;

 protected:
  // What one browser's dialog says and where it keeps its options.
  struct TKind {
    const char* Caption;
    const char* Label;
    const char* EditName;
    std::string IniFile;
    const char* FileKey;
    std::function<std::string()> FindFile;  // the browser's file where it usually lies
    const char* NotFound;                   // told when there is none
  };
  TBookmarkOptionsForm(TComponent* owner, TKind kind);

 private:
  void FormShow();
  void btnOkClick();

  TKind FKind;
};

class TChromeOptionsForm : public TBookmarkOptionsForm {
 public:
  explicit TChromeOptionsForm(TComponent* owner);
  const char* ClassName() const override { return "TChromeOptionsForm"; }
};

class TFirefoxOptionsForm : public TBookmarkOptionsForm {
 public:
  explicit TFirefoxOptionsForm(TComponent* owner);
  const char* ClassName() const override { return "TFirefoxOptionsForm"; }
};

// The dialogs, shown modally: True when they closed with OK.
bool ShowChromeOptions();
bool ShowFirefoxOptions();
