#include "ui/StdCtrls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "core/win32/WideText.h"
#include "ui/Forms.h"

namespace {

constexpr int GlyphSize = 16;

// Points a system control at its class and has it subclassed.
void UseSystemClass(TCreateParams& params, const char* className) {
  params.WinClassName = className;
  params.SystemClass = true;
}

}  // namespace

// --- TButton ------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  UseSystemClass(params, "BUTTON");
  params.Style |= Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
  Default = value;
  if (HandleAllocated()) SendMessageA(FHandle, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (OnClick) OnClick(*this);
  if (ModalResult == 0) return;
  if (TForm* form = ParentForm()) form->ModalResult = ModalResult;
}

bool TButton::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    Click();
    result = 0;
    return true;
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}

bool TButton::DialogChar(WORD key) {
  if (!IsAccel(key, Caption()) || !CanFocus()) return false;
  SetFocus();
  Click();  // may free the button: nothing after this
  return true;
}

void TButton::ShowAsDefault(bool value) {
  if (HandleAllocated()) SendMessageA(FHandle, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

LRESULT TButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  TForm* form = msg == WM_SETFOCUS || msg == WM_KILLFOCUS ? ParentForm() : nullptr;
  if (form && msg == WM_SETFOCUS) {
    for (TWinControl* control : TabOrderBelow(*form))
      if (auto* button = dynamic_cast<TButton*>(control); button && button != this) button->ShowAsDefault(false);
    ShowAsDefault(true);
  } else if (form && msg == WM_KILLFOCUS) {
    ShowAsDefault(false);
    auto* next = dynamic_cast<TButton*>(FromHandle(reinterpret_cast<HWND>(wParam)));
    if ((!next || next->ParentForm() != form) && form->DefaultButton) form->DefaultButton->ShowAsDefault(true);
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

// --- TBitBtn ------------------------------------------------------------------------------

void TBitBtn::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  if (Caption().empty()) params.Style |= BS_ICON;
}

void TBitBtn::CreateWindowHandle() {
  TButton::CreateWindowHandle();
  SendMessageA(FHandle, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FGlyph));
}

void TBitBtn::SetGlyph(HICON glyph) {
  FGlyph = glyph;
  if (HandleAllocated()) SendMessageA(FHandle, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph));
}

// --- TSpeedButton -------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TWinControl(owner) {
  OwnerPaints = true;
  SetBounds(0, 0, 23, 22);
}

void TSpeedButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexSpeedButton";
  params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}

void TSpeedButton::SetGlyph(HICON glyph) {
  Glyph = glyph;
  Invalidate();
}

void TSpeedButton::Click() {
  if (OnClick) OnClick(*this);
}

void TSpeedButton::SetHot(bool hot) {
  if (hot == FHot) return;
  FHot = hot;
  if (hot) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, FHandle, 0};
    TrackMouseEvent(&track);
  }
  Invalidate();
}

LRESULT TSpeedButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE: {
      SetHot(true);
      if (FDown) {
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT client = ClientRect();
        const bool inside = PtInRect(&client, p);
        if (inside != FPressed) {
          FPressed = inside;
          Invalidate();
        }
      }
      break;
    }
    case WM_MOUSELEAVE:
      SetHot(false);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a quick pair
      FDown = FPressed = true;
      SetCapture(FHandle);
      Invalidate();
      return 0;
    case WM_LBUTTONUP: {
      if (!FDown) return 0;
      const bool inside = FPressed;
      FDown = FPressed = false;
      ReleaseCapture();
      SetHot(inside);
      Invalidate();
      if (inside) Click();  // may free the button: nothing after this
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (FDown) {
        FDown = FPressed = false;
        Invalidate();
      }
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

void TSpeedButton::Paint(TCanvas& canvas) {
  RECT r = ClientRect();
  if (!Flat)
    DrawEdge(canvas.Handle(), &r, FPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  else if (FPressed)
    DrawEdge(canvas.Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
  else if (FHot)
    DrawEdge(canvas.Handle(), &r, BDR_RAISEDINNER, BF_RECT);

  const int shift = FPressed ? 1 : 0;
  if (Glyph) {
    const int x = (r.right - GlyphSize) / 2 + shift;
    const int y = (r.bottom - GlyphSize) / 2 + shift;
    if (Enabled())
      canvas.DrawIcon(x, y, Glyph, GlyphSize);
    else
      DrawStateA(canvas.Handle(), nullptr, nullptr, reinterpret_cast<LPARAM>(Glyph), 0, x, y, GlyphSize, GlyphSize,
                 DST_ICON | DSS_DISABLED);
  } else if (const std::string caption = Caption(); !caption.empty()) {
    canvas.SetFont(Font());
    OffsetRect(&r, shift, shift);
    canvas.DrawText(caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

// --- TEdit --------------------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  UseSystemClass(params, "EDIT");
  params.Style |= ES_AUTOHSCROLL;
  if (ReadOnly) params.Style |= ES_READONLY;
  params.ExStyle |= WS_EX_CLIENTEDGE;
  if (FAcceptFiles) params.ExStyle |= WS_EX_ACCEPTFILES;
}

void TEdit::SetAcceptFiles(bool accept) {
  FAcceptFiles = accept;
  if (HandleAllocated()) DragAcceptFiles(FHandle, accept);
}

LRESULT TEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DROPFILES) {
    DropFiles(reinterpret_cast<HDROP>(wParam));
    return 0;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

void TEdit::DropFiles(HDROP drop) {
  // The drop's memory is released whatever the handler does.
  struct TFinishDrop {
    HDROP Drop;
    ~TFinishDrop() { DragFinish(Drop); }
  } finish{drop};
  std::vector<std::string> files;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Names are as long as they are: each is measured before it is read.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), length + 1));
    files.push_back(WideToUtf8(name));
  }
  if (!files.empty() && OnDropFiles) OnDropFiles(*this, files);
}

void TEdit::SetReadOnly(bool value) {
  ReadOnly = value;
  if (HandleAllocated()) SendMessageA(FHandle, EM_SETREADONLY, value, 0);
}

void TEdit::SelectAll() {
  if (HandleAllocated()) SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

int TEdit::SelStart() {
  if (!HandleAllocated()) return 0;
  DWORD start = 0;
  SendMessageA(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TEdit::SetSelStart(int position) {
  if (!HandleAllocated()) return;
  SendMessageA(FHandle, EM_SETSEL, position, position);
  SendMessageA(FHandle, EM_SCROLLCARET, 0, 0);
}

bool TEdit::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
    if (OnChange) OnChange(*this);
    result = 0;
    return true;
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}

// --- TMemo --------------------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TEdit(owner) { SetBounds(0, 0, 185, 89); }

void TMemo::CreateParams(TCreateParams& params) {
  TEdit::CreateParams(params);
  params.Style &= ~ES_AUTOHSCROLL;
  params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!WordWrap) params.Style |= ES_AUTOHSCROLL | (HorizontalScrollBar ? WS_HSCROLL : 0);
  if (WantReturns) params.Style |= ES_WANTRETURN;
  if (ScrollBars) params.Style |= WS_VSCROLL;
  if (!Border) params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TMemo::SetScrollBars(bool vertical) {
  if (vertical == ScrollBars) return;
  ScrollBars = vertical;
  if (!HandleAllocated()) return;
  // The edit control reads its scroll bar style only when it is made: make it again.
  const std::string text = Text();
  DestroyWnd();
  SetText(text);
  CreateWnd();
}

LRESULT TMemo::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // The form keeps Tab, Enter and Esc unless the memo wants them.
      LRESULT code = TEdit::WndProc(msg, wParam, lParam) & ~DLGC_WANTALLKEYS;
      if (const auto* key = reinterpret_cast<const MSG*>(lParam); key && key->message == WM_KEYDOWN) {
        if ((key->wParam == VK_TAB && WantTabs) || (key->wParam == VK_RETURN && WantReturns && !ReadOnly))
          code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      // A multi-line edit control answers Esc by closing its parent window (a panel, say).
      if (wParam == VK_ESCAPE) {
        WORD key = VK_ESCAPE;
        if (OnKeyDown) OnKeyDown(*this, key, KeyboardShiftState());
        return 0;
      }
      break;
  }
  return TEdit::WndProc(msg, wParam, lParam);
}

// --- TComboBox ---------------------------------------------------------------------------

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetColor(clWindow);
  SetBounds(0, 0, 145, 21);
}

void TComboBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  UseSystemClass(params, "COMBOBOX");
  params.Style |= CBS_DROPDOWNLIST | WS_VSCROLL;
}

void TComboBox::CreateWindowHandle() {
  const std::vector<std::string> pending = std::move(FPending);
  FPending.clear();
  for (const std::string& item : pending) AddItem(item);
  if (FPendingIndex >= 0) SetItemIndex(FPendingIndex);
  FPendingIndex = -1;
  SizeDropDown();
}

void TComboBox::SizeDropDown() {
  // The height a drop-down box is given is that of the closed box and its open list together;
  // the closed box keeps its own height, and a later smaller height leaves the list as it is.
  const auto itemHeight = SendMessageA(FHandle, CB_GETITEMHEIGHT, 0, 0);
  const int rows = std::max(1, DropDownCount);
  const int listHeight = rows * static_cast<int>(std::max<LRESULT>(itemHeight, 1)) + 2;
  SetWindowPos(FHandle, nullptr, 0, 0, Width(), Height() + listHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Newer common controls size the list by rows instead.
  SendMessageA(FHandle, CB_SETMINVISIBLE, rows, 0);
}

int TComboBox::Count() {
  if (!HandleAllocated()) return static_cast<int>(FPending.size());
  return static_cast<int>(SendMessageA(FHandle, CB_GETCOUNT, 0, 0));
}

void TComboBox::AddItem(const std::string& text) {
  if (!HandleAllocated())
    FPending.push_back(text);
  else
    SendMessageA(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TComboBox::ItemText(int index) {
  if (index < 0 || index >= Count()) return {};
  if (!HandleAllocated()) return FPending[index];
  const auto length = SendMessageA(FHandle, CB_GETLBTEXTLEN, index, 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const auto copied = SendMessageA(FHandle, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void TComboBox::SetItemText(int index, const std::string& text) {
  if (index < 0 || index >= Count()) return;
  if (!HandleAllocated()) {
    FPending[index] = text;
    return;
  }
  const bool selected = ItemIndex() == index;
  SendMessageA(FHandle, CB_DELETESTRING, index, 0);
  SendMessageA(FHandle, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
  if (selected) SendMessageA(FHandle, CB_SETCURSEL, index, 0);
}

void TComboBox::Clear() {
  FPending.clear();
  FPendingIndex = -1;
  if (HandleAllocated()) SendMessageA(FHandle, CB_RESETCONTENT, 0, 0);
}

int TComboBox::ItemIndex() {
  if (!HandleAllocated()) return FPendingIndex;
  const auto index = SendMessageA(FHandle, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (!HandleAllocated())
    FPendingIndex = index;
  else
    SendMessageA(FHandle, CB_SETCURSEL, index, 0);
}

std::string TComboBox::Text() { return ItemText(ItemIndex()); }

bool TComboBox::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) {
    if (OnChange) OnChange(*this);
    result = 0;
    return true;
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}

// --- TLabel -------------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 65, 17); }

void TLabel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  UseSystemClass(params, "STATIC");
  params.Style |= SS_NOTIFY | (WordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP);
  if (!ShowAccelChar) params.Style |= SS_NOPREFIX;
  // The parent paints the background under a transparent child too.
  if (Transparent) params.ExStyle |= WS_EX_TRANSPARENT;
}

void TLabel::describe(TPropertyVisitor& visitor) {
  TWinControl::describe(visitor);
  visitor.Boolean("AutoSize", AutoSize, [this](bool value) {
    AutoSize = value;
    if (AutoSize) AdjustSize();
  });
  visitor.Boolean("WordWrap", WordWrap);
  visitor.Boolean("ShowAccelChar", ShowAccelChar);
}

SIZE TLabel::MeasureText(int wrapWidth, UINT flags) {
  std::string text = Caption();
  if (text.empty()) text = " ";  // an empty label keeps the height of one line
  RECT r{0, 0, (flags & DT_WORDBREAK) ? wrapWidth : 0, 0};
  HDC dc = GetDC(nullptr);
  {
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    canvas.DrawText(text, r, flags | DT_CALCRECT);
  }
  ReleaseDC(nullptr, dc);
  return {r.right, r.bottom};
}

void TLabel::AdjustSize() {
  UINT flags = DT_EXPANDTABS | (WordWrap ? DT_WORDBREAK : DT_SINGLELINE);
  if (!ShowAccelChar) flags |= DT_NOPREFIX;
  const SIZE size = MeasureText(Width(), flags);
  SetBounds(Left(), Top(), WordWrap ? Width() : size.cx, size.cy);
}

LRESULT TLabel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT: {
      const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
      if (AutoSize) AdjustSize();
      if (Transparent && Parent() && Parent()->HandleAllocated()) {
        // Nothing erases behind a transparent label: the parent paints the old text away.
        RECT r{Left(), Top(), Left() + Width(), Top() + Height()};
        RedrawWindow(Parent()->Handle(), &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
      return result;
    }
    case WM_SETFONT: {
      const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
      if (AutoSize) AdjustSize();
      return result;
    }
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

bool TLabel::DialogChar(WORD key) {
  if (!ShowAccelChar || !FocusControl || !FocusControl->CanFocus() || !IsAccel(key, Caption())) return false;
  FocusByKey(*FocusControl);
  return true;
}

bool TLabel::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == STN_CLICKED) {
        if (OnClick) OnClick(*this);
        return true;
      }
      if (HIWORD(wParam) == STN_DBLCLK) {
        if (OnDblClick) OnDblClick(*this);
        return true;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (Transparent) {
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      } else if (ParentColor && Parent()) {
        // The colours the parent gives its own children, with this label's text colour.
        Parent()->ReflectedMessage(msg, wParam, lParam, result);
      } else {
        break;
      }
      SetTextColor(dc, ColorToRGB(Font().Color));
      return true;
    }
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}

// --- TCheckBox ----------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  UseSystemClass(params, "BUTTON");
  params.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::describe(TPropertyVisitor& visitor) {
  TWinControl::describe(visitor);
  visitor.Boolean("Checked", Checked(), [this](bool value) { SetChecked(value); });
}

void TCheckBox::CreateWindowHandle() { SendMessageA(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0); }

bool TCheckBox::Checked() {
  if (HandleAllocated()) FChecked = SendMessageA(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return FChecked;
}

void TCheckBox::SetChecked(bool checked) {
  FChecked = checked;
  if (HandleAllocated()) SendMessageA(FHandle, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        Checked();  // remembers the new state
        if (OnClick) OnClick(*this);
        return true;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (ParentColor && Parent()) {
        Parent()->ReflectedMessage(msg, wParam, lParam, result);
        SetTextColor(reinterpret_cast<HDC>(wParam), ColorToRGB(Font().Color));
        return true;
      }
      break;
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}

bool TCheckBox::DialogChar(WORD key) {
  if (!IsAccel(key, Caption()) || !CanFocus()) return false;
  SetFocus();
  SendMessageA(Handle(), BM_CLICK, 0, 0);  // as a click turns it, with its OnClick
  return true;
}

// --- TRadioButton -------------------------------------------------------------------------

void TRadioButton::CreateParams(TCreateParams& params) {
  TCheckBox::CreateParams(params);
  params.Style = (params.Style & ~BS_TYPEMASK) | BS_AUTORADIOBUTTON;
}

// --- TListBox -----------------------------------------------------------------------------

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
}

void TListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  UseSystemClass(params, "LISTBOX");
  params.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | WS_VSCROLL;
  if (OwnerDraw) params.Style |= LBS_OWNERDRAWFIXED;
  if (Border) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::CreateWindowHandle() {
  // The list box asks for the row height while it is being made, before it is ours: tell it now.
  if (OwnerDraw) SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, ItemHeight);
  const std::vector<TPendingItem> pending = std::move(FPending);
  FPending.clear();
  for (const TPendingItem& item : pending) AddItem(item.Text, item.Data);
  if (FPendingIndex >= 0) SetItemIndex(FPendingIndex);
  FPendingIndex = -1;
}

void TListBox::SetItemHeight(int height) {
  ItemHeight = height;
  if (HandleAllocated() && OwnerDraw) {
    SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, height);
    Invalidate();
  }
}

int TListBox::Count() {
  if (!HandleAllocated()) return static_cast<int>(FPending.size());
  return static_cast<int>(SendMessageA(FHandle, LB_GETCOUNT, 0, 0));
}

int TListBox::AddItem(const std::string& text, void* data) {
  if (!HandleAllocated()) {
    FPending.push_back({text, data});
    return static_cast<int>(FPending.size()) - 1;
  }
  const int index = static_cast<int>(SendMessageA(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  if (index >= 0) SendMessageA(FHandle, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(data));
  return index;
}

void TListBox::InsertItem(int index, const std::string& text, void* data) {
  if (index < 0 || index > Count()) index = Count();
  if (!HandleAllocated()) {
    FPending.insert(FPending.begin() + index, {text, data});
    return;
  }
  index = static_cast<int>(SendMessageA(FHandle, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str())));
  if (index >= 0) SendMessageA(FHandle, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(data));
}

void TListBox::DeleteItem(int index) {
  if (index < 0 || index >= Count()) return;
  if (!HandleAllocated())
    FPending.erase(FPending.begin() + index);
  else
    SendMessageA(FHandle, LB_DELETESTRING, index, 0);
}

void TListBox::Clear() {
  FPending.clear();
  FPendingIndex = -1;
  if (HandleAllocated()) SendMessageA(FHandle, LB_RESETCONTENT, 0, 0);
}

std::string TListBox::ItemText(int index) {
  if (index < 0 || index >= Count()) return {};
  if (!HandleAllocated()) return FPending[index].Text;
  const auto length = SendMessageA(FHandle, LB_GETTEXTLEN, index, 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const auto copied = SendMessageA(FHandle, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void* TListBox::ItemData(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  if (!HandleAllocated()) return FPending[index].Data;
  return reinterpret_cast<void*>(SendMessageA(FHandle, LB_GETITEMDATA, index, 0));
}

void TListBox::SetItemData(int index, void* data) {
  if (index < 0 || index >= Count()) return;
  if (!HandleAllocated())
    FPending[index].Data = data;
  else
    SendMessageA(FHandle, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(data));
}

int TListBox::ItemIndex() {
  if (!HandleAllocated()) return FPendingIndex;
  const auto index = SendMessageA(FHandle, LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (!HandleAllocated())
    FPendingIndex = index;
  else
    SendMessageA(FHandle, LB_SETCURSEL, index, 0);
}

int TListBox::TopIndex() {
  return HandleAllocated() ? static_cast<int>(SendMessageA(FHandle, LB_GETTOPINDEX, 0, 0)) : 0;
}

void TListBox::SetTopIndex(int index) {
  if (HandleAllocated()) SendMessageA(FHandle, LB_SETTOPINDEX, std::max(0, index), 0);
}

int TListBox::ItemAtPos(POINT p) {
  if (!HandleAllocated()) return -1;
  const RECT client = ClientRect();
  if (!PtInRect(&client, p)) return -1;
  // The rows have one height, so no 16-bit LB_ITEMFROMPOINT is needed.
  const auto height = SendMessageA(FHandle, LB_GETITEMHEIGHT, 0, 0);
  if (height <= 0) return -1;
  const int index = TopIndex() + p.y / static_cast<int>(height);
  return index < Count() ? index : -1;
}

RECT TListBox::ItemRect(int index) {
  RECT r{};
  if (HandleAllocated() && SendMessageA(FHandle, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)) == LB_ERR)
    r = RECT{};
  return r;
}

void TListBox::BeginUpdate() {
  // WM_SETREDRAW shows a window when it switches drawing on again: leave hidden ones alone.
  if (FUpdateCount++ == 0 && HandleAllocated() && IsWindowVisible(FHandle)) {
    SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
    FRedrawStopped = true;
  }
}

void TListBox::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0 || !FRedrawStopped) return;
  FRedrawStopped = false;
  if (!HandleAllocated()) return;
  SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TListBox::DrawItem(const DRAWITEMSTRUCT& item) {
  TCanvas canvas(item.hDC);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  TFont font = Font();
  if (selected) font.Color = clHighlightText;
  canvas.SetFont(font);
  canvas.BrushColor = selected ? clHighlight : Color();
  const int index = static_cast<int>(item.itemID);
  if (index < 0) {  // an empty list that has the focus
    canvas.FillRect(item.rcItem);
    return;
  }
  const unsigned state =
      (selected ? unsigned{odSelected} : 0u) | ((item.itemState & ODS_FOCUS) ? unsigned{odFocused} : 0u);
  if (OnDrawItem) {
    OnDrawItem(*this, index, item.rcItem, state, canvas);
    return;
  }
  canvas.FillRect(item.rcItem);
  RECT r = item.rcItem;
  r.left += 2;
  canvas.DrawText(ItemText(index), r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (state & odFocused) DrawFocusRect(item.hDC, &item.rcItem);
}

bool TListBox::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(ItemHeight);
      result = TRUE;
      return true;
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) == LBN_SELCHANGE) {
        if (OnChange) OnChange(*this);
        return true;
      }
      if (HIWORD(wParam) == LBN_DBLCLK) {
        if (OnDblClick) OnDblClick(*this);
        return true;
      }
      break;
  }
  return TWinControl::ReflectedMessage(msg, wParam, lParam, result);
}
