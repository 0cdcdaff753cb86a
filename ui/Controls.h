// The window base of every control: a Win32 window owned by a component, with a parent, child
// controls, bounds, alignment and events. Messages a child sends its parent (commands, drawing,
// colours, notifications) are handed back to the child that sent them.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Persistent.h"
#include "ui/Graphics.h"

class TPopupMenu;
class TForm;

// The program-wide cursor: while set it shows over every control of the program (the
// hourglass during a long action); nullptr gives each control its own again.
HCURSOR ScreenCursor();
void SetScreenCursor(HCURSOR cursor);

// The hourglass from construction to destruction, restoring what was there before.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  HCURSOR FPrevious;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// The reading order of a control's text: right to left also places it from the right.
enum TBiDiMode { bdLeftToRight, bdRightToLeft };

enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = unsigned;
TShiftState KeyboardShiftState();

using TNotifyEvent = std::function<void(TComponent& sender)>;
// Key is the virtual key; set it to 0 to consume the key.
using TKeyEvent = std::function<void(TComponent& sender, WORD& key, TShiftState shift)>;
// Key is the character; set it to 0 to consume it.
using TKeyPressEvent = std::function<void(TComponent& sender, char& key)>;
using TMouseEvent = std::function<void(TComponent& sender, int x, int y)>;
// Sees a control's window messages before the control; true when it handled the message,
// with Result as the answer.
using TWindowHook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

struct TCreateParams {
  std::string WinClassName = "TLorvexWindow";
  bool SystemClass = false;  // a class of the system (EDIT, LISTBOX, ...) that we subclass
  DWORD Style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ExStyle = 0;
  UINT ClassStyle = CS_DBLCLKS;
};

class TWinControl : public TComponent {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  const char* ClassName() const override { return "TWinControl"; }
  // What component text holds of every control: bounds, alignment, caption, state and hint.
  void describe(TPropertyVisitor& visitor) override;

  // The window, created with its parents when first needed.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  // The control whose window this is, or nullptr.
  static TWinControl* FromHandle(HWND wnd);

  TWinControl* Parent() const { return FParent; }
  void SetParent(TWinControl* parent);
  const std::vector<TWinControl*>& Controls() const { return FControls; }
  TForm* ParentForm();

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  RECT ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);

  std::string Caption() const;  // the window text
  void SetCaption(const std::string& text);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }

  std::string Hint;
  bool ShowHint = true;
  bool TabStop = false;
  TPopupMenu* PopupMenu = nullptr;

  // Read only: a font is changed through SetFont alone, so that a change always reaches the
  // window and the children that follow it, and ends following the parent.
  const TFont& Font() const { return FFont; }
  // The control's own font: it no longer follows its parent's.
  void SetFont(const TFont& font);
  // On: the control takes its parent's font, and takes it again whenever the parent's font is
  // set, until the control's own is set. Off unless a control asks for it.
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  // Honoured by the controls that draw their own text (see DrawTextBiDiModeFlags).
  TBiDiMode BiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode value);
  // DrawText's flags for the reading order: right to left reads so and swaps left and right.
  UINT DrawTextBiDiModeFlags(UINT flags) const;
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  HCURSOR Cursor = nullptr;  // nullptr: the arrow

  bool Focused();
  bool CanFocus();
  virtual void SetFocus();
  void Invalidate();
  void Repaint();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnChange;
  TNotifyEvent OnResize;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TMouseEvent OnMouseMove;    // in client coordinates
  TMouseEvent OnMouseDown;    // any button, before the control's own handling
  TNotifyEvent OnMouseEnter;  // the pointer came over the control

  // The message a child sent its parent about itself (WM_COMMAND, WM_DRAWITEM, ...).
  virtual bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // The key of an underlined letter of the form (with Alt, or alone where the focused control
  // types no characters): true when this control took it (a button clicks, a label hands the
  // focus on).
  virtual bool DialogChar(WORD key) { return false; }

  // Lays out the aligned children in the client area.
  void Realign();

  // Hooks run newest first. Each is removed by its id, in any order, also after the control
  // is gone (its hooks go with it).
  int AddWindowHook(TWindowHook hook);
  static void RemoveWindowHook(int id);

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // After the window exists: fonts, texts and state that need a handle.
  virtual void CreateWindowHandle() {}
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void Paint(TCanvas& canvas) {}
  bool OwnerPaints = false;  // WM_PAINT goes to Paint
  // The room of the client area that aligned children share (a margin taken off, say).
  virtual void AdjustClientRect(RECT& rect) {}

  HWND FHandle = nullptr;

 private:
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  bool RunWindowHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void UpdateBoundsFromWindow();
  TWinControl* FindChild(HWND wnd);
  // Takes Font and hands it on to the children that follow this control's.
  void ChangeFont(const TFont& font);

  TWinControl* FParent = nullptr;
  std::vector<TWinControl*> FControls;
  WNDPROC FDefWndProc = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FCaption;
  TFont FFont;
  bool FParentFont = false;
  TBiDiMode FBiDiMode = bdLeftToRight;
  TColor FColor = clBtnFace;
  HBRUSH FBrush = nullptr;
  bool FRealigning = false;
  bool FMouseInside = false;  // OnMouseEnter ran, and the pointer has not left since
  std::map<int, TWindowHook> FHooks;
};

// The controls below Parent, nested ones included, in the order Tab visits them: as they stand,
// row by row from the top and each row from the left, a container's controls right after it.
// Controls share a row when the lower one begins above the middle of the first of the row.
std::vector<TWinControl*> TabOrderBelow(TWinControl& parent);
// The first of them that Tab stops at and that can take the focus; nullptr without one.
TWinControl* FirstTabStop(TWinControl& parent);
// Gives Control the focus as a key does: an edit box's text is selected whole, so that typing
// replaces it.
void FocusByKey(TWinControl& control);
// True when Caption underlines ("&x") the character that Key, a virtual key, types.
bool IsAccel(WORD key, const std::string& caption);
