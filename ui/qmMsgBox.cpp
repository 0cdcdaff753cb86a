#include "ui/qmMsgBox.h"

#include <memory>
#include <vector>

#include "core/qmDfmUtils.h"
#include "core/qmTranslate.h"

bool MessageBoxGlyphs = true;

namespace {

enum TButtonKind { bkNone, bkOK, bkCancel, bkYes, bkNo, bkAll };

struct TButtonKindInfo {
  const char* Caption;
  int ModalResult;
};

TButtonKindInfo KindInfo(TButtonKind kind) {
  switch (kind) {
    case bkOK:
      return {"&OK", mrOk};
    case bkCancel:
      return {"&Cancel", mrCancel};
    case bkYes:
      return {"&Yes", mrYes};
    case bkNo:
      return {"&No", mrNo};
    case bkAll:
      return {"&All", mrAll};
    case bkNone:
      break;
  }
  return {"", mrNone};
}

// The buttons of each style, btn1 to btn4: filled from the right.
constexpr TButtonKind ButtonRows[5][4] = {
    {bkNone, bkNone, bkNone, bkOK},  {bkNone, bkNone, bkOK, bkCancel}, {bkNone, bkNone, bkYes, bkNo},
    {bkNone, bkYes, bkNo, bkCancel}, {bkYes, bkNo, bkCancel, bkAll},
};

constexpr int GlyphSize = 16;
using TStroke = std::vector<POINT>;

// A 16 x 16 icon of Strokes two pixels wide drawn in Colour.
HICON StrokeGlyph(COLORREF colour, const std::vector<TStroke>& strokes) {
  return DrawGlyph(GlyphSize, colour, [&](TCanvas& canvas, TColor ink) {
    const HPEN pen = CreatePen(PS_SOLID, 2, ColorToRGB(ink));
    const HGDIOBJ oldPen = SelectObject(canvas.Handle(), pen);
    for (const TStroke& stroke : strokes) Polyline(canvas.Handle(), stroke.data(), static_cast<int>(stroke.size()));
    SelectObject(canvas.Handle(), oldPen);
    DeleteObject(pen);
  });
}

// The glyphs the button kinds bring, drawn once: a check mark for OK and Yes, two for All, a
// cross for Cancel and No.
class TButtonGlyphs {
 public:
  TButtonGlyphs()
      : FCheck(StrokeGlyph(RGB(0, 128, 0), {{{2, 8}, {6, 12}, {14, 3}}})),
        FCross(StrokeGlyph(RGB(192, 0, 0), {{{3, 3}, {13, 13}}, {{13, 3}, {3, 13}}})),
        FDoubleCheck(StrokeGlyph(RGB(0, 128, 0), {{{1, 6}, {4, 9}, {10, 2}}, {{5, 10}, {8, 13}, {14, 6}}})) {}
  ~TButtonGlyphs() {
    for (HICON icon : {FCheck, FCross, FDoubleCheck}) DestroyIcon(icon);
  }
  TButtonGlyphs(const TButtonGlyphs&) = delete;
  TButtonGlyphs& operator=(const TButtonGlyphs&) = delete;

  HICON For(TButtonKind kind) const {
    switch (kind) {
      case bkOK:
      case bkYes:
        return FCheck;
      case bkCancel:
      case bkNo:
        return FCross;
      case bkAll:
        return FDoubleCheck;
      case bkNone:
        break;
    }
    return nullptr;
  }

 private:
  HICON FCheck;
  HICON FCross;
  HICON FDoubleCheck;
};

HICON ButtonGlyph(TButtonKind kind) {
  static const TButtonGlyphs glyphs;
  return glyphs.For(kind);
}

TImage* NewIconImage(TComponent* owner, TWinControl* parent, LPCSTR icon) {
  auto* image = new TImage(owner);
  image->SetBounds(10, 16, 32, 32);
  image->SetIcon(LoadIconA(nullptr, icon));
  image->Hide();
  image->SetParent(parent);
  return image;
}

}  // namespace

TqmMessageBox::TqmMessageBox() : TForm(nullptr) {
  BorderStyle = WS_CAPTION | WS_SYSMENU;
  Position = poScreenCenter;
  SetFont(TFont("MS Shell Dlg 2", -14));
  SetColor(clBtnFace);
  SetClientSize(553, 118);
  MinHeight = Height();

  Panel2 = new TPanel(this);
  Panel2->SetHeight(45);
  Panel2->SetAlign(alBottom);
  Panel2->SetParent(this);

  Panel1 = new TPanel(this);
  Panel1->SetAlign(alClient);
  Panel1->SetParent(this);

  imgQuestion = NewIconImage(this, Panel1, reinterpret_cast<LPCSTR>(IDI_QUESTION));
  imgWarning = NewIconImage(this, Panel1, reinterpret_cast<LPCSTR>(IDI_WARNING));
  imgError = NewIconImage(this, Panel1, reinterpret_cast<LPCSTR>(IDI_ERROR));
  imgInfo = NewIconImage(this, Panel1, reinterpret_cast<LPCSTR>(IDI_INFORMATION));

  const TFont textFont("Tahoma", -15);
  lblText = new TLabel(this);
  lblText->WordWrap = true;
  lblText->SetFont(textFont);
  lblText->SetBounds(53, 20, 474, 17);
  lblText->Hide();
  lblText->SetParent(Panel1);

  eText = new TMemo(this);
  eText->ReadOnly = true;
  eText->Border = false;
  eText->TabStop = false;
  eText->SetFont(textFont);
  eText->SetColor(clBtnFace);
  eText->SetBounds(lblText->Left(), lblText->Top(), lblText->Width(), 17);
  eText->SetParent(Panel1);

  Bevel1 = new TBevel(this);
  Bevel1->SetHeight(3);
  Bevel1->SetAlign(alBottom);
  Bevel1->SetParent(Panel1);

  TButton** buttons[] = {&btn1, &btn2, &btn3, &btn4};
  const int lefts[] = {131, 234, 337, 440};
  for (int i = 0; i < 4; ++i) {
    auto* button = new TButton(this);
    button->SetBounds(lefts[i], 8, 97, 28);
    button->TabStop = true;
    button->Hide();
    button->SetParent(Panel2);
    *buttons[i] = button;
  }
  btn4->Show();
  btn4->Default = true;
  DefaultButton = btn4;
}

void TqmMessageBox::SetButtons(uint8_t style) {
  FButtons = style < 5 ? style : 0;
  TButton* buttons[] = {btn1, btn2, btn3, btn4};
  DefaultButton = nullptr;
  CancelButton = nullptr;
  ActiveControl = nullptr;
  for (int i = 0; i < 4; ++i) {
    const TButtonKind kind = ButtonRows[FButtons][i];
    TButton* button = buttons[i];
    button->SetVisible(kind != bkNone);
    const HICON glyph = MessageBoxGlyphs ? ButtonGlyph(kind) : nullptr;
    SendMessageA(button->Handle(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph));
    if (kind == bkNone) continue;
    const TButtonKindInfo info = KindInfo(kind);
    button->SetCaption(info.Caption);
    button->ModalResult = info.ModalResult;
    if (!ActiveControl) ActiveControl = button;
    if (kind == bkOK || kind == bkYes) {
      if (!DefaultButton) DefaultButton = button;
    }
    // Esc answers Cancel where there is one, else No.
    if (kind == bkCancel || (kind == bkNo && !CancelButton)) CancelButton = button;
  }
  if (FButtons == 0) CancelButton = btn4;  // a lone OK answers Esc too
  for (TButton* button : buttons) button->SetDefault(button == DefaultButton);
}

void TqmMessageBox::SetIcon(uint8_t icon) {
  FIcon = icon;
  TImage* images[] = {imgQuestion, imgWarning, imgError, imgInfo};
  for (int i = 0; i < 4; ++i) images[i]->SetVisible(i == icon);
}

void TqmMessageBox::PrepareToShow() {
  Handle();
  lblText->SetCaption(FText);
  lblText->AdjustSize();
  int height = lblText->Height();
  const int limit = GetSystemMetrics(SM_CYSCREEN) / 3 * 2;
  if (height > limit) {
    height = limit;
    lblText->SetHeight(limit);
    eText->SetScrollBars(true);
  }
  eText->SetBounds(lblText->Left(), lblText->Top(), lblText->Width(), height);
  eText->SetText(FText);
  const int needed = Panel2->Height() + height + 50;
  if (needed > ClientHeight()) SetClientSize(ClientWidth(), needed);

  TranslateComponent(*this);
  for (TWinControl* control : Panel2->Controls()) TranslateComponent(*control);
}

TqmMessageBox* CreateMessageBox(const std::string& text, const std::string& caption, uint8_t buttons, uint8_t icon) {
  auto* box = new TqmMessageBox();
  box->SetCaption(caption);
  box->SetText(text);
  box->SetButtons(buttons);
  box->SetIcon(icon);
  return box;
}

int ShowMessageBox(const std::string& text, const std::string& caption, uint8_t buttons, uint8_t icon) {
  std::unique_ptr<TqmMessageBox> box(CreateMessageBox(text, caption, buttons, icon));
  box->PrepareToShow();
  return box->ShowModal();
}

void ShowError(const std::string& text) { ShowMessageBox(text, "Error", 0, 2); }

void ShowErrorAndAbort(const std::string& text) {
  ShowError(text);
  Abort();
}

void ShowInfo(const std::string& text) { ShowMessageBox(text, "Info", 0, 3); }

bool AskYesNo(const std::string& text) { return ShowMessageBox(text, "Question", 2, 0) == mrYes; }

int AskYesNoCancelAll(const std::string& text) { return ShowMessageBox(text, "Question", 4, 0); }

TAnswer TMsgBoxAsker::AskYesNoCancelAll(const std::string& text) {
  switch (::AskYesNoCancelAll(text)) {
    case mrYes:
      return TAnswer::Yes;
    case mrNo:
      return TAnswer::No;
    case mrAll:
      return TAnswer::All;
    default:
      return TAnswer::Cancel;
  }
}

bool DfmTextToComponent(TComponent& component, const TStringList& strings, bool showErrors) {
  return DfmTextToComponent(
      component, strings,
      showErrors ? TReaderErrorHandler([](const std::string& message) { ShowError(message); }) : TReaderErrorHandler());
}
