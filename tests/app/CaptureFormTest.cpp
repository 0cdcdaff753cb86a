// The selection form of the screen capture, with a rectangle dragged by the system's input queue.
#include "app/win32/FCapture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sources/win32/SearchSystem.h"
#include "tests/support/FormDriver.h"
#include "tests/support/ScreenTestUtils.h"
#include "ui/Clipbrd.h"

namespace {

constexpr COLORREF Plum = RGB(0x8E, 0x45, 0x85);

// A drag on the screen, in screen coordinates.
std::function<void()> Dragging(POINT from, POINT to) {
  return [=] { DragAt(GetDesktopWindow(), from, to); };
}

bool CaptureFormShown() {
  TCaptureForm* form = FindForm<TCaptureForm>();
  return form && GetForegroundWindow() == form->Handle();
}

}  // namespace

TEST(CaptureFormTest, ARectangleDraggedBackwardsReachesTheClipboardAndEscOrAClickStoresNothing) {
  SetCursorPos(5, 5);  // not in the picture's part the tests look at
  TColouredWindow window{Plum, RECT{100, 120, 300, 250}};
  window.Show();
  PumpUntil([&] { return IsWindowVisible(window.Handle()); });
  Pump(200);
  TWin32SystemCommands commands;
  commands.SelectArea = SelectCaptureArea;
  const struct {
    const char* Name;
    std::function<void()> Act;
    int Width, Height;  // of the picture stored; 0: none
  } cases[] = {
      {"a drag from bottom right to top left", Dragging({250, 200}, {150, 160}), 100, 40},
      {"Esc", [] { PressKey(VK_ESCAPE); }, 0, 0},
      {"a click without drag", Dragging({200, 180}, {200, 180}), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SetClipboardText("kept");
    TDelayedAction act(CaptureFormShown, c.Act, 50);
    commands.Capture(cwSelection, true);
    const TCaptureImage image = ClipboardImage();
    EXPECT_EQ(image.Width, c.Width);
    EXPECT_EQ(image.Height, c.Height);
    EXPECT_TRUE(
        std::all_of(image.Pixels.begin(), image.Pixels.end(), [](uint32_t pixel) { return pixel == PixelOf(Plum); }));
    EXPECT_EQ(IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE, image.Empty());  // the text stays then
    EXPECT_FALSE(FindForm<TCaptureForm>());
  }
}
