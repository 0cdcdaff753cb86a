#include "sources/win32/SearchSystem.h"

#include <cstring>

#include "core/win32/qmUtils.h"
#include "os/os.h"
#include "ui/Clipbrd.h"
#include "ui/Dialogs.h"

namespace {

// A window's device context, of the whole window or of its client area, released however the
// capture ends.
class TWindowDC {
 public:
  TWindowDC(HWND wnd, TWindowPart part) : FWnd(wnd), FDC(part == wpClient ? GetDC(wnd) : GetWindowDC(wnd)) {}
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWnd, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Handle() const { return FDC; }

 private:
  HWND FWnd;
  HDC FDC;
};

// A 32-bit top-down bitmap selected into a memory DC, both freed with it.
class TMemoryBitmap {
 public:
  TMemoryBitmap(HDC reference, int width, int height) : FDC(CreateCompatibleDC(reference)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    FBitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &FBits, nullptr, 0);
    if (FDC && FBitmap) FOld = SelectObject(FDC, FBitmap);
  }
  ~TMemoryBitmap() {
    if (FOld) SelectObject(FDC, FOld);
    if (FBitmap) DeleteObject(FBitmap);
    if (FDC) DeleteDC(FDC);
  }
  TMemoryBitmap(const TMemoryBitmap&) = delete;
  TMemoryBitmap& operator=(const TMemoryBitmap&) = delete;

  bool Valid() const { return FOld != nullptr; }
  HDC Handle() const { return FDC; }
  const uint32_t* Bits() const { return static_cast<const uint32_t*>(FBits); }

 private:
  HDC FDC;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
  void* FBits = nullptr;
};

bool Shown(HWND wnd) { return wnd && IsWindowVisible(wnd) && !IsIconic(wnd); }

bool IsTaskbar(HWND wnd) {
  char name[16] = "";
  return GetClassNameA(wnd, name, sizeof name) && std::strcmp(name, "Shell_TrayWnd") == 0;
}

void SaveCaptureFile(const TCaptureImage& image) {
  TSaveDialog dialog(nullptr);
  dialog.Filter = "Bitmap Files (*.bmp)|*.bmp";
  dialog.DefaultExt = "bmp";
  if (!dialog.Execute()) return;
  if (!os::WriteFileReplacing(dialog.FileName, BitmapFile(image)))
    throw EInOutError("Cannot create file \"" + dialog.FileName + "\"");
}

// The part's rectangle on the screen.
bool ScreenRect(HWND wnd, TWindowPart part, RECT& r) {
  if (part == wpWhole) return GetWindowRect(wnd, &r);
  POINT origin{0, 0};
  if (!GetClientRect(wnd, &r) || !ClientToScreen(wnd, &origin)) return false;
  OffsetRect(&r, origin.x, origin.y);
  return true;
}

}  // namespace

HWND UserWindowInFront(const std::function<bool(HWND)>& isLauncher) {
  const auto users = [&](HWND wnd) { return Shown(wnd) && !isLauncher(wnd) && !IsTaskbar(wnd); };
  if (HWND front = GetForegroundWindow(); users(front)) return front;
  // Tool windows (tips, palettes) are no place the user works in.
  for (HWND wnd = GetTopWindow(nullptr); wnd; wnd = GetWindow(wnd, GW_HWNDNEXT))
    if (users(wnd) && !(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) return wnd;
  return nullptr;
}

TCaptureImage CaptureWindow(HWND wnd, TWindowPart part) {
  RECT r;
  if (!wnd || !ScreenRect(wnd, part, r) || r.right <= r.left || r.bottom <= r.top) return {};
  TCaptureImage image;
  image.Width = r.right - r.left;
  image.Height = r.bottom - r.top;
  const TWindowDC source(wnd, part);
  if (!source.Handle()) return {};
  TMemoryBitmap bitmap(source.Handle(), image.Width, image.Height);
  if (!bitmap.Valid()) return {};
  StretchBlt(bitmap.Handle(), 0, 0, image.Width, image.Height, source.Handle(), 0, 0, image.Width, image.Height,
             SRCCOPY);
  DrawCursor(bitmap.Handle(), r.left, r.top);
  GdiFlush();
  const uint32_t* bits = bitmap.Bits();
  image.Pixels.assign(bits, bits + static_cast<size_t>(image.Width) * image.Height);
  for (uint32_t& pixel : image.Pixels) pixel &= 0x00FFFFFF;  // the cursor may leave alpha behind
  return image;
}

void DrawCursor(HDC dc, int originX, int originY) {
  CURSORINFO cursor{};
  cursor.cbSize = sizeof(cursor);
  if (!GetCursorInfo(&cursor) || cursor.flags != CURSOR_SHOWING) return;
  ICONINFO icon{};
  if (!GetIconInfo(cursor.hCursor, &icon)) return;
  DrawIcon(dc, cursor.ptScreenPos.x - originX - static_cast<int>(icon.xHotspot),
           cursor.ptScreenPos.y - originY - static_cast<int>(icon.yHotspot), cursor.hCursor);
  // GetIconInfo hands over copies of the cursor's bitmaps.
  if (icon.hbmMask) DeleteObject(icon.hbmMask);
  if (icon.hbmColor) DeleteObject(icon.hbmColor);
}

void StoreCapture(const TCaptureImage& image, bool toClipboard) {
  if (image.Empty()) return;
  if (toClipboard)
    SetClipboardDib(PackedDib(image));
  else
    SaveCaptureFile(image);
}

// --- TWin32SystemCommands ---------------------------------------------------------------------

void TWin32SystemCommands::ShowOptions() {
  if (ShowOptionsDialog) ShowOptionsDialog();
}

void TWin32SystemCommands::EndSession(TExitKind kind) { ShutdownWindows(static_cast<UINT>(kind)); }

void TWin32SystemCommands::Capture(TCaptureArea area, bool toClipboard) {
  TCaptureImage image;
  switch (area) {
    case cwDesktop:
      image = CaptureWindow(GetDesktopWindow());
      break;
    case cwActiveWindow:
      image = CaptureWindow(ActiveWindow());
      break;
    case cwSelection:
      image = CaptureSelection();
      break;
  }
  StoreCapture(image, toClipboard);
}

void TWin32SystemCommands::HideLauncher() {
  if (HideMainWindow) HideMainWindow();
  Sleep(100);  // the launcher's place on the screen is painted again
}

HWND TWin32SystemCommands::ActiveWindow() {
  const HWND front = GetForegroundWindow();
  const HWND launcher = MainWindow ? MainWindow() : nullptr;
  if (!front || front != launcher) return front;
  // Whatever the system brings forward when the launcher hides (the tray's window, say) is not
  // where the user was.
  const HWND calledFrom = CalledFrom ? CalledFrom() : nullptr;
  const bool back = calledFrom != launcher && IsWindow(calledFrom) && Shown(calledFrom);
  if (HideMainWindow) HideMainWindow();
  if (back) SetForegroundWindow(calledFrom);
  Sleep(100);  // the launcher's place on the screen is painted again
  return back ? calledFrom : GetForegroundWindow();
}

TCaptureImage TWin32SystemCommands::CaptureSelection() {
  HideLauncher();
  const TCaptureImage desktop = CaptureWindow(GetDesktopWindow());
  TSelectionRect selection;
  if (desktop.Empty() || !SelectArea || !SelectArea(desktop, selection)) return {};
  return CropImage(desktop, selection);
}
