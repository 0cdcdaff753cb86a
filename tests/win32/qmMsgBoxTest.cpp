// The program's message boxes, shown for real and answered by keys and the close button.
#include "ui/qmMsgBox.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/WineTestUtils.h"
#include "ui/qmTranslators.h"

namespace {

// The message box that is open now.
TqmMessageBox* OpenBox() { return dynamic_cast<TqmMessageBox*>(TWinControl::FromHandle(GetActiveWindow())); }

// Shows a box of Style and answers it with Action once it is open.
int Answer(uint8_t style, std::function<void(TqmMessageBox&)> action) {
  TDelayedAction act(
      [&] {
        if (TqmMessageBox* box = OpenBox()) action(*box);
      },
      300);
  return ShowMessageBox("Sure?", "Question", style, 0);
}

std::function<void(TqmMessageBox&)> Press(WORD key) {
  return [key](TqmMessageBox&) { PressKey(key); };
}

}  // namespace

TEST(QmMessageBox, EachStyleAnswersEnterEscAndTheCloseButtonAsItsButtonsSay) {
  EXPECT_EQ(Answer(0, Press(VK_ESCAPE)), mrOk);
  EXPECT_EQ(Answer(0, Press(VK_RETURN)), mrOk);
  EXPECT_EQ(Answer(1, Press(VK_ESCAPE)), mrCancel);
  EXPECT_EQ(Answer(1, Press(VK_RETURN)), mrOk);
  EXPECT_EQ(Answer(2, Press(VK_RETURN)), mrYes);
  EXPECT_EQ(Answer(2, Press(VK_ESCAPE)), mrNo);
  EXPECT_EQ(Answer(3, Press(VK_ESCAPE)), mrCancel);
  EXPECT_EQ(Answer(4, [](TqmMessageBox& box) { SendMessageA(box.Handle(), WM_CLOSE, 0, 0); }), mrCancel);
  EXPECT_EQ(Answer(4, [](TqmMessageBox& box) { box.btn4->Click(); }), mrAll);
  EXPECT_EQ(Answer(4, [](TqmMessageBox& box) { box.btn2->Click(); }), mrNo);
}

TEST(QmMessageBox, AVeryLongTextScrollsInABoxTwoThirdsOfTheScreenHigh) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "Line " + std::to_string(i) + "\r\n";
  std::unique_ptr<TqmMessageBox> box(CreateMessageBox(text, "Info", 0, 3));
  box->PrepareToShow();
  EXPECT_EQ(box->eText->Height(), GetSystemMetrics(SM_CYSCREEN) / 3 * 2);
  EXPECT_TRUE(GetWindowLongA(box->eText->Handle(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_LE(box->Height(), GetSystemMetrics(SM_CYSCREEN));
}

// The box keeps its designed size for a short text and grows to the text's height above the
// buttons, at most two thirds of the screen.
TEST(QmMessageBox, TheBoxKeepsItsDesignedSizeAndGrowsWithItsText) {
  const int limit = GetSystemMetrics(SM_CYSCREEN) / 3 * 2;
  for (int lines : {1, 12, 400}) {
    SCOPED_TRACE(lines);
    std::string text = "Line 0";
    for (int i = 1; i < lines; ++i) text += "\r\nLine " + std::to_string(i);
    std::unique_ptr<TqmMessageBox> box(CreateMessageBox(text, "Info", 0, 3));
    box->PrepareToShow();
    EXPECT_EQ(box->ClientWidth(), 553);
    const int textHeight = box->eText->Height();
    if (lines == 1) EXPECT_EQ(box->ClientHeight(), 118);
    if (lines == 12) EXPECT_GT(box->ClientHeight(), 118);
    if (lines == 400) EXPECT_EQ(textHeight, limit);
    if (lines > 1) EXPECT_EQ(box->ClientHeight(), box->Panel2->Height() + textHeight + 50);
  }
}

// The buttons of each style fill the row from the right, and the icon shows its picture alone.
TEST(QmMessageBox, EachStyleFillsItsButtonsFromTheRightAndEachIconShowsItsPicture) {
  const std::vector<std::string> styles[] = {{"-", "-", "-", "&OK"},
                                             {"-", "-", "&OK", "&Cancel"},
                                             {"-", "-", "&Yes", "&No"},
                                             {"-", "&Yes", "&No", "&Cancel"},
                                             {"&Yes", "&No", "&Cancel", "&All"}};  // "-": hidden
  for (uint8_t style = 0; style < 5; ++style) {
    std::unique_ptr<TqmMessageBox> box(CreateMessageBox("x", "Question", style, style % 4));
    std::vector<std::string> shown;
    for (TButton* button : {box->btn1, box->btn2, box->btn3, box->btn4})
      shown.push_back(button->Visible() ? button->Caption() : "-");
    EXPECT_EQ(shown, styles[style]) << int(style);
    const std::vector<bool> pictures = {box->imgQuestion->Visible(), box->imgWarning->Visible(),
                                        box->imgError->Visible(), box->imgInfo->Visible()};
    std::vector<bool> expected(4, false);
    expected[style % 4] = true;
    EXPECT_EQ(pictures, expected) << "icon " << style % 4;
  }
}

TEST(QmMessageBox, CaptionAndButtonsAreTranslatedButNotTheMessage) {
  TTestLanguage german{{"Error", "Fehler"}, {"&OK", "&Gut"}, {"Disk full", "Platte voll"}};
  RegisterControlTranslators(german.Translator());

  std::unique_ptr<TqmMessageBox> box(CreateMessageBox("Disk full", "Error", 0, 2));
  box->PrepareToShow();
  EXPECT_EQ(box->Caption(), "Fehler");
  EXPECT_EQ(box->btn4->Caption(), "&Gut");
  EXPECT_EQ(box->eText->Text(), "Disk full");
}

// The test program's manifest asks for the common controls of version 6, as the program's does:
// their buttons show an image beside the text (older ones show either).
TEST(QmMessageBox, EachKindBringsItsGlyphUnlessMessageBoxGlyphsIsOff) {
  const auto glyph = [](TButton* button) {
    return reinterpret_cast<HICON>(SendMessageA(button->Handle(), BM_GETIMAGE, IMAGE_ICON, 0));
  };
  std::unique_ptr<TqmMessageBox> box(CreateMessageBox("x", "Question", 4, 0));  // Yes, No, Cancel, All
  EXPECT_NE(glyph(box->btn1), nullptr);
  EXPECT_EQ(glyph(box->btn2), glyph(box->btn3)) << "No and Cancel: a cross";
  MessageBoxGlyphs = false;
  box->SetButtons(4);
  for (TButton* button : {box->btn1, box->btn2, box->btn3, box->btn4}) EXPECT_EQ(glyph(button), nullptr);
  MessageBoxGlyphs = true;
}

// The reader shows an error box for each property it skips, when asked to, and reads on.
TEST(QmMessageBox, ShowErrorsShowsEachPropertyTheReaderSkips) {
  const TStringList text = {"object TLorvexSettings", "  Vanished = 1", "  Left = 12", "end"};
  for (bool showErrors : {true, false}) {
    std::string shown;
    TDelayedAction close(
        [&] {
          if (TqmMessageBox* box = OpenBox()) {
            shown = box->eText->Text();
            PressKey(VK_RETURN);
          }
        },
        300);
    TLorvexSettings settings;
    EXPECT_TRUE(DfmTextToComponent(settings, text, showErrors));
    EXPECT_EQ(settings.Left, 12);
    EXPECT_EQ(shown, showErrors ? "Line 2: Property Vanished does not exist" : "");
  }
}
