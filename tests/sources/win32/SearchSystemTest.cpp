// Screen captures with the real GDI, clipboard and bitmap files.
#include "sources/win32/SearchSystem.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "core/win32/qmUtils.h"
#include "ui/Clipbrd.h"
#include "ui/Dialogs.h"
#include "tests/support/ScreenTestUtils.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Thrown.h"

namespace {

constexpr COLORREF Teal = RGB(0x12, 0x80, 0x76);
constexpr RECT WindowBounds{100, 120, 300, 250};

// A bitmap file read back by Windows' own loader, as a picture.
TCaptureImage ReadBitmapFile(const std::string& fileName) {
  TCaptureImage image;
  auto bitmap = static_cast<HBITMAP>(
      LoadImageA(nullptr, fileName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  DIBSECTION dib{};
  if (!bitmap || GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 32) return image;
  image.Width = dib.dsBm.bmWidth;
  image.Height = dib.dsBm.bmHeight;
  const auto* rows = static_cast<const uint32_t*>(dib.dsBm.bmBits);  // from the bottom
  for (int y = image.Height - 1; y >= 0; --y)
    for (int x = 0; x < image.Width; ++x) image.Pixels.push_back(rows[y * image.Width + x] & 0x00FFFFFF);
  DeleteObject(bitmap);
  return image;
}

class CaptureTest : public ::testing::Test {
 protected:
  CaptureTest() {
    SetCursorPos(5, 5);  // away from the pixels the tests look at
    Window.Show();
    SetForegroundWindow(Window.Handle());
    PumpUntil([&] { return GetForegroundWindow() == Window.Handle(); });
    Pump(200);
  }
  ~CaptureTest() override { SetChooserForTests(nullptr); }

  TColouredWindow Window{Teal, WindowBounds};
  TWin32SystemCommands Commands;
};

}  // namespace

// Each end of the session asks the system for its own (through the hook: the real call ends Wine's).
TEST(EndSessionTest, EachKindAsksTheSystemForItsOwnEnd) {
  const TExitWindowsFunc saved = ExitWindowsHook;
  std::vector<UINT> asked;
  ExitWindowsHook = [&](UINT flags, DWORD) { return asked.push_back(flags), true; };
  TWin32SystemCommands commands;
  for (TExitKind kind : {ekLogOff, ekShutDown, ekRestart}) commands.EndSession(kind);
  ExitWindowsHook = saved;
  EXPECT_EQ(asked, (std::vector<UINT>{EWX_LOGOFF, EWX_SHUTDOWN, EWX_REBOOT}));
}

TEST_F(CaptureTest, TheDesktopAndTheActiveWindowReachTheClipboardAsTheyShow) {
  Commands.Capture(cwDesktop, true);
  const TCaptureImage desktop = ClipboardImage();
  ASSERT_EQ(std::pair(desktop.Width, desktop.Height),
            std::pair(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_EQ(desktop.Pixel(150, 200), PixelOf(Teal));

  Commands.Capture(cwActiveWindow, true);
  const TCaptureImage active = ClipboardImage();
  ASSERT_EQ(std::pair(active.Width, active.Height), std::pair(200, 130));
  EXPECT_EQ(active.Pixel(100, 65), PixelOf(Teal));
}

TEST_F(CaptureTest, TenCapturesWithTheCursorDrawnInLeaveNoGdiObjectBehind) {
  SetCursorPos(200, 180);
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));  // drawn into every capture
  CaptureWindow(GetDesktopWindow());                                     // what the first capture loads stays loaded
  const int before = GdiObjectCount();
  for (int i = 0; i < 10; ++i) CaptureWindow(i % 2 ? GetDesktopWindow() : Window.Handle());
  EXPECT_EQ(GdiObjectCount(), before);
}

// A window with a frame and a title bar: the whole of it, or its client area alone, with the
// cursor drawn where it stands over that area.
TEST_F(CaptureTest, TheClientAreaLeavesTheFrameOutAndTheCursorStandsWhereItIs) {
  TForm framed(nullptr);
  framed.SetColor(Teal);
  framed.SetBounds(400, 300, 240, 180);  // clear of the fixture's window
  ASSERT_TRUE(ShowActive(framed));
  Pump(100);
  RECT window, client;
  GetWindowRect(framed.Handle(), &window);
  GetClientRect(framed.Handle(), &client);
  POINT origin{0, 0};
  ClientToScreen(framed.Handle(), &origin);
  ASSERT_GT(origin.y - window.top, 10) << "a title bar above the client area";
  SetCursorPos(origin.x + 30, origin.y + 40);
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));

  const TCaptureImage whole = CaptureWindow(framed.Handle());
  EXPECT_EQ(std::pair(whole.Width, whole.Height), std::pair(240, 180));
  const TCaptureImage inside = CaptureWindow(framed.Handle(), wpClient);
  ASSERT_EQ(std::pair(inside.Width, inside.Height), std::pair(int(client.right), int(client.bottom)));
  EXPECT_LT(inside.Height, whole.Height);
  // Teal to its edges but for the cursor, whose tip is at (30, 40).
  RECT cursor{inside.Width, inside.Height, 0, 0};
  for (int y = 0; y < inside.Height; ++y)
    for (int x = 0; x < inside.Width; ++x)
      if (inside.Pixel(x, y) != PixelOf(Teal))
        cursor = {std::min<LONG>(cursor.left, x), std::min<LONG>(cursor.top, y), std::max<LONG>(cursor.right, x),
                  std::max<LONG>(cursor.bottom, y)};
  EXPECT_EQ(std::pair(cursor.left, cursor.top), std::pair(30L, 40L));
  EXPECT_LT(cursor.bottom - cursor.top, 40) << "nothing but the cursor";
}

TEST_F(CaptureTest, ABitmapFileHoldsThePictureAsWindowsReadsIt) {
  const std::string fileName = testpaths::FreshFolder("captures") + "capture.bmp";
  const TCaptureImage picture{3, 2, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF, 0x00000000, 0x00808080}};
  SetChooserForTests([&](TChooseRequest& request) {
    EXPECT_EQ(request.Kind, TChooseRequest::ckSave);
    EXPECT_EQ(request.Filter, "Bitmap Files (*.bmp)|*.bmp");
    request.FileName = fileName;
    return true;
  });
  StoreCapture(picture, false);
  const TCaptureImage read = ReadBitmapFile(fileName);
  EXPECT_EQ(std::pair(read.Width, read.Height), std::pair(3, 2));
  EXPECT_EQ(read.Pixels, picture.Pixels);
}

// The user's clipboard keeps what it held when a capture cannot reach it, and the failure is told.
TEST_F(CaptureTest, WhatCannotReachTheClipboardLeavesItAsItWas) {
  EXPECT_TRUE(CaptureWindow(nullptr).Empty());
  bool asked = false;
  SetChooserForTests([&](TChooseRequest&) { return asked = true; });
  const TCaptureImage picture{1, 1, {0x00FF0000}};
  const struct {
    const char* Name;
    std::function<void()> Store;
    const char* Raised;
  } cases[] = {
      {"an empty picture", [] { StoreCapture(TCaptureImage{}, true), StoreCapture(TCaptureImage{}, false); }, ""},
      {"no bytes to put there", [] { SetClipboardDib(""); }, "Cannot prepare the data for the clipboard"},
      {"another program holds the clipboard open",
       [&] {
         std::promise<void> opened, done;
         std::thread holder([&] {
           OpenClipboard(nullptr);
           opened.set_value();
           done.get_future().wait();
           CloseClipboard();
         });
         opened.get_future().wait();
         struct TRelease {
           std::promise<void>& Done;
           std::thread& Holder;
           ~TRelease() { Done.set_value(), Holder.join(); }
         } release{done, holder};
         StoreCapture(picture, true);
       },
       "Cannot open clipboard"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SetClipboardText("kept");
    EXPECT_EQ(ThrownMessage<Exception>(c.Store), c.Raised);
    ASSERT_TRUE(OpenClipboardPatiently(nullptr));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    CloseClipboard();
  }
  EXPECT_FALSE(asked);
}
