// Painting the result list's rows (group headers; hits with their icons, marked names and second
// lines) and the status bar.
#include "app/win32/FMain.h"

#include <algorithm>

#include "app/RowHighlight.h"
#include "app/win32/ItemIcons.h"
#include "core/win32/qmUtils.h"

namespace {

// Text shortened with a path ellipsis to Width pixels in Font. Measured on a DC of its own:
// a painting DC's clip box shrinks to the part being repainted (say, where a hint was).
std::string FitPathToWidth(const std::string& text, const TFont& font, int width) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, std::max(width, 1), 1);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont = SelectObject(dc, font.Handle());
  const std::string fitted = FitPathToRect(text, dc);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return fitted;
}

}  // namespace

void TMainForm::ListBox1DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas) {
  canvas.FillRect(rect);  // in the colours the list chose for the row
  if (!FSearch || index < 0 || index >= FSearch->List().Count()) return;
  TItemData& item = FSearch->List().Item(index);
  const std::string& text = FSearch->List().Text(index);
  if (item.Kind == ikGroupHeader)
    DrawHeaderRow(text, rect, canvas);
  else
    DrawItemRow(item, text, rect, (state & odSelected) != 0, canvas);
}

void TMainForm::DrawHeaderRow(const std::string& caption, const RECT& rect, TCanvas& canvas) {
  canvas.BrushColor = SysColor(COLOR_INACTIVECAPTION);
  canvas.FillRect(rect);
  canvas.BrushColor = SysColor(COLOR_ACTIVECAPTION);
  canvas.FillRect(RECT{rect.left, rect.top, rect.right, rect.top + 5});
  canvas.FillRect(RECT{rect.left, rect.bottom - 5, rect.right, rect.bottom});
  canvas.BrushColor = SysColor(COLOR_INACTIVECAPTION);

  TFont font = ResultList->Font();
  font.SetStyle(fsBold);
  font.Color = SysColor(COLOR_INACTIVECAPTIONTEXT);
  canvas.SetFont(font);
  RECT clip = rect;
  clip.right -= GetSystemMetrics(SM_CXVSCROLL);
  HDC dc = canvas.Handle();
  HRGN region = CreateRectRgnIndirect(&clip);
  SelectClipRgn(dc, region);
  DeleteObject(region);
  const std::string shown = FitPathToWidth(caption, font, clip.right - clip.left);
  canvas.TextOut(rect.left + 8, rect.top + (rect.bottom - rect.top - canvas.TextHeight(shown)) / 2, shown);
  SelectClipRgn(dc, nullptr);
  canvas.SetFont(ResultList->Font());  // our font goes with this call
}

void TMainForm::DrawItemRow(TItemData& item, const std::string& text, const RECT& rect, bool selected,
                            TCanvas& canvas) {
  if (HICON icon = RowIcon(item)) canvas.DrawIcon(rect.left + 2, rect.top + 2, icon, 32);

  // The name, with the typed text in bold; a default list has nothing typed to mark.
  TFont regular = ResultList->Font();
  regular.Color = selected ? clHighlightText : clWindowText;
  TFont bold = regular;
  bold.SetStyle(fsBold);
  const std::vector<TSegment> segments = FSearch->ListMode() != lmSearchResults
                                             ? std::vector<TSegment>{{text, false}}
                                             : HighlightSegments(text, FSearch->SearchText(), item.DrawType);
  int x = rect.left + 44;
  for (const TSegment& segment : segments) {
    canvas.SetFont(segment.Bold ? bold : regular);
    canvas.TextOut(x, rect.top + 2, segment.Text);
    x += canvas.TextWidth(segment.Text);
  }

  const int smallHeight = -MulDiv(7, GetDeviceCaps(canvas.Handle(), LOGPIXELSY), 72);
  const TFont small(regular.Name(), smallHeight, 0, selected ? RGB(0xC0, 0xC0, 0xC0) : RGB(0x80, 0x80, 0x80));
  canvas.SetFont(small);
  canvas.TextOut(rect.left + 44, rect.bottom - 16, "  " + item.Description);  // translated where the item was made
  canvas.SetFont(ResultList->Font());                                         // our fonts go with this call
}

void TMainForm::StatusBar1DrawPanel(const RECT& rect, TCanvas& canvas) {
  RECT clip = rect;
  clip.right -= GetSystemMetrics(SM_CXVSCROLL);  // room for the size grip
  HRGN region = CreateRectRgnIndirect(&clip);
  SelectClipRgn(canvas.Handle(), region);
  DeleteObject(region);
  canvas.SetFont(StatusBar->Font());
  canvas.TextOut(rect.left + 5, rect.top, FitPathToRect(StatusBar->SimpleText(), canvas.Handle()));
}
