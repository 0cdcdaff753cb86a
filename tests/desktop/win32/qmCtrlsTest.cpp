// The custom controls on real windows under Wine. What a drag over a label selects is worked out
// natively.
#include "desktop/win32/qmCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/win32/WideText.h"
#include "tests/support/TestPaths.h"
#include "core/qmMemIni.h"
#include "core/qmDfmUtils.h"
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
    const std::string copied = ClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(WideToUtf8(reinterpret_cast<const wchar_t*>(copied.c_str())), c.Selected.empty() ? caption : c.Selected);
  }
  ReleaseDC(label->Handle(), dc);
  EXPECT_EQ(qmLabelMenu()->Items().Items().at(0)->Tag, 1) << "the copy item's mark";
}

// The selected run is drawn over the caption where the layout and the alignment put it: white
// text within the caption's band of rows and columns.
TEST_F(QmCtrlsTest, TheSelectionStandsWhereLayoutAndAlignmentPutTheCaption) {
  const struct {
    TTextLayout Layout;
    TAlignment Alignment;
    int Top, Bottom, Left, Right;  // the band the white text keeps to, of a label 300 x 60
  } cases[] = {{tlTop, taLeftJustify, 0, 25, 0, 150},
               {tlCenter, taCenter, 18, 42, 60, 240},
               {tlBottom, taRightJustify, 35, 60, 150, 300}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Layout);
    auto* label = Add<TqmLabel>();
    label->AutoSize = false;
    label->SetBounds(10, 10, 300, 60);
    label->SetCaption("Copy this text");
    label->CanSelectText = true;
    label->Layout = c.Layout;
    label->Alignment = c.Alignment;
    ASSERT_TRUE(ShowActive(*Form));
    DragAt(label->Handle(), POINT{1, 30}, POINT{298, 30});
    EXPECT_EQ(label->SelectedText(), "Copy this text");
    Pump(100);
    RECT white{300, 60, 0, 0};
    HDC dc = GetDC(label->Handle());
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 300; ++x)
        if (GetPixel(dc, x, y) == RGB(255, 255, 255))
          white = {std::min<LONG>(white.left, x), std::min<LONG>(white.top, y), std::max<LONG>(white.right, x),
                   std::max<LONG>(white.bottom, y)};
    ReleaseDC(label->Handle(), dc);
    EXPECT_TRUE(white.top >= c.Top && white.bottom < c.Bottom && white.left >= c.Left && white.right < c.Right)
        << white.left << "," << white.top << " - " << white.right << "," << white.bottom;
    delete label;
  }
}

TEST_F(QmCtrlsTest, CheckBoxAndRadioGroupKeepWhatTheUserChoseUnderMainSettings) {
  const std::string file = testpaths::FreshFolder("qmctrls") + "state.ini";
  auto* check = Add<TqmCheckBox>("cbKeep");
  auto* radio = Add<TqmRadioGroup>("rgMode");
  radio->SetBounds(10, 40, 150, 100);
  radio->SetItems({"one", "two", "three"});
  radio->SetItemIndex(2);
  ASSERT_TRUE(ShowActive(*Form));
  ClickAt(check->Handle(), POINT{6, 8});
  ClickAt(radio->Controls()[1]->Handle(), POINT{6, 8});
  Pump(50);
  TMemIniFile saved(file);
  for (IqmSettings* control : std::vector<IqmSettings*>{check, radio}) control->SaveSettings(saved);
  saved.UpdateFile();
  EXPECT_EQ(TMemIniFile(file).Text(), "[MainSettings]\r\ncbKeep=1\r\nrgMode=1\r\n");

  NewForm();
  check = Add<TqmCheckBox>("cbKeep");
  radio = Add<TqmRadioGroup>("rgMode");
  radio->SetItems({"one", "two", "three"});
  auto* unsaved = Add<TqmCheckBox>("cbNew");
  unsaved->SetChecked(true);
  Form->Show();
  TMemIniFile loaded(file);
  for (IqmSettings* control : std::vector<IqmSettings*>{check, radio, unsaved}) control->LoadSettings(loaded);
  EXPECT_EQ(SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(radio->Controls()[1]->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(unsaved->Checked()) << "a missing key keeps the state";
}

TEST_F(QmCtrlsTest, AutoSizeAddsFourForBordersAcrossEachDirectionAndTheBorderWidthAllRound) {
  const struct {
    TLabelBorder Border;
    int BorderWidth, ExtraWidth, ExtraHeight;
  } cases[] = {{0, 0, 0, 0},
               {1u << lbLeft | 1u << lbRight, 0, 4, 0},
               {1u << lbRight | 1u << lbBottom, 0, 4, 4},
               {1u << lbLeft, 2, 8, 4}};
  Form->Show();  // the labels size themselves as their windows come
  auto* plain = Add<TLabel>();
  plain->SetCaption("Measured text");
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Border << " " << c.BorderWidth);
    auto* label = Add<TqmLabel>();
    label->SetCaption("Measured text");
    label->SetBorder(c.Border);
    label->SetBorderWidth(c.BorderWidth);
    EXPECT_EQ(label->Width(), plain->Width() + c.ExtraWidth);
    EXPECT_EQ(label->Height(), plain->Height() + c.ExtraHeight);
  }
}

TEST_F(QmCtrlsTest, TheGripCollapsesAndRestoresTheNeighbourAndTheBarDragsIt) {
  const struct {
    const char* Name;
    TAlign Align;
    bool WithNeighbour;
    int DragBy;  // 0: two clicks on the grip
  } cases[] = {{"left", alLeft, true, 0},
               {"top", alTop, true, 0},
               {"without a neighbour nothing happens", alLeft, false, 0},
               {"a drag outside the grip", alLeft, true, 30}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    NewForm();
    const bool sideways = c.Align == alLeft;
    auto* neighbour = Add<TPanel>();
    neighbour->SetBounds(0, 0, 120, 80);
    neighbour->SetAlign(c.Align);
    neighbour->SetVisible(c.WithNeighbour);
    auto* splitter = Add<TqmSplitter>();
    splitter->SetBounds(0, 0, 10, 10);
    splitter->SetAlign(c.Align);
    Add<TPanel>()->SetAlign(alClient);
    ASSERT_TRUE(ShowActive(*Form));
    const auto size = [&] { return sideways ? neighbour->Width() : neighbour->Height(); };
    const auto place = [&] { return sideways ? splitter->Left() : splitter->Top(); };
    // A click or a drag is over once the bar has handled the button coming up, however long the
    // input takes to arrive.
    const auto releases = std::make_shared<int>(0);  // the bar may outlive this pass
    splitter->AddWindowHook([releases](UINT msg, WPARAM, LPARAM, LRESULT&) {
      if (msg == WM_LBUTTONUP) ++*releases;
      return false;
    });
    const auto released = [&](int before) { return PumpUntil([&] { return *releases > before; }); };
    const auto clickGrip = [&] {
      const int before = *releases;
      ClickAt(splitter->Handle(), POINT{splitter->Width() / 2, splitter->Height() / 2});
      EXPECT_TRUE(released(before));
    };
    const int before = size(), placed = place();
    if (c.DragBy) {
      DragAt(Form->Handle(), POINT{placed + 5, 5}, POINT{placed + 5 + c.DragBy, 5});  // the bar moves along
      EXPECT_TRUE(released(0));
      EXPECT_EQ(size(), before + c.DragBy);
      EXPECT_FALSE(splitter->Collapsed());
      continue;
    }
    clickGrip();
    EXPECT_EQ(size(), c.WithNeighbour ? 0 : before);
    EXPECT_EQ(splitter->Collapsed(), c.WithNeighbour);
    EXPECT_EQ(place(), c.WithNeighbour ? 0 : placed);
    clickGrip();
    EXPECT_EQ(size(), before);
    EXPECT_FALSE(splitter->Collapsed());
  }
}

// A label and a panel take the font of what they stand on, follow it as it changes, and keep
// their own once it is set; a plain label keeps its own throughout.
TEST_F(QmCtrlsTest, LabelAndPanelFollowTheirParentsFontUntilTheirOwnIsSet) {
  auto* panel = Add<TqmPanel>();
  panel->SetBounds(0, 0, 300, 200);
  auto* label = Add<TqmLabel>(panel);
  label->SetCaption("Follows");
  auto* plain = Add<TLabel>(panel);
  ASSERT_TRUE(ShowActive(*Form));
  const int smallHeight = label->Height();
  Form->SetFont(TFont("Tahoma", -30, fsBold));
  const auto heights = [&] {
    return std::vector<int>{panel->Font().Height(), label->Font().Height(), plain->Font().Height()};
  };
  EXPECT_EQ(heights(), (std::vector<int>{-30, -30, -13}));
  EXPECT_GT(label->Height(), smallHeight) << "the label sizes itself to the new font";
  auto* late = Add<TqmLabel>(panel);
  EXPECT_EQ(late->Font().Height(), -30) << "placed after the change";

  label->SetFont(TFont("Tahoma", -10));
  EXPECT_FALSE(label->ParentFont());
  Form->SetFont(TFont("Tahoma", -20));
  EXPECT_EQ(heights(), (std::vector<int>{-20, -10, -13}));
  label->SetParentFont(true);
  EXPECT_EQ(label->Font().Height(), -20);

  // A font is changed only by setting it: the panel's changed copy ends its following, and the
  // label that follows the panel takes it.
  static_assert(std::is_const_v<std::remove_reference_t<decltype(panel->Font())>>,
                "a font changed in place would keep following its parent");
  TFont italic = panel->Font();
  italic.SetStyle(fsItalic);
  panel->SetFont(italic);
  EXPECT_FALSE(panel->ParentFont());
  Form->SetFont(TFont("Tahoma", -25));
  EXPECT_EQ(heights(), (std::vector<int>{-20, -20, -13}));
  EXPECT_EQ(label->Font().Style(), unsigned(fsItalic));
}

// Read right to left, the caption stands from the panel's right edge and a neutral character at
// its end goes to its left: it shows as the turned text placed on the right does left to right.
TEST_F(QmCtrlsTest, ARightToLeftPanelPlacesAndReadsItsCaptionFromTheRight) {
  const auto panel = [&](int top, TAlignment alignment, TBiDiMode mode, const char* caption) {
    auto* p = Add<TqmPanel>();
    p->SetBounds(10, top, 200, 30);
    p->Alignment = alignment;
    p->SetBiDiMode(mode);
    p->SetCaption(caption);
    return p;
  };
  TqmPanel* rightToLeft = panel(10, taLeftJustify, bdRightToLeft, "Lorvex!");
  TqmPanel* turned = panel(50, taRightJustify, bdLeftToRight, "!Lorvex");
  TqmPanel* leftToRight = panel(90, taLeftJustify, bdLeftToRight, "Lorvex!");
  ASSERT_TRUE(ShowActive(*Form));
  Pump(100);
  const auto pixels = [](TqmPanel& p) {
    std::vector<COLORREF> all;
    HDC dc = GetDC(p.Handle());
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 200; ++x) all.push_back(GetPixel(dc, x, y));
    ReleaseDC(p.Handle(), dc);
    return all;
  };
  EXPECT_EQ(pixels(*rightToLeft), pixels(*turned));
  EXPECT_NE(pixels(*rightToLeft), pixels(*leftToRight));
}

TEST_F(QmCtrlsTest, EachControlComesBackFromItsComponentText) {
  auto* label = Add<TqmLabel>("lblInfo");
  label->SetCaption("It's selectable");
  label->SetBorder(1u << lbLeft | 1u << lbBottom);
  label->SetBevelInner(bvLowered);
  label->CanSelectText = true;
  label->SetSelectedText("sel");
  auto* splitter = Add<TqmSplitter>("splTop");
  splitter->SetAlign(alTop);
  splitter->GripType = gtSunken;
  auto* panel = Add<TqmPanel>("pnlInfo");
  panel->BevelOuter = bvLowered;
  panel->Alignment = taLeftJustify;
  auto* check = Add<TqmCheckBox>("cbKeep");
  check->SetChecked(true);
  auto* radio = Add<TqmRadioGroup>("rgMode");
  radio->SetItems({"one", "two"});
  radio->SetItemIndex(1);
  // Each with a line that only a value other than the default writes.
  const std::pair<TWinControl*, const char*> cases[] = {{label, "  Border = [lbLeft, lbBottom]"},
                                                        {splitter, "  GripType = gtSunken"},
                                                        {panel, "  Alignment = taLeftJustify"},
                                                        {check, "  Checked = True"},
                                                        {radio, "  ItemIndex = 1"}};
  std::vector<TComponent*> copies;
  for (const auto& [original, line] : cases) {
    SCOPED_TRACE(original->ClassName());
    TStringList text, again;
    ComponentToDfmText(*original, text);
    EXPECT_NE(std::find(text.begin(), text.end(), line), text.end());
    copies.push_back(DfmTextToNewComponent(text, Form.get(), [](const std::string& error) { ADD_FAILURE() << error; }));
    EXPECT_STREQ(copies.back()->ClassName(), original->ClassName());
    ComponentToDfmText(*copies.back(), again);
    EXPECT_EQ(again, text);
  }
  EXPECT_EQ(dynamic_cast<TqmLabel&>(*copies[0]).PopupMenu, qmLabelMenu());
  const auto& radioCopy = dynamic_cast<TqmRadioGroup&>(*copies[4]);
  ASSERT_EQ(radioCopy.Controls().size(), 2u);
  EXPECT_TRUE(dynamic_cast<TCheckBox&>(*radioCopy.Controls()[1]).Checked());
}

}  // namespace
