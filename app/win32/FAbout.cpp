#include "app/win32/FAbout.h"

#include <memory>

#include "core/qmTranslate.h"
#include "core/win32/qmUtils.h"
#include "os/os.h"
#include "core/LorvexClasses.h"

namespace {

TLabel* NewLine(TForm* form, const std::string& caption, int top) {
  auto* label = new TLabel(form);
  label->SetCaption(caption);
  label->ShowAccelChar = false;
  label->SetBounds(56, top, 270, 16);
  label->SetParent(form);
  return label;
}

// A label that looks and acts like a link.
void MakeLink(TLabel* label) {
  TFont font = label->Font();
  font.SetStyle(fsUnderline);
  font.Color = clHighlight;
  label->SetFont(font);
  label->Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
}

void MakeBold(TLabel* label) {
  TFont font = label->Font();
  font.SetStyle(fsBold);
  label->SetFont(font);
}

// Opens a document or address the way Explorer would, over the application's window.
void OpenWithShell(const std::string& file) {
  os::TShellOpenRequest request;
  request.File = file;
  request.Owner = reinterpret_cast<uintptr_t>(Application().Handle());
  ShellOpenOrRaise(request);
}

}  // namespace

TAboutForm::TAboutForm(TComponent* owner) : TForm(owner) {
  SetCaption("About");
  BorderStyle = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  Position = poMainFormCenter;
  SetClientSize(342, 340);

  Image1 = new TImage(this);
  Image1->SetBounds(12, 12, 32, 32);
  Image1->SetParent(this);

  lblVersion = NewLine(this, "Lorvex", 14);
  MakeBold(lblVersion);
  lblAuthor = NewLine(this, "Written by the Lorvex developers", 40);
  lblMail = NewLine(this, "lorvex@lorvex.org", 62);
  MakeLink(lblMail);
  lblLink = NewLine(this, "Lorvex on internet", 84);
  MakeLink(lblLink);
  lblLine1 = NewLine(this, "", 118);
  lblLine1->WordWrap = true;
  lblLine2 = NewLine(this, "", 150);
  lblLine2->WordWrap = true;
  lblTranslators = NewLine(this, "Translators:", 192);
  MakeBold(lblTranslators);
  lblTranslator1 = NewLine(this, "English: the Lorvex developers", 214);
  lblTranslator2 = NewLine(this, "Czech: the Lorvex developers", 234);
  lblTranslator3 = NewLine(this, "German: the Lorvex developers", 254);

  btnOk = new TButton(this);
  btnOk->SetCaption("OK");
  btnOk->TabStop = true;
  btnOk->SetDefault(true);
  btnOk->ModalResult = mrOk;
  btnOk->SetBounds(131, 300, 80, 27);
  btnOk->SetParent(this);
  DefaultButton = btnOk;
  CancelButton = btnOk;
  ActiveControl = btnOk;

  lblMail->OnClick = [this](TComponent&) { lblMailClick(); };
  lblLink->OnClick = [this](TComponent&) { lblLinkClick(); };
  TranslateComponents(*this);
}

void TAboutForm::lblMailClick() { OpenWithShell("mailto:" + lblMail->Caption()); }

void TAboutForm::lblLinkClick() { OpenWithShell(Link); }

TAboutForm* CreateAbout(const std::string& appName, const std::string& link, const std::string& line1,
                        const std::string& line2) {
  auto* form = new TAboutForm(nullptr);
  form->SetCaption("About " + appName);
  form->Link = link;
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, 32, 32, LR_SHARED));
  if (!icon) icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  form->Image1->SetIcon(icon);
  form->lblVersion->SetCaption(appName + " " + GetVersionString(os::ExeFileName(), 4));
  form->lblLink->SetCaption(appName + " on internet");
  form->lblLine1->SetCaption(line1);
  form->lblLine2->SetCaption(line2);
  return form;
}

void ShowAbout(const std::string& appName, const std::string& link, const std::string& line1,
               const std::string& line2) {
  std::unique_ptr<TAboutForm> form(CreateAbout(appName, link, line1, line2));
  form->ShowModal();
}
