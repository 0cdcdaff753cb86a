// The custom controls on real windows under Wine: state kept in an INI file, the label's size,
// its selection by mouse and the copy from its menu, the splitter's grip and drag, and each
// control through component text.
#include "desktop/win32/qmCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/qmDfmUtils.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WineTestUtils.h"
#include "core/win32/WideText.h"

namespace {

// The pointer to a point of a control's client area, with button events there, through the
// system's input queue; then the messages are served.
void MouseAt(TWinControl& control, int x, int y, DWORD buttons = 0) {
  POINT p{x, y};
  ClientToScreen(control.Handle(), &p);
  SetCursorPos(p.x, p.y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | buttons;  // a move of nothing: a mouse message where the pointer is
  SendInput(1, &input, sizeof(INPUT));
  Pump(30);
}

void ClickAt(TWinControl& control, int x, int y) {
  MouseAt(control, x, y, MOUSEEVENTF_LEFTDOWN);
  MouseAt(control, x, y, MOUSEEVENTF_LEFTUP);
}

void DragOver(TWinControl& control, int fromX, int toX, int y) {
  MouseAt(control, fromX, y, MOUSEEVENTF_LEFTDOWN);
  MouseAt(control, (fromX + toX) / 2, y);
  MouseAt(control, toX, y);
  MouseAt(control, toX, y, MOUSEEVENTF_LEFTUP);
}

// The visible popup of a menu being tracked, or nullptr.
HWND OpenMenuWindow() {
  HWND wnd = FindWindowA(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(32768)), nullptr);
  return wnd && IsWindowVisible(wnd) ? wnd : nullptr;
}

// Right-clicks the control and picks the first item of the menu that opens; answers that
// item's text. The keys come from another thread once the menu shows.
std::string PickFirstMenuItem(TWinControl& control) {
  std::atomic<bool> done{false};
  std::string text;
  std::thread keys([&] {
    for (int i = 0; i < 300 && !OpenMenuWindow(); ++i) Sleep(10);
    if (HWND menu = OpenMenuWindow()) {
      char caption[64] = "";
      GetMenuStringA(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)), 0, caption, sizeof caption,
                     MF_BYPOSITION);
      text = caption;
      Sleep(50);
      PressKey(VK_DOWN);
      Sleep(20);
      PressKey(VK_RETURN);
    }
    done = true;
  });
  MouseAt(control, 5, 5, MOUSEEVENTF_RIGHTDOWN);
  MouseAt(control, 5, 5, MOUSEEVENTF_RIGHTUP);
  PumpUntil([&] { return done && !OpenMenuWindow(); });
  keys.join();
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

// Every test has a form of its own and catches what reaches the application's exception event.
class QmCtrlsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { qmCtrlsInitialization(); }
  static void TearDownTestSuite() { qmCtrlsFinalization(); }
  void SetUp() override {
    Application().OnException = [this](const std::string& message) { Errors.push_back(message); };
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(60, 60, 460, 300);
  }
  void TearDown() override {
    Form.reset();
    Pump(20);
    Application().OnException = nullptr;
    EXPECT_TRUE(Errors.empty()) << Errors.front();
  }

  template <class T>
  T* Add(const std::string& name = {}) {
    auto* control = new T(Form.get());
    control->Name = name;
    control->SetParent(Form.get());
    return control;
  }

  std::unique_ptr<TForm> Form;
  std::vector<std::string> Errors;
};

TEST_F(QmCtrlsTest, CheckBoxAndRadioGroupKeepWhatTheUserChoseUnderMainSettings) {
  const std::string file = testpaths::FreshFolder("qmctrls") + "state.ini";
  auto* check = Add<TqmCheckBox>("cbKeep");
  auto* radio = Add<TqmRadioGroup>("rgMode");
  radio->SetBounds(10, 40, 150, 100);
  radio->SetItems({"one", "two", "three"});
  radio->SetItemIndex(2);
  ASSERT_TRUE(ShowActive(*Form));
  ClickAt(*check, 6, 8);
  ClickAt(*radio->Controls()[1], 6, 8);
  TMemIniFile saved(file);
  for (IqmSettings* control : std::vector<IqmSettings*>{check, radio}) control->SaveSettings(saved);
  saved.UpdateFile();
  EXPECT_EQ(TMemIniFile(file).Text(), "[MainSettings]\r\ncbKeep=1\r\nrgMode=1\r\n");

  Form = std::make_unique<TForm>(nullptr);
  check = Add<TqmCheckBox>("cbKeep");
  radio = Add<TqmRadioGroup>("rgMode");
  radio->SetItems({"one", "two", "three"});
  auto* unsaved = Add<TqmCheckBox>("cbNew");
  unsaved->SetChecked(true);
  Form->Show();
  TMemIniFile loaded(file);
  for (IqmSettings* control : std::vector<IqmSettings*>{check, radio, unsaved}) control->LoadSettings(loaded);
  EXPECT_EQ(SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(radio->ItemIndex(), 1);
  EXPECT_EQ(SendMessageA(radio->Controls()[1]->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(unsaved->Checked()) << "a missing key keeps the state";
}

TEST_F(QmCtrlsTest, CheckBoxShowsTheFocusInItsBackgroundAndEnterMovesOn) {
  auto* check = Add<TqmCheckBox>();
  check->SetCaption("Keep");
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

TEST_F(QmCtrlsTest, AutoSizeAddsFourForBordersAcrossEachDirectionAndTheBorderWidthAllRound) {
  struct TCase {
    TLabelBorder Border;
    int BorderWidth;
    int ExtraWidth, ExtraHeight;
  };
  const std::vector<TCase> cases = {
      {0, 0, 0, 0},
      {1u << lbLeft | 1u << lbRight, 0, 4, 0},
      {1u << lbTop, 0, 0, 4},
      {1u << lbRight | 1u << lbBottom, 0, 4, 4},
      {1u << lbLeft, 2, 8, 4},
  };
  Form->Show();  // the labels size themselves as their windows come
  auto* plain = Add<TLabel>();
  plain->SetCaption("Measured text");
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Border << " " << c.BorderWidth);
    auto* label = Add<TqmLabel>();
    label->SetCaption("Measured text");
    label->SetBorder(c.Border);
    label->SetBorderWidth(c.BorderWidth);
    EXPECT_EQ(label->Width(), plain->Width() + c.ExtraWidth);
    EXPECT_EQ(label->Height(), plain->Height() + c.ExtraHeight);
  }
}

// A label whose caption starts 3 pixels in (a left border and a border width of 1), with the
// middle of each character in client coordinates.
struct TSelectableLabel {
  TqmLabel* Label;
  std::vector<int> Middles;
};

TSelectableLabel AddSelectableLabel(TForm& form, const std::string& caption) {
  auto* label = new TqmLabel(&form);
  label->SetBounds(20, 20, 0, 0);
  label->SetCaption(caption);
  label->SetBorder(1u << lbLeft);
  label->SetBorderWidth(1);
  label->CanSelectText = true;
  label->Loaded();
  label->SetParent(&form);
  std::vector<int> middles;
  HDC dc = GetDC(label->Handle());
  {
    TCanvas canvas(dc);
    canvas.SetFont(label->Font());
    for (size_t i = 0; i < caption.size(); ++i)
      middles.push_back(3 + (canvas.TextWidth(caption.substr(0, i)) + canvas.TextWidth(caption.substr(0, i + 1))) / 2);
  }
  ReleaseDC(label->Handle(), dc);
  return {label, middles};
}

TEST_F(QmCtrlsTest, DraggingSelectsEitherWayAndTheMenuCopiesTheSelection) {
  const std::string caption = "Copy this text";
  auto [label, middle] = AddSelectableLabel(*Form, caption);
  ASSERT_TRUE(ShowActive(*Form));
  const int pastTheEnd = label->Width() + 40;
  struct TCase {
    const char* Drag;
    int FromX, ToX;
    std::string Copied;
  };
  const std::vector<TCase> cases = {
      {"rightwards", middle[1], middle[6], "opy th"},
      {"leftwards", middle[6], middle[1], "opy th"},
      {"past the end of the caption", middle[5], pastTheEnd, "this text"},
      {"a click selects nothing: the whole caption", middle[3], middle[3], caption},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Drag);
    DragOver(*label, c.FromX, c.ToX, 8);
    EXPECT_EQ(label->SelectedText(), c.Copied == caption ? "" : c.Copied);
    EXPECT_EQ(PickFirstMenuItem(*label), "Kopiraj");
    EXPECT_EQ(ClipboardText(), c.Copied);
  }
}

TEST_F(QmCtrlsTest, TheGripCollapsesAndRestoresTheNeighbourAndTheBarDragsIt) {
  struct TCase {
    const char* Name;
    TAlign Align;
    bool WithNeighbour;
    int DragBy;  // 0: two clicks on the grip
  };
  const std::vector<TCase> cases = {
      {"left", alLeft, true, 0},
      {"top", alTop, true, 0},
      {"without a neighbour nothing happens", alLeft, false, 0},
      {"a drag outside the grip", alLeft, true, 30},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(60, 60, 460, 300);
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
    const auto clickGrip = [&] { ClickAt(*splitter, splitter->Width() / 2, splitter->Height() / 2); };
    const int before = size();
    const POINT place{splitter->Left(), splitter->Top()};
    if (c.DragBy) {
      DragOver(*Form, place.x + 5, place.x + 5 + c.DragBy, 5);  // the bar moves along
      EXPECT_EQ(size(), before + c.DragBy);
      EXPECT_FALSE(splitter->Collapsed());
      continue;
    }
    clickGrip();
    EXPECT_EQ(size(), c.WithNeighbour ? 0 : before);
    EXPECT_EQ(splitter->Collapsed(), c.WithNeighbour);
    EXPECT_EQ(sideways ? splitter->Left() : splitter->Top(), c.WithNeighbour ? 0 : (sideways ? place.x : place.y));
    clickGrip();
    EXPECT_EQ(size(), before);
    EXPECT_FALSE(splitter->Collapsed());
  }
}

TEST_F(QmCtrlsTest, EachControlComesBackFromItsComponentText) {
  struct TCase {
    std::function<TWinControl*()> Make;
    std::string Line;  // one that only a value other than the default writes
    std::function<void(TComponent& copy)> Check = [](TComponent&) {};
  };
  const std::vector<TCase> cases = {
      {[&] {
         auto* label = Add<TqmLabel>("lblInfo");
         label->SetCaption("It's selectable");
         label->SetBorder(1u << lbLeft | 1u << lbBottom);
         label->SetBevelInner(bvLowered);
         label->CanSelectText = true;
         label->SetSelectedText("sel");
         return label;
       },
       "  Border = [lbLeft, lbBottom]",
       [](TComponent& copy) { EXPECT_EQ(dynamic_cast<TqmLabel&>(copy).PopupMenu, qmLabelMenu()); }},
      {[&] {
         auto* splitter = Add<TqmSplitter>("splTop");
         splitter->SetAlign(alTop);
         splitter->GripType = gtSunken;
         return splitter;
       },
       "  GripType = gtSunken"},
      {[&] {
         auto* panel = Add<TqmPanel>("pnlInfo");
         panel->SetCaption("Panel");
         panel->BevelOuter = bvLowered;
         panel->BevelWidth = 2;
         panel->Alignment = taLeftJustify;
         return panel;
       },
       "  Alignment = taLeftJustify"},
      {[&] {
         auto* check = Add<TqmCheckBox>("cbKeep");
         check->SetChecked(true);
         return check;
       },
       "  Checked = True"},
      {[&] {
         auto* radio = Add<TqmRadioGroup>("rgMode");
         radio->SetItems({"one", "two"});
         radio->SetItemIndex(1);
         return radio;
       },
       "  ItemIndex = 1",
       [](TComponent& copy) {
         auto& radio = dynamic_cast<TqmRadioGroup&>(copy);
         ASSERT_EQ(radio.Controls().size(), 2u);
         EXPECT_TRUE(dynamic_cast<TCheckBox&>(*radio.Controls()[1]).Checked());
       }},
  };
  for (const TCase& c : cases) {
    TWinControl* original = c.Make();
    SCOPED_TRACE(original->ClassName());
    TStringList text, again;
    ComponentToDfmText(*original, text);
    EXPECT_NE(std::find(text.begin(), text.end(), c.Line), text.end());
    TComponent* copy =
        DfmTextToNewComponent(text, Form.get(), [](const std::string& message) { ADD_FAILURE() << message; });
    EXPECT_STREQ(copy->ClassName(), original->ClassName());
    ComponentToDfmText(*copy, again);
    EXPECT_EQ(again, text);
    c.Check(*copy);
  }
}

TEST_F(QmCtrlsTest, AllFiveOnAFormWithASelectionInTheLabel) {
  auto [label, middle] = AddSelectableLabel(*Form, "Copy this text");
  auto* panel = Add<TqmPanel>();
  panel->SetBounds(20, 60, 200, 50);
  panel->SetCaption("TqmPanel");
  panel->BevelInner = bvLowered;
  panel->BorderWidth = 2;
  auto* check = Add<TqmCheckBox>();
  check->SetBounds(20, 120, 150, 20);
  check->SetCaption("TqmCheckBox");
  auto* radio = Add<TqmRadioGroup>();
  radio->SetBounds(20, 150, 200, 90);
  radio->SetCaption("TqmRadioGroup");
  radio->SetItems({"First", "Second"});
  radio->SetItemIndex(0);
  auto* neighbour = Add<TPanel>();
  neighbour->SetBounds(0, 0, 120, 0);
  neighbour->SetAlign(alRight);
  neighbour->SetCaption("Neighbour");
  auto* splitter = Add<TqmSplitter>();
  splitter->SetBounds(0, 0, 12, 0);
  splitter->SetAlign(alRight);
  ASSERT_TRUE(ShowActive(*Form));
  DragOver(*label, middle[1], middle[6], 8);
  Pump(100);
  EXPECT_TRUE(SaveWindowPicture(Form->Handle(), ArtifactsFolder() + "qm_controls.bmp"));
  HDC dc = GetDC(label->Handle());
  EXPECT_EQ(GetPixel(dc, middle[3], label->Height() - 1), ColorToRGB(clHighlight));
  EXPECT_EQ(GetPixel(dc, middle[8], label->Height() - 1), GetPixel(dc, middle[8], 0)) << "beyond the selection";
  ReleaseDC(label->Handle(), dc);
}

}  // namespace
