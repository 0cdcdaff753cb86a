// The program's own message boxes: translated like every form, with a text that can be
// selected and copied, and a scroll bar when the text is too long for the screen.
#pragma once

#include <cstdint>
#include <string>

#include "core/Persistent.h"
#include "core/RowList.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

// While false the boxes' buttons show no glyphs (each kind of button brings its own).
extern bool MessageBoxGlyphs;

// Button styles: 0 OK; 1 OK, Cancel; 2 Yes, No; 3 Yes, No, Cancel; 4 Yes, No, Cancel, All.
// Icons: 0 question, 1 warning, 2 error, 3 information.
class TqmMessageBox : public TForm {
 public:
  TqmMessageBox();
  const char* ClassName() const override { return "TqmMessageBox"; }

  TPanel* Panel1;
  TImage* imgQuestion;
  TImage* imgWarning;
  TImage* imgError;
  TImage* imgInfo;
  TLabel* lblText;
  TMemo* eText;
  TBevel* Bevel1;
  TPanel* Panel2;
  TButton* btn1;
  TButton* btn2;
  TButton* btn3;
  TButton* btn4;

  void SetButtons(uint8_t style);
  void SetIcon(uint8_t icon);
  void SetText(const std::string& text) { FText = text; }
  uint8_t Buttons() const { return FButtons; }

  // Sizes the box to its text and translates it; runs before the box is shown.
  void PrepareToShow();

 private:
  uint8_t FButtons = 0;
  uint8_t FIcon = 0;
  std::string FText;
};

TqmMessageBox* CreateMessageBox(const std::string& text, const std::string& caption, uint8_t buttons, uint8_t icon);
int ShowMessageBox(const std::string& text, const std::string& caption, uint8_t buttons, uint8_t icon);

void ShowError(const std::string& text);
// Shows the error, then aborts the calling action silently (a dialog's OK stays open).
[[noreturn]] void ShowErrorAndAbort(const std::string& text);
void ShowInfo(const std::string& text);
bool AskYesNo(const std::string& text);
// 6 Yes, 7 No, 2 Cancel (also when the box is closed), 8 All.
int AskYesNoCancelAll(const std::string& text);

// Component text read into Component; with ShowErrors each property that cannot be applied is
// shown in an error box. Either way it keeps its value and reading goes on.
bool DfmTextToComponent(TComponent& component, const TStringList& strings, bool showErrors);

// The questions of the models, answered with these boxes.
class TMsgBoxAsker : public TAsker {
 public:
  bool AskYesNo(const std::string& text) override { return ::AskYesNo(text); }
  TAnswer AskYesNoCancelAll(const std::string& text) override;
};
