// The system commands on Windows: screen captures with GDI, stored on the clipboard or in a
// bitmap file, and the end of the session. What needs the main window is handed over by it.
#pragma once

#include <windows.h>

#include <functional>

#include "sources/SearchSystem.h"

class TWin32SystemCommands : public TSystemCommands {
 public:
  // From the main window: its options dialog, hiding it, its handle, and the selection form that
  // shows the frozen desktop and lets the user drag a rectangle over it (false: cancelled).
  std::function<void()> ShowOptionsDialog;
  std::function<void()> HideMainWindow;
  std::function<HWND()> MainWindow;
  // The window the user was in when the launcher was called up (UserWindowInFront then).
  std::function<HWND()> CalledFrom;
  std::function<bool(const TCaptureImage& desktop, TSelectionRect& selection)> SelectArea;

  void ShowOptions() override;
  // Through ShutdownWindows, whose call ends the session (ExitWindowsHook in tests).
  void EndSession(TExitKind kind) override;
  // The desktop as it is; the active window: when the launcher is in front, it hides and the
  // window it was called up from comes back in front and is taken (while it still shows; else the
  // window in front then); a selection of the desktop, the launcher hidden first. Stored as
  // StoreCapture says.
  void Capture(TCaptureArea area, bool toClipboard) override;

 private:
  HWND ActiveWindow();
  TCaptureImage CaptureSelection();
  void HideLauncher();
};

// The window the user works in as the launcher is called up: the one in front, unless IsLauncher
// names it or it is the shell's taskbar (a click on the tray icon brings either forward); then the
// first window below in the z-order that shows and is neither. None when there is none.
HWND UserWindowInFront(const std::function<bool(HWND)>& isLauncher);

// Which part of a window a capture takes: all of it, frame and title bar included, or its client
// area.
enum TWindowPart { wpWhole, wpClient };

// The window's part as it shows on the screen, the mouse cursor drawn in where it stands over
// that part; empty for no window.
TCaptureImage CaptureWindow(HWND wnd, TWindowPart part = wpWhole);
// Draws the mouse cursor, when it shows, onto DC whose top left is the screen point (OriginX,
// OriginY).
void DrawCursor(HDC dc, int originX, int originY);
// On the clipboard as a device-independent bitmap, or in a bitmap file chosen with the save
// dialog (which asks before it replaces a file). An empty picture stores nothing. Raises
// EInOutError when the file cannot be written, Exception when the clipboard cannot take it.
void StoreCapture(const TCaptureImage& image, bool toClipboard);
