#include "ui/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string_view>

#include "core/Unicode.h"
#include "core/win32/WideText.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace {

const char* const ControlProperty = "LorvexControl";
UINT NextControlId = 100;

// The control each window hook belongs to: a hook can be removed after its control is gone.
std::map<int, TWinControl*>& HookOwners() {
  static std::map<int, TWinControl*> owners;
  return owners;
}
int NextHookId = 1;

void RegisterOwnClass(const std::string& name, UINT classStyle);

}  // namespace

LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = TWinControl::FromHandle(wnd);
  if (!control && msg == WM_NCCREATE) {
    control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    if (control) {
      control->FHandle = wnd;
      SetPropA(wnd, ControlProperty, control);
    }
  }
  if (!control) return DefWindowProcA(wnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    const LRESULT result = control->DefaultHandler(msg, wParam, lParam);
    RemovePropA(wnd, ControlProperty);
    if (control->FDefWndProc != DefWindowProcA)
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control->FDefWndProc));
    control->FHandle = nullptr;
    return result;
  }
  return GuardedCall([&] {
    LRESULT result = 0;
    if (control->RunWindowHooks(msg, wParam, lParam, result)) return result;
    return control->WndProc(msg, wParam, lParam);
  });
}

namespace {

void RegisterOwnClass(const std::string& name, UINT classStyle) {
  static std::set<std::string> registered;
  if (registered.count(name)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = classStyle;
  wc.lpfnWndProc = ControlWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
  wc.lpszClassName = name.c_str();
  RegisterClassExA(&wc);
  registered.insert(name);
}

}  // namespace

namespace {
HCURSOR GScreenCursor = nullptr;
}

HCURSOR ScreenCursor() { return GScreenCursor; }

void SetScreenCursor(HCURSOR cursor) {
  GScreenCursor = cursor;
  // Shown at once, not only when the pointer next moves.
  SetCursor(cursor ? cursor : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

TBusyCursor::TBusyCursor() : FPrevious(GScreenCursor) {
  SetScreenCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
}

TBusyCursor::~TBusyCursor() { SetScreenCursor(FPrevious); }

TShiftState KeyboardShiftState() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {}

TWinControl::~TWinControl() {
  DestroyWnd();
  for (const auto& [id, hook] : FHooks) HookOwners().erase(id);
  for (TWinControl* child : FControls) child->FParent = nullptr;
  if (FParent) std::erase(FParent->FControls, this);
  if (FBrush) DeleteObject(FBrush);
}

void TWinControl::describe(TPropertyVisitor& visitor) {
  static constexpr const char* AlignNames[] = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
  visitor.Integer("Left", FLeft, [this](int32_t value) { SetLeft(value); });
  visitor.Integer("Top", FTop, [this](int32_t value) { SetTop(value); });
  visitor.Integer("Width", FWidth, [this](int32_t value) { SetWidth(value); });
  visitor.Integer("Height", FHeight, [this](int32_t value) { SetHeight(value); });
  visitor.Enumeration("Align", FAlign, AlignNames, [this](int value) { SetAlign(static_cast<TAlign>(value)); });
  visitor.String("Caption", Caption(), [this](const std::string& value) { SetCaption(value); });
  visitor.Boolean("Enabled", FEnabled, [this](bool value) { SetEnabled(value); });
  visitor.Boolean("Visible", FVisible, [this](bool value) { SetVisible(value); });
  visitor.String("Hint", Hint);
  visitor.Boolean("ShowHint", ShowHint);
  visitor.Boolean("TabStop", TabStop);
}

int TWinControl::AddWindowHook(TWindowHook hook) {
  const int id = NextHookId++;
  FHooks.emplace(id, std::move(hook));
  HookOwners()[id] = this;
  return id;
}

void TWinControl::RemoveWindowHook(int id) {
  auto owner = HookOwners().find(id);
  if (owner == HookOwners().end()) return;
  owner->second->FHooks.erase(id);
  HookOwners().erase(owner);
}

bool TWinControl::RunWindowHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (FHooks.empty()) return false;
  // A hook may remove hooks (itself too) or free the control: each is looked up again first.
  std::vector<int> ids;
  for (auto it = FHooks.rbegin(); it != FHooks.rend(); ++it) ids.push_back(it->first);
  for (int id : ids) {
    auto owner = HookOwners().find(id);
    if (owner == HookOwners().end() || owner->second != this) continue;
    const TWindowHook hook = FHooks.at(id);
    if (hook(msg, wParam, lParam, result)) return true;
  }
  return false;
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
  return wnd ? static_cast<TWinControl*>(GetPropA(wnd, ControlProperty)) : nullptr;
}

HWND TWinControl::Handle() {
  if (!FHandle) CreateWnd();
  return FHandle;
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (FParent) std::erase(FParent->FControls, this);
  FParent = parent;
  if (FParent) {
    FParent->FControls.push_back(this);
    if (FParentFont) ChangeFont(FParent->FFont);
    if (FHandle)
      ::SetParent(FHandle, FParent->Handle());
    else if (FParent->HandleAllocated())
      CreateWnd();
    FParent->Realign();
  }
}

TForm* TWinControl::ParentForm() {
  TWinControl* control = this;
  while (control->FParent) control = control->FParent;
  return dynamic_cast<TForm*>(control);
}

void TWinControl::CreateParams(TCreateParams& params) {
  if (FVisible) params.Style |= WS_VISIBLE;
  if (!FEnabled) params.Style |= WS_DISABLED;
  if (TabStop) params.Style |= WS_TABSTOP;
}

void TWinControl::CreateWnd() {
  if (FParent && !FParent->HandleAllocated()) {
    FParent->CreateWnd();  // creates this control among its children
    if (FHandle) return;
  }
  TCreateParams params;
  CreateParams(params);
  if (!params.SystemClass) RegisterOwnClass(params.WinClassName, params.ClassStyle);
  HWND parentWnd = FParent ? FParent->FHandle : nullptr;
  if (!parentWnd) params.Style &= ~WS_CHILD;
  const HMENU id =
      (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId++)) : nullptr;
  HWND wnd =
      CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), FCaption.c_str(), params.Style, FLeft, FTop, FWidth,
                      FHeight, parentWnd, id, GetModuleHandleA(nullptr), params.SystemClass ? nullptr : this);
  if (!wnd) throw Exception("Cannot create the window " + params.WinClassName);
  if (params.SystemClass) {
    FHandle = wnd;
    SetPropA(wnd, ControlProperty, this);
    FDefWndProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlWindowProc)));
  } else {
    FDefWndProc = DefWindowProcA;
  }
  SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
  UpdateBoundsFromWindow();
  CreateWindowHandle();
  for (TWinControl* child : std::vector<TWinControl*>(FControls))
    if (!child->FHandle) child->CreateWnd();
  Realign();
}

void TWinControl::DestroyWnd() {
  if (FHandle) DestroyWindow(FHandle);
  FHandle = nullptr;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(FDefWndProc ? FDefWndProc : DefWindowProcA, FHandle, msg, wParam, lParam);
}

TWinControl* TWinControl::FindChild(HWND wnd) {
  TWinControl* child = FromHandle(wnd);
  return child && child->FParent == this ? child : nullptr;
}

bool TWinControl::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, ColorToRGB(FFont.Color));
      SetBkColor(dc, ColorToRGB(FColor));
      if (!FBrush) FBrush = CreateSolidBrush(ColorToRGB(FColor));
      result = reinterpret_cast<LRESULT>(FBrush);
      return true;
    }
    default:
      return false;
  }
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (lParam) {
        if (TWinControl* child = FindChild(reinterpret_cast<HWND>(lParam))) {
          LRESULT result = 0;
          if (child->ReflectedMessage(msg, wParam, lParam, result)) return result;
        }
      } else if (HIWORD(wParam) == 0 && TMenuItem::DispatchCommand(LOWORD(wParam))) {
        return 0;
      }
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      HWND from = nullptr;
      if (msg == WM_DRAWITEM)
        from = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
      else if (msg == WM_NOTIFY)
        from = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
      else if (msg == WM_MEASUREITEM)
        from = GetDlgItem(FHandle, static_cast<int>(wParam));
      else
        from = reinterpret_cast<HWND>(lParam);
      // A menu's item comes with control id 0 (a status bar may leave CtlType unset).
      if (msg == WM_DRAWITEM && reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU && wParam == 0)
        from = nullptr;
      if (TWinControl* child = FindChild(from)) {
        LRESULT result = 0;
        if (child->ReflectedMessage(msg, wParam, lParam, result)) return result;
      }
      break;
    }
    case WM_CLOSE:
      // A child control never closes (a multi-line edit sends this to its parent on Esc).
      if (FParent) return 0;
      break;
    case WM_SIZE:
      UpdateBoundsFromWindow();
      Realign();
      if (OnResize) OnResize(*this);
      break;
    case WM_MOVE:
      UpdateBoundsFromWindow();
      break;
    case WM_ERASEBKGND:
      if (FDefWndProc == DefWindowProcA) {
        TCanvas canvas(reinterpret_cast<HDC>(wParam));
        canvas.BrushColor = FColor;
        canvas.FillRect(ClientRect());
        return 1;
      }
      break;
    case WM_PAINT:
      if (OwnerPaints) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FHandle, &ps);
        {
          TCanvas canvas(dc);
          Paint(canvas);
        }
        EndPaint(FHandle, &ps);
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (ScreenCursor()) {
        SetCursor(ScreenCursor());
        return TRUE;
      }
      if (Cursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(Cursor);
        return TRUE;
      }
      break;
    case WM_CONTEXTMENU:
      if (PopupMenu && PopupMenu->AutoPopup) {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (lParam == -1) {  // from the keyboard
          p = {0, 0};
          ClientToScreen(FHandle, &p);
        }
        PopupMenu->SetPopupComponent(this);
        PopupMenu->Popup(p.x, p.y, GetAncestor(FHandle, GA_ROOT));
        return 0;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (OnKeyDown) {
        WORD key = static_cast<WORD>(wParam);
        OnKeyDown(*this, key, KeyboardShiftState());
        if (key == 0) return 0;
        wParam = key;
      }
      break;
    case WM_CHAR:
      if (OnKeyPress) {
        char key = static_cast<char>(wParam);
        OnKeyPress(*this, key);
        if (key == 0) return 0;
        wParam = static_cast<unsigned char>(key);
      }
      break;
    case WM_LBUTTONUP:
      if (FDefWndProc == DefWindowProcA && OnClick) {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        OnClick(*this);
        return result;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a double click
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      if (OnMouseDown) OnMouseDown(*this, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (msg == WM_LBUTTONDBLCLK && FDefWndProc == DefWindowProcA && OnDblClick) OnDblClick(*this);
      break;
    case WM_MOUSEMOVE:
      if (OnMouseEnter && !FMouseInside) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, FHandle, 0};
        FMouseInside = TrackMouseEvent(&track);
        OnMouseEnter(*this);
      }
      if (OnMouseMove) OnMouseMove(*this, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      break;
    case WM_MOUSELEAVE:
      FMouseInside = false;
      break;
  }
  return DefaultHandler(msg, wParam, lParam);
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  if (HWND parent = GetParent(FHandle); parent && (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FHandle) MoveWindow(FHandle, left, top, width, height, TRUE);
  if (FParent && FAlign != alNone && !FParent->FRealigning) FParent->Realign();
}

RECT TWinControl::ClientRect() {
  RECT r{0, 0, FWidth, FHeight};
  if (FHandle) GetClientRect(FHandle, &r);
  return r;
}

void TWinControl::SetAlign(TAlign align) {
  FAlign = align;
  if (FParent) FParent->Realign();
}

void TWinControl::Realign() {
  if (FRealigning || FControls.empty()) return;
  FRealigning = true;
  RECT r = ClientRect();
  AdjustClientRect(r);
  auto place = [&](TAlign which) {
    for (TWinControl* c : FControls) {
      if (c->FAlign != which || !c->FVisible) continue;
      switch (which) {
        case alTop:
          c->SetBounds(r.left, r.top, r.right - r.left, c->FHeight);
          r.top += c->FHeight;
          break;
        case alBottom:
          c->SetBounds(r.left, r.bottom - c->FHeight, r.right - r.left, c->FHeight);
          r.bottom -= c->FHeight;
          break;
        case alLeft:
          c->SetBounds(r.left, r.top, c->FWidth, r.bottom - r.top);
          r.left += c->FWidth;
          break;
        case alRight:
          c->SetBounds(r.right - c->FWidth, r.top, c->FWidth, r.bottom - r.top);
          r.right -= c->FWidth;
          break;
        case alClient:
          c->SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
          break;
        case alNone:
          break;
      }
    }
  };
  // The bottom row is placed before the left and right columns, as a status bar expects.
  for (TAlign which : {alTop, alBottom, alLeft, alRight, alClient}) place(which);
  FRealigning = false;
}

void TWinControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  if (FHandle) ShowWindow(FHandle, visible ? SW_SHOW : SW_HIDE);
  if (FParent && FAlign != alNone) FParent->Realign();
}

void TWinControl::SetEnabled(bool enabled) {
  FEnabled = enabled;
  if (FHandle) EnableWindow(FHandle, enabled);
}

std::string TWinControl::Caption() const {
  if (!FHandle) return FCaption;
  const int length = GetWindowTextLengthA(FHandle);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(FHandle, text.data(), length + 1)));
  return text;
}

void TWinControl::SetCaption(const std::string& text) {
  FCaption = text;
  if (FHandle) SetWindowTextA(FHandle, text.c_str());
}

void TWinControl::SetFont(const TFont& font) {
  FParentFont = false;
  ChangeFont(font);
}

void TWinControl::ChangeFont(const TFont& font) {
  FFont = font;
  if (FHandle) {
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
    if (OwnerPaints) Invalidate();  // our own windows draw with the font and ignore the message
  }
  for (TWinControl* child : FControls)
    if (child->FParentFont) child->ChangeFont(font);
}

void TWinControl::SetParentFont(bool value) {
  FParentFont = value;
  if (value && FParent) ChangeFont(FParent->FFont);
}

void TWinControl::SetBiDiMode(TBiDiMode value) {
  if (value == FBiDiMode) return;
  FBiDiMode = value;
  Invalidate();
}

UINT TWinControl::DrawTextBiDiModeFlags(UINT flags) const {
  if (FBiDiMode != bdRightToLeft) return flags;
  // DT_LEFT is no bit: left is where neither right nor centre is asked for.
  if (flags & DT_RIGHT)
    flags &= ~DT_RIGHT;
  else if (!(flags & DT_CENTER))
    flags |= DT_RIGHT;
  return flags | DT_RTLREADING;
}

void TWinControl::SetColor(TColor color) {
  FColor = color;
  if (FBrush) DeleteObject(FBrush);
  FBrush = nullptr;
  Invalidate();
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() {
  for (TWinControl* c = this; c; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return true;
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (FHandle) {
    InvalidateRect(FHandle, nullptr, TRUE);
    UpdateWindow(FHandle);
  }
}

namespace {

// Parent's children as they stand: row by row from the top, each row from the left.
std::vector<TWinControl*> ChildrenAsTheyStand(const TWinControl& parent) {
  std::vector<TWinControl*> children = parent.Controls();
  std::stable_sort(children.begin(), children.end(), [](const TWinControl* a, const TWinControl* b) {
    return a->Top() != b->Top() ? a->Top() < b->Top() : a->Left() < b->Left();
  });
  for (auto row = children.begin(); row != children.end();) {
    const int below = std::max((*row)->Top() + (*row)->Height() / 2, (*row)->Top() + 1);
    const auto end = std::find_if(row + 1, children.end(), [below](const TWinControl* c) { return c->Top() >= below; });
    std::stable_sort(row, end, [](const TWinControl* a, const TWinControl* b) { return a->Left() < b->Left(); });
    row = end;
  }
  return children;
}

void CollectTabOrder(const TWinControl& parent, std::vector<TWinControl*>& list) {
  for (TWinControl* child : ChildrenAsTheyStand(parent)) {
    list.push_back(child);
    CollectTabOrder(*child, list);
  }
}

}  // namespace

std::vector<TWinControl*> TabOrderBelow(TWinControl& parent) {
  std::vector<TWinControl*> list;
  CollectTabOrder(parent, list);
  return list;
}

TWinControl* FirstTabStop(TWinControl& parent) {
  for (TWinControl* control : TabOrderBelow(parent))
    if (control->TabStop && control->CanFocus()) return control;
  return nullptr;
}

void FocusByKey(TWinControl& control) {
  control.SetFocus();
  if (SendMessageA(control.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    SendMessageA(control.Handle(), EM_SETSEL, 0, -1);
}

bool IsAccel(WORD key, const std::string& caption) {
  for (size_t at = caption.find('&'); at != std::string::npos && at + 1 < caption.size();
       at = caption.find('&', at + 2)) {
    if (caption[at + 1] == '&') continue;  // "&&" shows one "&"
    const auto lead = static_cast<unsigned char>(caption[at + 1]);
    // Letters and digits are their own keys on every layout; any other character is looked up
    // on the keyboard's layout.
    if (lead < 0x80) {
      const char upper = static_cast<char>(std::toupper(lead));
      if (std::isalnum(lead)) return key == static_cast<unsigned char>(upper);
    }
    const std::wstring character =
        Utf8ToWide(std::string_view(caption).substr(at + 1, Utf8CharLength(caption, at + 1)));
    if (character.empty()) return false;
    const SHORT scan = VkKeyScanW(character[0]);
    return scan != -1 && LOBYTE(scan) == key;
  }
  return false;
}
