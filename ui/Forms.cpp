#include "ui/Forms.h"

#include <pthread.h>

#include <algorithm>
#include <vector>

#include "ui/StdCtrls.h"

namespace {

constexpr UINT WM_SYNCHRONIZE = WM_APP + 0x101;
constexpr UINT WM_HINTCHECK = WM_APP + 0x102;
// Posted by a form that frees itself when closed: it goes once its close has been handled.
constexpr UINT WM_RELEASEFORM = WM_APP + 0x103;
// Carries a call of Post; its lParam owns the call.
constexpr UINT WM_POSTCALL = WM_APP + 0x104;
constexpr UINT_PTR HintPauseTimer = 1;
constexpr UINT_PTR HintWatchTimer = 2;
constexpr UINT HintWatchInterval = 250;
const char* const HelperClassName = "TLorvexHelper";

using THelperHandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

LRESULT CALLBACK HelperWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* handler = reinterpret_cast<THelperHandler*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!handler) return DefWindowProcA(wnd, msg, wParam, lParam);
  // A copy runs: the handler may deallocate its own window (a timer that frees itself).
  const THelperHandler run = *handler;
  return GuardedCall([&] { return run(wnd, msg, wParam, lParam); });
}

struct TSyncRequest {
  const std::function<void()>* Method;
  std::exception_ptr Error;
};

std::string MessageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

// The control whose hint applies at a screen point: the nearest one, from the window under the
// point up through its parents, with a Hint to show.
TWinControl* HintControlAt(POINT p) {
  HWND wnd = WindowFromPoint(p);
  if (!wnd || GetWindowThreadProcessId(wnd, nullptr) != GetCurrentThreadId()) return nullptr;
  TWinControl* control = nullptr;
  for (; wnd && !control; wnd = GetAncestor(wnd, GA_PARENT)) control = TWinControl::FromHandle(wnd);
  for (; control; control = control->Parent())
    if (!control->Hint.empty() && control->ShowHint) return control;
  return nullptr;
}

// Calls the handlers in the order they came until Call answers true for one. A handler may
// remove others (or itself) meanwhile: each is looked up again before it runs.
template <class THandler, class TCall>
bool RunHandlers(const std::map<int, THandler>& handlers, TCall call) {
  std::vector<int> ids;
  for (const auto& [id, handler] : handlers) ids.push_back(id);
  for (int id : ids) {
    auto found = handlers.find(id);
    if (found == handlers.end()) continue;
    const THandler handler = found->second;
    if (call(handler)) return true;
  }
  return false;
}

BOOL CALLBACK CollectEnabledWindow(HWND wnd, LPARAM list) {
  if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

}  // namespace

void Abort() { throw EAbort(); }

// --- TForm --------------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  TWinControl::SetVisible(false);
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  FDestroying = true;
  if (OnDestroy) OnDestroy(*this);
  if (Application().MainForm == this) Application().MainForm = nullptr;
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = "TLorvexForm";
  params.Style = (params.Style & ~(WS_CHILD | WS_VISIBLE)) | BorderStyle | WS_CLIPCHILDREN;
  if (StayOnTop) params.ExStyle |= WS_EX_TOPMOST;
}

void TForm::SetBorderWidth(int width) {
  FBorderWidth = std::max(0, width);
  Realign();
  Invalidate();
}

void TForm::AdjustClientRect(RECT& rect) {
  const int border = std::min(
      {FBorderWidth, static_cast<int>(rect.right - rect.left) / 2, static_cast<int>(rect.bottom - rect.top) / 2});
  InflateRect(&rect, -border, -border);
}

void TForm::SetClientSize(int width, int height) {
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, BorderStyle, FALSE, 0);
  SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TForm::CenterOnScreen() {
  SetBounds((GetSystemMetrics(SM_CXSCREEN) - Width()) / 2, (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2, Width(),
            Height());
}

void TForm::CenterOn(TForm* form) {
  if (!form || !form->HandleAllocated()) return CenterOnScreen();
  RECT r;
  GetWindowRect(form->Handle(), &r);
  int left = r.left + (r.right - r.left - Width()) / 2;
  int top = r.top + (r.bottom - r.top - Height()) / 2;
  // Never out of the screen, whatever the owner's position.
  left = std::max(0, std::min(left, GetSystemMetrics(SM_CXSCREEN) - Width()));
  top = std::max(0, std::min(top, GetSystemMetrics(SM_CYSCREEN) - Height()));
  SetBounds(left, top, Width(), Height());
}

void TForm::SetVisible(bool visible) {
  if (visible && !Visible()) {
    Handle();
    switch (Position) {
      case poScreenCenter:
        CenterOnScreen();
        break;
      case poOwnerFormCenter:
        CenterOn(dynamic_cast<TForm*>(Owner()));
        break;
      case poMainFormCenter:
        CenterOn(Application().MainForm);
        break;
      case poDesigned:
        break;
    }
  }
  const bool changed = visible != Visible();
  TWinControl::SetVisible(visible);
  if (visible) {
    // After OnShow, which fills the controls (and may choose ActiveControl): an edit's text is
    // selected as it shows.
    if (changed && OnShow) OnShow(*this);
    if (TWinControl* first = FirstFocus()) FocusByKey(*first);
  }
}

TWinControl* TForm::FirstFocus() {
  if (ActiveControl && ActiveControl->CanFocus()) return ActiveControl;
  return FirstTabStop(*this);
}

void TForm::Close() {
  if (FHandle) SendMessageA(FHandle, WM_CLOSE, 0, 0);
}

int TForm::ShowModal() {
  // Every other window of the program is disabled while the form is open.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
  HWND active = GetActiveWindow();
  Handle();
  if (active) SetWindowLongPtrA(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(active));
  for (HWND wnd : disabled) EnableWindow(wnd, FALSE);

  ModalResult = mrNone;
  FModal = true;
  try {
    Show();
    SetForegroundWindow(FHandle);
    while (ModalResult == mrNone && !Application().Terminated()) Application().HandleMessage();
  } catch (...) {
    FModal = false;
    for (HWND wnd : disabled) EnableWindow(wnd, TRUE);
    throw;
  }
  FModal = false;
  for (HWND wnd : disabled) EnableWindow(wnd, TRUE);
  // The window that was active takes the keyboard before this one goes: keys typed meanwhile
  // reach it, never a window that is going away (nor, under X, whatever lies under the pointer).
  const bool back = active && IsWindow(active) && IsWindowVisible(active);
  if (back) SetActiveWindow(active);
  Hide();
  if (back && GetActiveWindow() != active) SetActiveWindow(active);
  return ModalResult;
}

void TForm::SelectNext(TWinControl* current, bool forward) {
  std::vector<TWinControl*> order = TabOrderBelow(*this);
  std::erase_if(order, [](TWinControl* control) { return !control->TabStop || !control->CanFocus(); });
  if (order.empty()) return;
  auto found = std::find(order.begin(), order.end(), current);
  size_t index = found == order.end() ? (forward ? order.size() - 1 : 0) : static_cast<size_t>(found - order.begin());
  index = forward ? (index + 1) % order.size() : (index + order.size() - 1) % order.size();
  FocusByKey(*order[index]);
}

bool TForm::DialogKey(WORD key, TShiftState shift) {
  switch (key) {
    case VK_TAB:
      if (shift & (ssCtrl | ssAlt)) return false;
      SelectNext(TWinControl::FromHandle(GetFocus()), !(shift & ssShift));
      return true;
    case VK_RETURN: {
      // A focused button is pressed itself, as Space presses it.
      auto* focused = dynamic_cast<TButton*>(TWinControl::FromHandle(GetFocus()));
      if (focused && focused->ParentForm() == this && focused->CanFocus()) {
        focused->Click();
        return true;
      }
      if (DefaultButton && DefaultButton->CanFocus()) {
        DefaultButton->Click();
        return true;
      }
      return false;
    }
    case VK_ESCAPE:
      if (CancelButton && CancelButton->CanFocus()) {
        CancelButton->Click();
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool TForm::DialogChar(WORD key) {
  for (TWinControl* control : TabOrderBelow(*this))
    if (control->CanFocus() && control->DialogChar(key)) return true;
  return false;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE: {
      TCloseAction action = FModal ? caHide : caHide;
      if (FModal) ModalResult = mrCancel;
      if (OnClose) OnClose(*this, action);
      if (action == caNone) {
        if (FModal) ModalResult = mrNone;
      } else if (!FModal) {
        Hide();
        if (action == caFree) PostMessageA(FHandle, WM_RELEASEFORM, 0, 0);
      }
      return 0;
    }
    case WM_RELEASEFORM:
      delete this;
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus && IsChild(FHandle, focus)) FLastFocus = focus;
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        if (OnDeactivate) OnDeactivate(*this);
        return result;
      }
      if (OnActivate) OnActivate(*this);
      // Back to the control that had the focus when the form was left, else the first one.
      if (FLastFocus && IsChild(FHandle, FLastFocus) && IsWindowVisible(FLastFocus) && IsWindowEnabled(FLastFocus)) {
        ::SetFocus(FLastFocus);
        return 0;
      }
      if (TWinControl* first = FirstFocus()) {
        first->SetFocus();
        return 0;
      }
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (MinWidth) info->ptMinTrackSize.x = MinWidth;
      if (MinHeight) info->ptMinTrackSize.y = MinHeight;
      return 0;
    }
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

// --- TApplication -------------------------------------------------------------------------

TApplication& Application() {
  static TApplication application;
  return application;
}

TApplication::TApplication() : FGuiThread(std::this_thread::get_id()) {
  FHelper = AllocateHWnd(
      [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) { return HelperMessage(wnd, msg, wParam, lParam); });
  SetWindowTextA(FHelper, Title.c_str());
  AddMessageFilter([this](MSG& msg) {
    HintMouseMessage(msg);
    return false;
  });
}

TApplication::~TApplication() {
  FHintWindow.reset();
  MSG msg;  // calls posted that will never run now
  while (FHelper && PeekMessageA(&msg, FHelper, WM_POSTCALL, WM_POSTCALL, PM_REMOVE))
    delete reinterpret_cast<std::function<void()>*>(msg.lParam);
  if (FHelper) DeallocateHWnd(FHelper);
}

LRESULT TApplication::HelperMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (RunHandlers(FMainWindowHooks, [&](const TWindowHook& hook) { return hook(msg, wParam, lParam, result); }))
    return result;
  switch (msg) {
    case WM_SYNCHRONIZE: {
      auto* request = reinterpret_cast<TSyncRequest*>(lParam);
      try {
        (*request->Method)();
      } catch (...) {
        request->Error = std::current_exception();
      }
      return 0;
    }
    case WM_POSTCALL: {
      const std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(lParam));
      (*call)();
      return 0;
    }
    case WM_HINTCHECK:
      CheckHint();
      return 0;
    case WM_TIMER:
      if (wParam == HintPauseTimer) {
        ActivateHint();
        return 0;
      }
      if (wParam == HintWatchTimer) {
        CheckHint();
        return 0;
      }
      break;
    case WM_ACTIVATEAPP:
      if (!wParam) CancelHint();
      break;
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND TApplication::AllocateHWnd(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> handler) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HelperWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = HelperClassName;
    RegisterClassExA(&wc);
    registered = true;
  }
  HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, HelperClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (!wnd) throw Exception("Cannot create a helper window");
  SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new THelperHandler(std::move(handler))));
  return wnd;
}

void TApplication::DeallocateHWnd(HWND wnd) {
  auto* handler = reinterpret_cast<THelperHandler*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
  DestroyWindow(wnd);
  delete handler;
}

void TApplication::Synchronize(const std::function<void()>& method) {
  if (OnGuiThread()) {
    method();
    return;
  }
  TSyncRequest request{&method, nullptr};
  SendMessageA(FHelper, WM_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&request));
  if (request.Error) std::rethrow_exception(request.Error);
}

bool TApplication::Post(std::function<void()> method) {
  auto call = std::make_unique<std::function<void()>>(std::move(method));
  if (!PostMessageA(FHelper, WM_POSTCALL, 0, reinterpret_cast<LPARAM>(call.get()))) return false;
  call.release();  // the message owns it now
  return true;
}

void TApplication::ServeWhileWaiting() {
  if (!FTerminated) return ProcessMessages();
  // The message loop is over: its WM_QUIT is gone, the synchronised calls are still awaited.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void TApplication::WaitForThread(HANDLE thread) {
  // Messages are served before each wait too: the wait wakes only for those that come after
  // the queue was last looked at.
  do {
    ServeWhileWaiting();
  } while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, WaitWakeMask()) == WAIT_OBJECT_0 + 1);
}

void TApplication::WaitForMessages(DWORD milliseconds) {
  ServeWhileWaiting();
  if (MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, WaitWakeMask()) == WAIT_OBJECT_0) ServeWhileWaiting();
}

void TApplication::WaitForThread(std::thread& thread) {
  if (!thread.joinable()) return;
  WaitForThread(static_cast<HANDLE>(pthread_gethandle(thread.native_handle())));
  thread.join();
}

int TApplication::AddMessageFilter(TMessageFilter filter) {
  const int id = FNextFilterId++;
  FFilters.emplace(id, std::move(filter));
  return id;
}

void TApplication::RemoveMessageFilter(int id) { FFilters.erase(id); }

bool TApplication::FilterMessage(MSG& msg) {
  return RunHandlers(FFilters, [&](const TMessageFilter& filter) { return filter(msg); });
}

int TApplication::HookMainWindow(TWindowHook hook) {
  const int id = FNextHookId++;
  FMainWindowHooks.emplace(id, std::move(hook));
  return id;
}

void TApplication::UnhookMainWindow(int id) { FMainWindowHooks.erase(id); }

bool TApplication::PreviewKey(MSG& msg) {
  const bool character = msg.message == WM_CHAR || msg.message == WM_SYSCHAR;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && !character) return false;
  auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)));
  if (!form) return false;
  if (character) return PreviewCharacter(*form, msg);
  WORD key = static_cast<WORD>(msg.wParam);
  FCharacterKey = 0;
  const TShiftState shift = KeyboardShiftState();
  // A key for the form itself reaches its OnKeyDown anyway, once.
  if (form->KeyPreview && form->OnKeyDown && msg.hwnd != form->Handle()) {
    form->OnKeyDown(*form, key, shift);
    if (key == 0) return true;
    msg.wParam = key;
  }
  const LRESULT wants = SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  if (wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  if (key == VK_TAB && (wants & DLGC_WANTTAB)) return false;
  if (form->DialogKey(key, shift)) return true;
  FCharacterKey = key;  // the key of the characters the key makes, if any
  return false;
}

bool TApplication::PreviewCharacter(TForm& form, MSG& msg) {
  // The first character the key makes; any more (bytes of one character) go their way.
  const WORD key = FCharacterKey;
  FCharacterKey = 0;
  if (!key) return false;
  // An underlined letter: with Alt (not AltGr, which types), or alone where the focused control
  // types no characters (a button, a check box). Taken as a character, once the key itself went
  // its usual way: the system saw a key with Alt, so letting go of Alt opens no menu.
  const TShiftState shift = KeyboardShiftState();
  const bool withAlt = msg.message == WM_SYSCHAR && (shift & (ssAlt | ssCtrl)) == ssAlt;
  const bool alone =
      msg.message == WM_CHAR && !(shift & (ssAlt | ssCtrl)) &&
      !(SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) & DLGC_WANTCHARS);
  return (withAlt || alone) && form.DialogChar(key);
}

void TApplication::HandleMessage() {
  MSG msg;
  const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
  if (got == 0 || got == -1) {
    FTerminated = true;
    return;
  }
  try {
    if (FilterMessage(msg) || PreviewKey(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (!FTerminated && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) HandleMessage();
}

void TApplication::Run() {
  if (MainForm && ShowMainForm) MainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    return;  // a silent abort
  } catch (...) {
  }
  const std::string message = MessageOf(error);
  try {
    if (OnException) {
      OnException(message);
      return;
    }
  } catch (...) {
  }
  MessageBoxA(nullptr, message.c_str(), Title.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// --- Hints --------------------------------------------------------------------------------

void TApplication::HintMouseMessage(const MSG& msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
      // Checked once the message has been handled: a control may change its Hint on it.
      if (!FHintCheckPosted) FHintCheckPosted = PostMessageA(FHelper, WM_HINTCHECK, 0, 0);
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_MOUSEWHEEL:
      CancelHint();
      break;
  }
}

void TApplication::CheckHint() {
  FHintCheckPosted = false;
  POINT cursor{};
  TWinControl* control = nullptr;
  if (ShowHint && GetActiveWindow() && GetCursorPos(&cursor)) control = HintControlAt(cursor);
  if (!control) {
    CancelHint();
    return;
  }
  const bool moved = cursor.x != FHintCursor.x || cursor.y != FHintCursor.y;
  FHintCursor = cursor;
  const bool showing = FHintWindow && FHintWindow->Showing();
  const bool restartPause = control->Handle() != FHintWnd || (showing && !PtInRect(&FHintCursorRect, cursor)) ||
                            (FHintPending && moved) || (!showing && !FHintPending && control->Hint != FHintSource);
  if (restartPause) {
    HideHint();
    FHintWnd = control->Handle();
    FHintPending = true;
    SetTimer(FHelper, HintPauseTimer, HintPause, nullptr);
  } else if (showing && control->Hint != FHintSource) {
    ActivateHint();  // the control changed its hint under the pointer
  }
}

void TApplication::ActivateHint() {
  KillTimer(FHelper, HintPauseTimer);
  FHintPending = false;
  TWinControl* control = TWinControl::FromHandle(FHintWnd);
  POINT cursor{};
  if (!control || !GetCursorPos(&cursor)) {
    CancelHint();
    return;
  }
  if (!FHintWindow) FHintWindow = std::make_unique<THintWindow>(nullptr);
  THintInfo info{};
  info.HintControl = control;
  info.CursorPos = cursor;
  ScreenToClient(FHintWnd, &info.CursorPos);
  info.HintMaxWidth = GetSystemMetrics(SM_CXSCREEN);
  info.HintPos = POINT{cursor.x, cursor.y + CursorHeightMargin()};
  info.CursorRect = control->ClientRect();
  info.HintWindow = FHintWindow.get();
  FHintSource = control->Hint;
  std::string text = control->Hint;
  bool canShow = true;
  if (OnShowHint) OnShowHint(text, canShow, info);
  if (!canShow || text.empty()) {
    HideHint();
    return;
  }
  FHintCursorRect = info.CursorRect;
  MapWindowPoints(FHintWnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&FHintCursorRect), 2);
  RECT r = FHintWindow->CalcHintRect(info.HintMaxWidth, text);
  OffsetRect(&r, info.HintPos.x, info.HintPos.y);
  FHintWindow->ActivateHint(r, text);
  // Watches for the pointer leaving and the program losing the activation while it shows.
  SetTimer(FHelper, HintWatchTimer, HintWatchInterval, nullptr);
}

void TApplication::HideHint() {
  KillTimer(FHelper, HintWatchTimer);
  if (FHintWindow) FHintWindow->ReleaseHandle();
}

void TApplication::CancelHint() {
  KillTimer(FHelper, HintPauseTimer);
  FHintPending = false;
  HideHint();
  FHintWnd = nullptr;
  FHintSource.clear();
}
