// The system commands: switching the extended search, the options dialog, log off, shut down,
// restart and six screen captures (the desktop, the active window or a dragged selection, each to
// the clipboard or to a bitmap file), offered by keywords.
//
// What the commands need of the main window and of Windows comes through TSystemCommands: the
// Win32 side is sources/win32/SearchSystem.h, tests pass a recorder. The pictures of the captures
// are TCaptureImage, which also knows the bitmap formats of files and of the clipboard.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "sources/SourceSupport.h"

enum TCaptureArea { cwDesktop, cwActiveWindow, cwSelection };

// How the Windows session ends, as ShutdownWindows takes it.
enum TExitKind { ekLogOff = 0, ekShutDown = 1, ekRestart = 2 };

class TSystemCommands {
 public:
  virtual ~TSystemCommands() = default;
  // The main window's options dialog.
  virtual void ShowOptions() = 0;
  virtual void EndSession(TExitKind kind) = 0;
  virtual void Capture(TCaptureArea area, bool toClipboard) = 0;
};

class TSearchSystem : public TSearchClass {
 public:
  TSearchSystem(TComponent* owner, std::shared_ptr<TSystemCommands> commands, TIconLoader loadIcon);

  std::string GetName() override { return "System"; }
  bool RememberInLastUsed() override { return false; }
  void LoadIcon(TItemData& item) override;
  // The commands whose keywords hold the typed text, in their fixed order.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Runs the command named by the execute string (ignoring case); as administrator or not alike.
  void Execute(TItemData& item) override;

  const char* ClassName() const override { return "TSearchSystem"; }

 private:
  std::shared_ptr<TSystemCommands> FCommands;
  TIconLoader FLoadIcon;
};

// --- Captured pictures ----------------------------------------------------------------------

// A picture of the screen: rows from the top, each pixel 0x00RRGGBB.
struct TCaptureImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;

  bool Empty() const { return Width <= 0 || Height <= 0; }
  uint32_t Pixel(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// The part of a picture a drag marked: Left and Top inside, Right and Bottom just outside.
struct TSelectionRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  bool operator==(const TSelectionRect&) const = default;
};

// The rectangle between the points where a drag began and ended, whichever way it went.
TSelectionRect SelectionBetween(int x1, int y1, int x2, int y2);
// The part of Image within Rect (clipped to the picture); empty when nothing is left.
TCaptureImage CropImage(const TCaptureImage& image, const TSelectionRect& rect);

// The picture as a packed device-independent bitmap (the clipboard's format): the bitmap info
// header and 32-bit rows from the bottom.
std::string PackedDib(const TCaptureImage& image);
// The picture as a Windows bitmap file: the file header and the packed bitmap.
std::string BitmapFile(const TCaptureImage& image);
