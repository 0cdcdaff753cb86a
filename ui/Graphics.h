// Fonts, colours and a canvas over a device context.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <span>
#include <string>

using TColor = COLORREF;

// System colours by their GetSysColor index, as TColor values that resolve on use.
constexpr TColor SysColor(int index) { return 0x80000000u | static_cast<TColor>(index); }
inline constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
inline constexpr TColor clWindow = SysColor(COLOR_WINDOW);
inline constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
inline constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
inline constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
inline constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
inline constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
inline constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
inline constexpr TColor clRed = RGB(255, 0, 0);
inline constexpr TColor clBlack = RGB(0, 0, 0);
inline constexpr TColor clWhite = RGB(255, 255, 255);
inline constexpr TColor clGray = RGB(128, 128, 128);
inline constexpr TColor clNone = 0x1FFFFFFFu;

// The RGB value of a colour, system colours resolved.
COLORREF ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4 };

// A font description with its GDI object made on demand.
class TFont {
 public:
  TFont(std::string name = "MS Shell Dlg 2", int height = -13, unsigned style = 0, TColor color = clWindowText);

  const std::string& Name() const { return FName; }
  int Height() const { return FHeight; }
  unsigned Style() const { return FStyle; }
  TColor Color = clWindowText;

  void Set(const std::string& name, int height, unsigned style = 0);
  void SetStyle(unsigned style);
  HFONT Handle() const;

 private:
  std::string FName;
  int FHeight;
  unsigned FStyle;
  mutable std::shared_ptr<std::remove_pointer_t<HFONT>> FHandle;
};

// Drawing on a device context: selected objects are restored when the canvas goes.
class TCanvas {
 public:
  explicit TCanvas(HDC dc);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return FDC; }
  void SetFont(const TFont& font);
  TColor BrushColor = clWindow;

  void FillRect(const RECT& rect);
  // A one-pixel line from (X1, Y1) up to, not including, (X2, Y2).
  void Line(int x1, int y1, int x2, int y2, TColor color);
  // A polygon filled and outlined in one colour.
  void Polygon(std::span<const POINT> points, TColor color);
  void TextOut(int x, int y, const std::string& text);
  // DrawText with the given flags; answers the height drawn or computed.
  int DrawText(const std::string& text, RECT& rect, UINT flags);
  SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  void DrawIcon(int x, int y, HICON icon, int size);
  RECT ClipRect() const;

 private:
  HDC FDC;
  HGDIOBJ FOldFont = nullptr;
  int FSavedDC;
};

// A Size x Size icon of what Draw puts on a canvas in Ink; the rest is transparent. Draw runs
// twice: on the picture with Colour as Ink over black, and on its mask with black over white.
HICON DrawGlyph(int size, TColor colour, const std::function<void(TCanvas& canvas, TColor ink)>& draw);
