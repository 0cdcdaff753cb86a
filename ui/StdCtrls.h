// The standard controls: buttons, edit boxes, list boxes, combo boxes, labels, memos, check
// boxes.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/Controls.h"

// A push button; a bitmap button is the same with a kind that brings caption and result.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }

  int ModalResult = 0;   // set on the parent form when clicked
  bool Default = false;  // drawn as the default button (Enter is the form's DefaultButton)
  bool Cancel = false;
  void SetDefault(bool value);
  // Runs OnClick, then hands ModalResult to the parent form.
  void Click();
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Its letter takes the focus and clicks.
  bool DialogChar(WORD key) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  // A focused button is drawn as the default one, since Enter presses it; the form's default
  // button takes the look back when the focus leaves the buttons.
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ShowAsDefault(bool value);
};

// A push button with a picture, an icon (not owned): the picture alone on a button made without
// a caption, else beside the caption. It takes the focus as any button does.
class TBitBtn : public TButton {
 public:
  using TButton::TButton;
  const char* ClassName() const override { return "TBitBtn"; }

  HICON Glyph() const { return FGlyph; }
  void SetGlyph(HICON glyph);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  HICON FGlyph = nullptr;
};

// A flat button that shows an icon and, on hover, a frame; it never takes the focus.
class TSpeedButton : public TWinControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  const char* ClassName() const override { return "TSpeedButton"; }

  bool Flat = true;
  HICON Glyph = nullptr;  // not owned
  void SetGlyph(HICON glyph);
  void Click();

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& canvas) override;

 private:
  void SetHot(bool hot);
  bool FHot = false;
  bool FDown = false;     // the left button went down here and the mouse is captured
  bool FPressed = false;  // drawn pressed: down and the pointer inside
};

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);
  const char* ClassName() const override { return "TEdit"; }

  void SelectAll();
  int SelStart();
  void SetSelStart(int position);
  bool ReadOnly = false;
  void SetReadOnly(bool value);
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // Files dragged from the shell may be dropped here; OnDropFiles gets their full names.
  bool AcceptFiles() const { return FAcceptFiles; }
  void SetAcceptFiles(bool accept);
  std::function<void(TEdit& sender, const std::vector<std::string>& files)> OnDropFiles;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void DropFiles(HDROP drop);
  bool FAcceptFiles = false;
};

// A multi-line edit box.
class TMemo : public TEdit {
 public:
  explicit TMemo(TComponent* owner);
  const char* ClassName() const override { return "TMemo"; }
  bool Border = true;
  bool ScrollBars = false;  // a vertical scroll bar
  bool WantReturns = true;  // Enter breaks the line (else it goes to the form)
  bool WantTabs = false;    // Tab is typed (else it moves the focus)
  bool WordWrap = true;     // false: long lines scroll sideways, with a scroll bar of their own
  bool HorizontalScrollBar = true;  // that sideways scroll bar
  void SetScrollBars(bool vertical);

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A drop-down list to choose one of its items from; nothing can be typed. Items added before
// the window exists are kept and go into it when it is made.
class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* owner);
  const char* ClassName() const override { return "TComboBox"; }

  int DropDownCount = 8;  // the rows the open list shows at most

  int Count();
  void AddItem(const std::string& text);
  std::string ItemText(int index);  // empty for an index out of range
  void SetItemText(int index, const std::string& text);
  void Clear();
  int ItemIndex();  // -1 when none is selected
  void SetItemIndex(int index);
  // The selected item's text; empty when none is selected.
  std::string Text();

  // OnChange: the user chose another item (SetItemIndex does not fire it).
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  void SizeDropDown();
  std::vector<std::string> FPending;  // the items while there is no window
  int FPendingIndex = -1;
};

class TLabel : public TWinControl {
 public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  void describe(TPropertyVisitor& visitor) override;
  bool WordWrap = false;
  bool AutoSize = true;
  bool Transparent = true;
  bool ShowAccelChar = true;  // "&x" underlines x; off for texts such as file names
  bool ParentColor = true;    // the parent's background when not transparent
  // Takes the focus when the label's underlined letter is pressed (and, for some labels, when the
  // label is clicked).
  TWinControl* FocusControl = nullptr;
  bool DialogChar(WORD key) override;
  // Sizes the label to its text: the height follows the lines when WordWrap keeps the width.
  // Runs by itself when the window's text or font changes.
  virtual void AdjustSize();
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // The size the text takes in the label's font when drawn with these DrawText flags (lines
  // broken at WrapWidth with DT_WORDBREAK).
  SIZE MeasureText(int wrapWidth, UINT flags);
};

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* owner);
  const char* ClassName() const override { return "TCheckBox"; }
  void describe(TPropertyVisitor& visitor) override;
  bool ParentColor = true;  // the parent's background
  bool Checked();
  // Changes the state without running OnClick.
  void SetChecked(bool checked);
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Its letter takes the focus and clicks (a check box turns, a radio button is chosen).
  bool DialogChar(WORD key) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  bool FChecked = false;
};

// One choice among the radio buttons of its parent.
class TRadioButton : public TCheckBox {
 public:
  using TCheckBox::TCheckBox;
  const char* ClassName() const override { return "TRadioButton"; }

 protected:
  void CreateParams(TCreateParams& params) override;
};

enum TOwnerDrawState : unsigned { odSelected = 1, odFocused = 2 };
using TDrawItemEvent =
    std::function<void(TWinControl& control, int index, const RECT& rect, unsigned state, TCanvas& canvas)>;

// A list box of owner-drawn rows of fixed height; each row may carry a pointer of the caller's.
// Items added before the window exists are kept and go into it when it is made.
class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* owner);
  const char* ClassName() const override { return "TListBox"; }

  int ItemHeight = 16;
  bool OwnerDraw = true;
  bool Border = true;
  void SetItemHeight(int height);

  int Count();
  int AddItem(const std::string& text, void* data = nullptr);
  void InsertItem(int index, const std::string& text, void* data = nullptr);
  void DeleteItem(int index);
  void Clear();
  std::string ItemText(int index);
  void* ItemData(int index);  // nullptr for an index out of range
  void SetItemData(int index, void* data);
  int ItemIndex();
  void SetItemIndex(int index);
  int TopIndex();
  void SetTopIndex(int index);
  int ItemAtPos(POINT p);  // -1 outside the rows
  RECT ItemRect(int index);
  // Stops redrawing until the matching EndUpdate; pairs nest.
  void BeginUpdate();
  void EndUpdate();

  // Draws one row; Canvas comes with the row's colours (highlight when selected) and the font.
  TDrawItemEvent OnDrawItem;
  bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle() override;

 private:
  struct TPendingItem {
    std::string Text;
    void* Data;
  };
  void DrawItem(const DRAWITEMSTRUCT& item);
  std::vector<TPendingItem> FPending;  // the items while there is no window
  int FPendingIndex = -1;
  int FUpdateCount = 0;
  bool FRedrawStopped = false;
};
