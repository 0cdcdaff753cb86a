#include "desktop/win32/qmCtrls.h"

#include <windowsx.h>
#include <uxtheme.h>

#include <vector>

#include "core/qmDfmUtils.h"
#include "desktop/qmCtrls.h"
#include "ui/Clipbrd.h"
#include "ui/ComCtrls.h"
#include "core/win32/WideText.h"

namespace {

constexpr const char* BevelCutNames[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
constexpr const char* AlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
constexpr const char* GripTypeNames[] = {"gtRaised", "gtSunken"};
constexpr const char* TextLayoutNames[] = {"tlTop", "tlCenter", "tlBottom"};
constexpr UINT AlignmentFlags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
constexpr const char* LabelBorderNames[] = {"lbLeft", "lbTop", "lbRight", "lbBottom"};
constexpr const char* BiDiModeNames[] = {"bdLeftToRight", "bdRightToLeft"};

const char* const SettingsSection = "MainSettings";

TqmLabelMenu* SharedLabelMenu = nullptr;

// The colour of a bevel line on the left or top side, or on the right or bottom one: a lowered
// cut is in shadow at the left and top and lit at the right and bottom, a raised one the other
// way round; any other cut takes the control's own colour.
TColor BevelColor(TBevelCut cut, bool leftOrTop, TColor plain) {
  if (cut != bvLowered && cut != bvRaised) return plain;
  return (cut == bvLowered) == leftOrTop ? clBtnShadow : clBtnHighlight;
}

// A one-pixel frame just inside Rect, which then shrinks by that pixel.
void Frame3D(TCanvas& canvas, RECT& rect, TColor topLeft, TColor bottomRight) {
  canvas.Line(rect.left, rect.bottom - 1, rect.left, rect.top, topLeft);
  canvas.Line(rect.left, rect.top, rect.right, rect.top, topLeft);
  canvas.Line(rect.right - 1, rect.top, rect.right - 1, rect.bottom, bottomRight);
  canvas.Line(rect.left, rect.bottom - 1, rect.right, rect.bottom - 1, bottomRight);
  InflateRect(&rect, -1, -1);
}

bool ThemesEnabled() { return IsThemeActive() && IsAppThemed(); }

template <class T>
void SetAndRepaint(TWinControl& control, T& field, T value) {
  if (field == value) return;
  field = value;
  control.Invalidate();
}

// For what takes room around a label's text.
template <class T>
void SetAndResize(TLabel& label, T& field, T value) {
  if (field == value) return;
  field = value;
  if (label.AutoSize) label.AdjustSize();
  label.Invalidate();
}

}  // namespace

void qmCtrlsInitialization() {
  SharedLabelMenu = new TqmLabelMenu(nullptr);
  RegisterClasses<TqmLabel, TqmSplitter, TqmPanel, TqmCheckBox, TqmRadioGroup>();
}

void qmCtrlsFinalization() {
  delete SharedLabelMenu;
  SharedLabelMenu = nullptr;
}

TqmLabelMenu* qmLabelMenu() { return SharedLabelMenu; }

// --- TqmLabelMenu -------------------------------------------------------------------------

TqmLabelMenu::TqmLabelMenu(TComponent* owner) : TPopupMenu(owner) {
  auto* copy = new TMenuItem(this);
  // Never translated: callers may look for this very text.
  copy->Caption = "Kopiraj";
  copy->Tag = 1;
  copy->OnClick = [this](TComponent&) { CopyClick(); };
  Items().Add(copy);
}

void TqmLabelMenu::CopyClick() {
  if (!Label) return;
  SetClipboardText(Label->SelectedText().empty() ? Label->Caption() : Label->SelectedText());
}

// --- TqmLabel -----------------------------------------------------------------------------

TqmLabel::TqmLabel(TComponent* owner) : TLabel(owner) {
  OwnerPaints = true;
  Transparent = false;
  SetParentFont(true);
}

void TqmLabel::describe(TPropertyVisitor& visitor) {
  TLabel::describe(visitor);
  visitor.Set("Border", FBorder, LabelBorderNames, [this](unsigned value) { SetBorder(value); });
  visitor.Integer("BorderWidth", FBorderWidth, [this](int32_t value) { SetBorderWidth(value); });
  visitor.Enumeration("BevelInner", FBevelInner, BevelCutNames,
                      [this](int value) { SetBevelInner(static_cast<TBevelCut>(value)); });
  visitor.Enumeration("BevelOuter", FBevelOuter, BevelCutNames,
                      [this](int value) { SetBevelOuter(static_cast<TBevelCut>(value)); });
  visitor.Enumeration("Alignment", Alignment, AlignmentNames, [this](int value) {
    Alignment = static_cast<TAlignment>(value);
    Invalidate();
  });
  visitor.Enumeration("Layout", Layout, TextLayoutNames, [this](int value) {
    Layout = static_cast<TTextLayout>(value);
    Invalidate();
  });
  visitor.Boolean("ParentFont", ParentFont(), [this](bool value) { SetParentFont(value); });
  visitor.Boolean("CanSelectText", CanSelectText);
  visitor.String("SelectedText", FSelectedText, [this](const std::string& value) { SetSelectedText(value); });
}

void TqmLabel::Loaded() {
  TLabel::Loaded();
  if (!PopupMenu) PopupMenu = SharedLabelMenu;
}

void TqmLabel::CreateParams(TCreateParams& params) {
  // Not the system's static control: the label draws its text, selection and borders itself.
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexQmLabel";
  params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}

void TqmLabel::SetBorder(TLabelBorder value) { SetAndResize(*this, FBorder, value); }
void TqmLabel::SetBorderWidth(int value) { SetAndResize(*this, FBorderWidth, value); }
void TqmLabel::SetBevelInner(TBevelCut value) { SetAndRepaint(*this, FBevelInner, value); }
void TqmLabel::SetBevelOuter(TBevelCut value) { SetAndRepaint(*this, FBevelOuter, value); }

void TqmLabel::SetSelectedText(const std::string& value) {
  if (CanSelectText) SetAndRepaint(*this, FSelectedText, value);
}

// The border width insets the text on every side, so it widens and heightens the label too.
void TqmLabel::AdjustSize() {
  const int growX = (HasBorder(lbLeft) || HasBorder(lbRight) ? 4 : 0) + 2 * FBorderWidth;
  const int growY = (HasBorder(lbTop) || HasBorder(lbBottom) ? 4 : 0) + 2 * FBorderWidth;
  const SIZE text = MeasureText(Width() - growX, TextFlags());
  SetBounds(Left(), Top(), WordWrap ? Width() : text.cx + growX, text.cy + growY);
}

UINT TqmLabel::TextFlags() const {
  return DT_EXPANDTABS | (WordWrap ? DT_WORDBREAK : 0) | (ShowAccelChar ? 0 : DT_NOPREFIX) | AlignmentFlags[Alignment];
}

int TqmLabel::LayoutOffset(TCanvas& canvas, const RECT& rect) {
  if (Layout == tlTop) return 0;
  // An empty caption, or a lone "&" that only marks a key, still takes one line.
  const std::string caption = Caption();
  const bool blank = caption.empty() || (ShowAccelChar && caption == "&");
  RECT measured = rect;
  canvas.DrawText(blank ? " " : caption, measured, TextFlags() | DT_CALCRECT);
  const int room = (rect.bottom - rect.top) - (measured.bottom - measured.top);
  return Layout == tlCenter ? room / 2 : room;
}

int TqmLabel::TextLeft() {
  const RECT r = TextRect();
  if (Alignment == taLeftJustify) return r.left;
  HDC dc = GetDC(FHandle);
  int width = 0;
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    RECT measured = r;
    canvas.DrawText(Caption(), measured, (TextFlags() & ~DT_WORDBREAK) | DT_SINGLELINE | DT_CALCRECT);
    width = measured.right - measured.left;
  }
  ReleaseDC(FHandle, dc);
  return Alignment == taRightJustify ? r.right - width : r.left + (r.right - r.left - width) / 2;
}

// The client area less 2 pixels on each side with a border, then BorderWidth all round.
RECT TqmLabel::TextRect() {
  RECT r = ClientRect();
  if (HasBorder(lbLeft)) r.left += 2;
  if (HasBorder(lbTop)) r.top += 2;
  if (HasBorder(lbRight)) r.right -= 2;
  if (HasBorder(lbBottom)) r.bottom -= 2;
  InflateRect(&r, -FBorderWidth, -FBorderWidth);
  return r;
}

// Selects from where the button went down to X. The caption is measured once, all its prefixes
// in one call, in UTF-16 so that a run never splits a character.
void TqmLabel::SelectTo(int x) {
  if (x == FDownX) return;
  const std::wstring caption = Utf8ToWide(Caption());
  std::vector<int> extents(caption.size());
  HDC dc = GetDC(FHandle);
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    SIZE size;
    GetTextExtentExPointW(dc, caption.data(), static_cast<int>(caption.size()), 0, nullptr, extents.data(), &size);
  }
  ReleaseDC(FHandle, dc);
  const int textLeft = TextLeft();
  const TCaptionSelection run = SelectCaptionRun(extents, FDownX - textLeft, x - textLeft);
  FSelStartPixel = run.StartPixel;
  FSelEndPixel = run.EndPixel;
  SetSelectedText(WideToUtf8(caption.substr(run.Start, run.Length)));
}

LRESULT TqmLabel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      TCanvas canvas(reinterpret_cast<HDC>(wParam));
      canvas.BrushColor = ParentColor && Parent() ? Parent()->Color() : Color();
      canvas.FillRect(ClientRect());
      return 1;
    }
    case WM_SETTEXT: {
      const LRESULT result = TLabel::WndProc(msg, wParam, lParam);
      Invalidate();
      return result;
    }
    case WM_LBUTTONDOWN:
      if (CanSelectText) {
        FDownX = GET_X_LPARAM(lParam);
        SetSelectedText({});
        SetCapture(FHandle);  // the drag may go on beyond the label
      }
      break;
    case WM_MOUSEMOVE:
      // Exactly the left button, held since it went down on this label.
      if (CanSelectText && wParam == MK_LBUTTON && GetCapture() == FHandle) SelectTo(GET_X_LPARAM(lParam));
      break;
    case WM_LBUTTONUP: {
      if (CanSelectText) {
        SelectTo(GET_X_LPARAM(lParam));
        if (GetCapture() == FHandle) ReleaseCapture();
      }
      const LRESULT result = TLabel::WndProc(msg, wParam, lParam);
      if (FocusControl && FocusControl->CanFocus()) FocusControl->SetFocus();
      return result;
    }
    case WM_CONTEXTMENU:
      // The menu knows its label only while it is open.
      if (auto* menu = dynamic_cast<TqmLabelMenu*>(PopupMenu)) {
        menu->Label = this;
        const LRESULT result = TLabel::WndProc(msg, wParam, lParam);
        menu->Label = nullptr;
        return result;
      }
      break;
  }
  return TLabel::WndProc(msg, wParam, lParam);
}

void TqmLabel::Paint(TCanvas& canvas) {
  RECT textRect = TextRect();
  canvas.SetFont(Font());
  textRect.top += LayoutOffset(canvas, textRect);
  RECT r = textRect;
  canvas.DrawText(Caption(), r, TextFlags());
  if (CanSelectText && !FSelectedText.empty()) DrawSelection(canvas, textRect);
  DrawBorders(canvas);
}

// The selected characters again, white on the highlight colour, over their place in the
// caption, which TextRect holds (moved down by the layout).
void TqmLabel::DrawSelection(TCanvas& canvas, const RECT& textRect) {
  const int left = TextLeft();
  const RECT band{left + FSelStartPixel, 0, left + FSelEndPixel, ClientHeight()};
  canvas.BrushColor = clHighlight;
  canvas.FillRect(band);
  TFont font = Font();
  font.Color = clWhite;
  canvas.SetFont(font);
  RECT r{band.left, textRect.top, band.right, textRect.bottom};
  canvas.DrawText(FSelectedText, r, (TextFlags() & ~(DT_CENTER | DT_RIGHT)) | DT_LEFT);
}

// Two lines on each bordered side: the outer one in BevelOuter's colour, the inner one in
// BevelInner's.
void TqmLabel::DrawBorders(TCanvas& canvas) {
  const int width = ClientWidth(), height = ClientHeight();
  for (TLabelBorderSide side : {lbLeft, lbTop, lbRight, lbBottom}) {
    if (!HasBorder(side)) continue;
    const bool leftOrTop = side == lbLeft || side == lbTop;
    for (int depth = 0; depth < 2; ++depth) {
      const TColor color = BevelColor(depth == 0 ? FBevelOuter : FBevelInner, leftOrTop, Color());
      const int x = side == lbLeft ? depth : width - 1 - depth;
      const int y = side == lbTop ? depth : height - 1 - depth;
      if (side == lbLeft || side == lbRight)
        canvas.Line(x, 0, x, height, color);
      else
        canvas.Line(0, y, width, y, color);
    }
  }
}

// --- TqmSplitter --------------------------------------------------------------------------

TqmSplitter::TqmSplitter(TComponent* owner) : TSplitter(owner) {
  OwnerPaints = true;
  Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
}

void TqmSplitter::describe(TPropertyVisitor& visitor) {
  TSplitter::describe(visitor);
  visitor.Boolean("ShowGrip", ShowGrip);
  visitor.Enumeration("GripType", GripType, GripTypeNames);
}

RECT TqmSplitter::GripRect() {
  const int width = Width(), height = Height();
  if (Sideways()) return {2, height / 2 - 15, width - 2, height / 2 + 15};
  return {width / 2 - 15, 2, width / 2 + 15, height - 2};
}

// Points to where the neighbour goes on the next click: towards the splitter's side while the
// neighbour is there, away from it while it is collapsed.
std::array<POINT, 3> TqmSplitter::GripTriangle() {
  const int cx = Width() / 2, cy = Height() / 2;
  const bool towardsStart = (Align() == alLeft || Align() == alTop) != FCollapsed;  // left or up
  const int d = towardsStart ? 2 : -2;
  if (Sideways()) return {{{cx + d, cy - 4}, {cx - d, cy}, {cx + d, cy + 4}}};
  return {{{cx - 4, cy + d}, {cx, cy - d}, {cx + 4, cy + d}}};
}

void TqmSplitter::DrawTriangle(TColor color) {
  if (!ShowGrip || !HandleAllocated()) return;
  HDC dc = GetDC(FHandle);
  {
    TCanvas canvas(dc);
    canvas.Polygon(GripTriangle(), color);
  }
  ReleaseDC(FHandle, dc);
}

void TqmSplitter::Paint(TCanvas& canvas) {
  if (!ShowGrip) return;  // the plain bar's background is all there is
  RECT r = ClientRect();
  canvas.BrushColor = clBtnFace;
  canvas.FillRect(r);
  Frame3D(canvas, r, clBtnShadow, clBtnHighlight);
  if (!FPressed) Frame3D(canvas, r, clBtnHighlight, clBtnShadow);
  const TColor first = GripType == gtRaised ? clWhite : clGray;
  const TColor second = GripType == gtRaised ? clGray : clWhite;
  for (int i = 0; i < (Width() - 2) / 4; ++i) {
    for (int j = 0; j < (Height() - 2) / 4; ++j) {
      canvas.BrushColor = first;
      canvas.FillRect({4 * i + 2, 4 * j + 2, 4 * i + 4, 4 * j + 4});
      canvas.BrushColor = second;
      canvas.FillRect({4 * i + 3, 4 * j + 3, 4 * i + 5, 4 * j + 5});
    }
  }
  canvas.BrushColor = clBtnFace;
  canvas.FillRect(GripRect());
  canvas.Polygon(GripTriangle(), FHover ? clBackground : clInactiveCaption);
}

void TqmSplitter::ToggleCollapse() {
  TWinControl* neighbour = FindControl();
  if (!neighbour) return;
  if (!FCollapsed) FSavedSize = Sideways() ? neighbour->Width() : neighbour->Height();
  const int size = FCollapsed ? FSavedSize : 0;
  if (Sideways())
    neighbour->SetWidth(size);
  else
    neighbour->SetHeight(size);
  FCollapsed = !FCollapsed;
  Invalidate();
}

LRESULT TqmSplitter::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const RECT grip = GripRect();
  switch (msg) {
    case WM_MOUSEMOVE:
      if (!FHover) {
        FHover = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, FHandle, 0};
        TrackMouseEvent(&track);
        DrawTriangle(clActiveCaption);
      }
      break;
    case WM_MOUSELEAVE:
      FHover = false;
      DrawTriangle(clInactiveCaption);
      return 0;
    case WM_LBUTTONDOWN:
      FPressed = true;
      Invalidate();
      if (PtInRect(&grip, p)) {
        SetCapture(FHandle);  // the button may come up outside
        return 0;
      }
      break;  // the bar's own drag starts
    case WM_LBUTTONUP:
      FPressed = false;
      Invalidate();
      // A drag ends wherever the button comes up; only a click on the grip collapses.
      if (!Dragging()) {
        if (GetCapture() == FHandle) ReleaseCapture();
        if (PtInRect(&grip, p)) ToggleCollapse();
        return 0;
      }
      break;
  }
  return TSplitter::WndProc(msg, wParam, lParam);
}

// --- TqmCustomPanel -----------------------------------------------------------------------

TqmCustomPanel::TqmCustomPanel(TComponent* owner) : TPanel(owner) { SetParentFont(true); }

void TqmCustomPanel::DrawBevel(TCanvas& canvas, RECT& rect, TBevelCut cut) {
  if (cut == bvNone) return;
  const TColor topLeft = cut == bvLowered ? clBtnShadow : clBtnHighlight;
  const TColor bottomRight = cut == bvLowered ? clBtnHighlight : clBtnShadow;
  for (int i = 0; i < BevelWidth; ++i) Frame3D(canvas, rect, topLeft, bottomRight);
}

void TqmCustomPanel::Paint(TCanvas& canvas) {
  RECT r = ClientRect();
  if (ThemesEnabled()) {
    if (BevelOuter != bvNone || BevelInner != bvNone)
      Frame3D(canvas, r, clGradientInactiveCaption, clGradientInactiveCaption);
  } else {
    DrawBevel(canvas, r, BevelOuter);
    for (int i = 0; i < BorderWidth; ++i) Frame3D(canvas, r, Color(), Color());
    DrawBevel(canvas, r, BevelInner);
  }
  canvas.BrushColor = Color();
  canvas.FillRect(r);
  DrawCaption(canvas, r);
}

// On one line of the font's height, in the middle of Rect.
void TqmCustomPanel::DrawCaption(TCanvas& canvas, RECT rect) {
  static constexpr UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  canvas.SetFont(Font());
  const int height = canvas.TextHeight("W");
  rect.top += (rect.bottom - rect.top - height) / 2;
  rect.bottom = rect.top + height;
  canvas.DrawText(Caption(), rect, DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_VCENTER | Alignments[Alignment]));
}

void TqmPanel::describe(TPropertyVisitor& visitor) {
  TqmCustomPanel::describe(visitor);
  visitor.Enumeration("Alignment", Alignment, AlignmentNames);
  visitor.Enumeration("BevelInner", BevelInner, BevelCutNames);
  visitor.Enumeration("BevelOuter", BevelOuter, BevelCutNames);
  visitor.Integer("BevelWidth", BevelWidth);
  visitor.Integer("BorderWidth", BorderWidth);
  visitor.Enumeration("BiDiMode", BiDiMode(), BiDiModeNames,
                      [this](int value) { SetBiDiMode(static_cast<TBiDiMode>(value)); });
  visitor.Boolean("ParentFont", ParentFont(), [this](bool value) { SetParentFont(value); });
}

// --- TqmCheckBox --------------------------------------------------------------------------

void TqmCheckBox::SaveSettings(TMemIniFile& ini) { ini.WriteBool(SettingsSection, Name, Checked()); }

void TqmCheckBox::LoadSettings(TMemIniFile& ini) { SetChecked(ini.ReadBool(SettingsSection, Name, Checked())); }

void TqmCheckBox::ShowFocus(bool focused) {
  ParentColor = false;
  if (Font().Color != clWindowText) {
    TFont font = Font();
    font.Color = clWindowText;
    SetFont(font);
  }
  SetColor(focused ? clInfoBk : clWindow);
}

LRESULT TqmCheckBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ShowFocus(msg == WM_SETFOCUS);
      break;
    case WM_CHAR:
      if (wParam == VK_RETURN) {
        SelectNextControlAcrossPages(this, nullptr);
        return 0;
      }
      break;
  }
  return TCheckBox::WndProc(msg, wParam, lParam);
}

// --- TqmRadioGroup ------------------------------------------------------------------------

void TqmRadioGroup::SaveSettings(TMemIniFile& ini) { ini.WriteInteger(SettingsSection, Name, ItemIndex()); }

void TqmRadioGroup::LoadSettings(TMemIniFile& ini) {
  SetItemIndex(ini.ReadInteger(SettingsSection, Name, ItemIndex()));
}
