#include "ui/Graphics.h"

#include "core/win32/WideText.h"

COLORREF ColorToRGB(TColor color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return color;
}

TFont::TFont(std::string name, int height, unsigned style, TColor color)
    : Color(color), FName(std::move(name)), FHeight(height), FStyle(style) {}

void TFont::Set(const std::string& name, int height, unsigned style) {
  FName = name;
  FHeight = height;
  FStyle = style;
  FHandle.reset();
}

void TFont::SetStyle(unsigned style) {
  FStyle = style;
  FHandle.reset();
}

HFONT TFont::Handle() const {
  if (!FHandle) {
    HFONT font = CreateFontA(FHeight, 0, 0, 0, (FStyle & fsBold) ? FW_BOLD : FW_NORMAL, (FStyle & fsItalic) != 0,
                             (FStyle & fsUnderline) != 0, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, FName.c_str());
    FHandle.reset(font, [](HFONT f) { DeleteObject(f); });
  }
  return FHandle.get();
}

TCanvas::TCanvas(HDC dc) : FDC(dc), FSavedDC(SaveDC(dc)) { SetBkMode(dc, TRANSPARENT); }

TCanvas::~TCanvas() { RestoreDC(FDC, FSavedDC); }

void TCanvas::SetFont(const TFont& font) {
  SelectObject(FDC, font.Handle());
  SetTextColor(FDC, ColorToRGB(font.Color));
}

void TCanvas::FillRect(const RECT& rect) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(BrushColor));
  ::FillRect(FDC, &rect, brush);
  DeleteObject(brush);
}

void TCanvas::Line(int x1, int y1, int x2, int y2, TColor color) {
  HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(color));
  HGDIOBJ old = SelectObject(FDC, pen);
  MoveToEx(FDC, x1, y1, nullptr);
  LineTo(FDC, x2, y2);
  SelectObject(FDC, old);
  DeleteObject(pen);
}

void TCanvas::Polygon(std::span<const POINT> points, TColor color) {
  HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(color));
  HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
  HGDIOBJ oldPen = SelectObject(FDC, pen);
  HGDIOBJ oldBrush = SelectObject(FDC, brush);
  ::Polygon(FDC, points.data(), static_cast<int>(points.size()));
  SelectObject(FDC, oldBrush);
  SelectObject(FDC, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

// The text calls go wide: the narrow ones read bytes in the code page of the font's character
// set, not in ours.
void TCanvas::TextOut(int x, int y, const std::string& text) {
  const std::wstring wide = Utf8ToWide(text);
  ::TextOutW(FDC, x, y, wide.data(), static_cast<int>(wide.size()));
}

int TCanvas::DrawText(const std::string& text, RECT& rect, UINT flags) {
  const std::wstring wide = Utf8ToWide(text);
  return ::DrawTextW(FDC, wide.data(), static_cast<int>(wide.size()), &rect, flags);
}

SIZE TCanvas::TextExtent(const std::string& text) {
  SIZE size{};
  const std::wstring wide = Utf8ToWide(text);
  GetTextExtentPoint32W(FDC, wide.data(), static_cast<int>(wide.size()), &size);
  return size;
}

void TCanvas::DrawIcon(int x, int y, HICON icon, int size) {
  if (icon) DrawIconEx(FDC, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}

RECT TCanvas::ClipRect() const {
  RECT rect{};
  GetClipBox(FDC, &rect);
  return rect;
}

HICON DrawGlyph(int size, TColor colour, const std::function<void(TCanvas& canvas, TColor ink)>& draw) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP image = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  ReleaseDC(nullptr, screen);
  const auto paint = [&](HBITMAP bitmap, TColor background, TColor ink) {
    const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    {
      TCanvas canvas(dc);
      canvas.BrushColor = background;
      canvas.FillRect({0, 0, size, size});
      draw(canvas, ink);
    }
    SelectObject(dc, oldBitmap);
  };
  paint(image, clBlack, colour);
  paint(mask, clWhite, clBlack);
  DeleteDC(dc);
  ICONINFO info{TRUE, 0, 0, mask, image};
  const HICON icon = CreateIconIndirect(&info);
  DeleteObject(image);
  DeleteObject(mask);
  return icon;
}
