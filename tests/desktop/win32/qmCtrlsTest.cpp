// The custom controls on real windows under Wine: the check box's focus and Enter, and the label's
// selection by mouse drawn and copied from its menu. What a drag selects is worked out natively.
// (No form of the program uses these controls: their other behaviour is left untested.)
#include "desktop/win32/qmCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/win32/WideText.h"
#include "tests/support/WineTestUtils.h"

namespace {

// Right-clicks the control and picks the first item of the menu that opens; answers that item's
// text.
std::string PickFirstMenuItem(TWinControl& control) {
  std::string text;
  TMenuWatch pick([&](HWND menu) {
    char caption[64] = "";
    GetMenuStringA(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)), 0, caption, sizeof caption,
                   MF_BYPOSITION);
    text = caption;
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
  });
  ClickAt(control.Handle(), POINT{5, 5}, MOUSEEVENTF_RIGHTDOWN);
  PumpUntil([&] { return !text.empty() && !VisibleThreadWindow("#32768"); });
  return text;
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "(clipboard closed)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = WideToUtf8(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

class QmCtrlsTest : public TFormTest {
 protected:
  static void SetUpTestSuite() { qmCtrlsInitialization(); }
  static void TearDownTestSuite() { qmCtrlsFinalization(); }
};

TEST_F(QmCtrlsTest, CheckBoxShowsTheFocusInItsBackgroundAndEnterMovesOn) {
  auto* check = Add<TqmCheckBox>();
  auto* next = Add<TqmCheckBox>();
  next->SetTop(30);
  ASSERT_TRUE(ShowActive(*Form));
  ASSERT_TRUE(FocusOn(*check));
  EXPECT_EQ(check->Color(), clInfoBk);
  PressKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == next->Handle(); }));
  EXPECT_EQ(check->Color(), clWindow);
  EXPECT_FALSE(check->Checked());
}

// The drag's run is drawn highlighted and its menu copies it; a click selects nothing, and the
// menu copies the whole caption.
TEST_F(QmCtrlsTest, ADragSelectsTheRunUnderItAndTheMenuCopiesTheSelection) {
  const std::string caption = "Copy this text";
  auto* label = Add<TqmLabel>();
  label->SetBounds(20, 20, 0, 0);
  label->SetCaption(caption);
  label->SetBorder(1u << lbLeft);
  label->SetBorderWidth(1);  // the caption starts 3 pixels in
  label->CanSelectText = true;
  label->Loaded();
  ASSERT_TRUE(ShowActive(*Form));
  std::vector<int> middle;  // of each character, in client coordinates
  HDC dc = GetDC(label->Handle());
  {
    TCanvas canvas(dc);
    canvas.SetFont(label->Font());
    for (size_t i = 0; i < caption.size(); ++i)
      middle.push_back(3 + (canvas.TextWidth(caption.substr(0, i)) + canvas.TextWidth(caption.substr(0, i + 1))) / 2);
  }
  const struct {
    int FromX, ToX;
    std::string Selected;
  } cases[] = {
      {middle[6], middle[1], "opy th"}, {middle[5], label->Width() + 40, "this text"}, {middle[3], middle[3], ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Selected);
    DragAt(label->Handle(), POINT{c.FromX, 8}, POINT{c.ToX, 8});
    EXPECT_EQ(label->SelectedText(), c.Selected);
    if (c.Selected == "opy th") {
      Pump(100);
      EXPECT_EQ(GetPixel(dc, middle[3], label->Height() - 1), ColorToRGB(clHighlight));
      EXPECT_EQ(GetPixel(dc, middle[8], label->Height() - 1), GetPixel(dc, middle[8], 0)) << "beyond the selection";
    }
    EXPECT_EQ(PickFirstMenuItem(*label), "Kopiraj");
    EXPECT_EQ(ClipboardText(), c.Selected.empty() ? caption : c.Selected);
  }
  ReleaseDC(label->Handle(), dc);
}

}  // namespace
