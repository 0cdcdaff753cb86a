// The About box: the product's name and version, where to reach us, who translated it.
#pragma once

#include <string>

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TAboutForm : public TForm {
 public:
  explicit TAboutForm(TComponent* owner);
  const char* ClassName() const override { return "TAboutForm"; }

  TImage* Image1;
  TLabel* lblVersion;
  TLabel* lblAuthor;
  TLabel* lblMail;
  TLabel* lblLink;
  TLabel* lblLine1;
  TLabel* lblLine2;
  TLabel* lblTranslators;
  TLabel* lblTranslator1;
  TLabel* lblTranslator2;
  TLabel* lblTranslator3;
  TButton* btnOk;

  std::string Link;

  void lblMailClick();
  void lblLinkClick();
};

// The version and the product's page of the running program: "Lorvex 1.2.3.4".
void ShowAbout(const std::string& appName, const std::string& link, const std::string& line1, const std::string& line2);

// The About box as ShowAbout fills it, not yet shown; the caller owns it.
TAboutForm* CreateAbout(const std::string& appName, const std::string& link, const std::string& line1,
                        const std::string& line2);
