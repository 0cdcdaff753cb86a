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

// The pointer to From, the left button down, through the middle to To, and up.
void Drag(POINT from, POINT to) {
  auto at = [](POINT p, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
  };
  const POINT middle{(from.x + to.x) / 2, (from.y + to.y) / 2};
  INPUT inputs[] = {at(from, 0), at(from, MOUSEEVENTF_LEFTDOWN), at(middle, 0), at(to, 0), at(to, MOUSEEVENTF_LEFTUP)};
  SendInput(static_cast<UINT>(std::size(inputs)), inputs, sizeof(INPUT));
}

class CaptureFormTest : public ::testing::Test {
 protected:
  CaptureFormTest() {
    SetCursorPos(5, 5);  // not in the picture's part the tests look at
    Window.Show();
    PumpUntil([&] { return IsWindowVisible(Window.Handle()); });
    Pump(200);
    Commands.SelectArea = SelectCaptureArea;
    SetClipboardText("kept");
  }

  TColouredWindow Window{Plum, RECT{100, 120, 300, 250}};
  TWin32SystemCommands Commands;
};

bool CaptureFormShown() {
  TCaptureForm* form = FindForm<TCaptureForm>();
  return form && GetForegroundWindow() == form->Handle();
}

}  // namespace

TEST_F(CaptureFormTest, ARectangleDraggedFromBottomRightToTopLeftReachesTheClipboard) {
  TDelayedAction drag(
      CaptureFormShown,
      [] {
        Drag({250, 200}, {150, 160});
      },
      50);
  Commands.Capture(cwSelection, true);
  const TCaptureImage image = ClipboardImage();
  EXPECT_EQ(image.Width, 100);
  EXPECT_EQ(image.Height, 40);
  EXPECT_TRUE(!image.Empty() && std::all_of(image.Pixels.begin(), image.Pixels.end(),
                                            [](uint32_t pixel) { return pixel == PixelOf(Plum); }));
}

TEST_F(CaptureFormTest, EscOrAClickWithoutDragStoresNothing) {
  for (const bool esc : {true, false}) {
    SCOPED_TRACE(esc ? "Esc" : "click");
    TDelayedAction act(
        CaptureFormShown,
        [esc] {
          esc ? PressKey(VK_ESCAPE) : Drag({200, 180}, {200, 180});
        },
        50);
    Commands.Capture(cwSelection, true);
    EXPECT_TRUE(ClipboardImage().Empty());
    EXPECT_FALSE(FindForm<TCaptureForm>());
  }
}
