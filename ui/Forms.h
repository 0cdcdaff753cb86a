// Forms and the application: the message loop, key preview, message filters, hidden helper
// windows, calls from other threads, modal loops, and the boundary every exception stops at.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "ui/Controls.h"
#include "ui/Hints.h"

class TButton;

// Raises EAbort (core/Persistent.h): the current action stops silently.
[[noreturn]] void Abort();

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrYes = 6, mrNo = 7, mrAll = 8 };
// poOwnerFormCenter centres on the form that owns this one (the screen when none does),
// poMainFormCenter on the application's main form.
enum TPosition { poDesigned, poScreenCenter, poOwnerFormCenter, poMainFormCenter };
enum TCloseAction { caNone, caHide, caFree };

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  // The form sees keys before its controls.
  bool KeyPreview = false;
  TPosition Position = poDesigned;
  int MinWidth = 0, MinHeight = 0;
  DWORD BorderStyle = WS_OVERLAPPEDWINDOW;  // window styles of the frame
  bool StayOnTop = false;                   // above every window that is not
  TButton* DefaultButton = nullptr;         // Enter
  TButton* CancelButton = nullptr;          // Esc
  TWinControl* ActiveControl = nullptr;     // focused when shown; without it the first tab stop
  // A margin inside the client area, in the form's colour, that aligned controls keep free.
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int width);

  void SetClientSize(int width, int height);
  void SetVisible(bool visible) override;

  int ModalResult = mrNone;
  int ShowModal();
  void Close();
  bool Modal() const { return FModal; }

  // Handles Tab, Enter and Esc for the form; true when the key was used. Enter presses the
  // focused button, else the default button.
  bool DialogKey(WORD key, TShiftState shift);
  // The key of an underlined letter: the first control, in tab order, that takes it.
  bool DialogChar(WORD key);
  // Focuses the next (previous) tab stop after Current, in tab order, round at the ends.
  void SelectNext(TWinControl* current, bool forward);

  // Closing hides the form; a form that is not modal and whose OnClose sets caFree is freed
  // (it must have been made with new), once the close has been handled.
  std::function<void(TForm& sender, TCloseAction& action)> OnClose;
  TNotifyEvent OnShow;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnDestroy;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void AdjustClientRect(RECT& rect) override;
  bool FDestroying = false;

 private:
  TWinControl* FirstFocus();
  void CenterOnScreen();
  void CenterOn(TForm* form);
  bool FModal = false;
  int FBorderWidth = 0;
  HWND FLastFocus = nullptr;  // the control that had the focus when the form was deactivated
};

using TMessageFilter = std::function<bool(MSG& msg)>;  // true: the message was handled

class TApplication {
 public:
  TApplication();
  ~TApplication();

  std::string Title = "Lorvex";
  TForm* MainForm = nullptr;
  bool ShowMainForm = true;
  bool Terminated() const { return FTerminated; }

  void Run();
  void Terminate();
  void HandleMessage();
  void ProcessMessages();

  // Called for every message before it is translated and dispatched.
  int AddMessageFilter(TMessageFilter filter);
  void RemoveMessageFilter(int id);

  // Called, oldest first, for every message of the application's own window (Handle) before it
  // handles it; a hook that answers true has handled the message, with its result.
  int HookMainWindow(TWindowHook hook);
  void UnhookMainWindow(int id);

  // An exception that reached a window procedure, a timer or the message loop.
  std::function<void(const std::string& message)> OnException;
  void HandleException(std::exception_ptr error);

  // A hidden top-level window that sends its messages to Handler (not message-only: such windows
  // miss broadcasts like "TaskbarCreated").
  HWND AllocateHWnd(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> handler);
  void DeallocateHWnd(HWND wnd);

  // Runs Method on the GUI thread and waits for it; an exception it raises is raised here.
  void Synchronize(const std::function<void()>& method);
  // Queues Method to run on the GUI thread when it next serves its posted messages, after the
  // calls posted before it, and returns at once; from any thread. False when the queue is full.
  // What it raises goes to OnException.
  bool Post(std::function<void()> method);
  bool OnGuiThread() const { return std::this_thread::get_id() == FGuiThread; }

  // Waits for a thread to end while the GUI thread goes on serving what the message loop
  // serves: the thread's synchronised calls, paint, timers, posted messages and input. Once the
  // application is terminated only sent messages are served (the synchronised calls). What is
  // served may call back into the waiting code. The second form also joins the thread.
  void WaitForThread(HANDLE thread);
  void WaitForThread(std::thread& thread);
  // One step of such a wait for what no handle signals: serves what is queued, then waits up
  // to Milliseconds for more and serves that too.
  void WaitForMessages(DWORD milliseconds);

  // Hints: after HintPause over a control with a Hint (and ShowHint), the text shows below the
  // pointer until a key or button goes down, the pointer leaves the control (or its
  // CursorRect), or the program is deactivated. A changed Hint replaces the shown text.
  bool ShowHint = true;
  UINT HintPause = 500;
  std::function<void(std::string& hint, bool& canShow, THintInfo& info)> OnShowHint;
  // Hides the hint; the next mouse move starts the pause again.
  void CancelHint();

  HWND Handle() const { return FHelper; }

 private:
  void ServeWhileWaiting();
  DWORD WaitWakeMask() const { return FTerminated ? QS_SENDMESSAGE : QS_ALLINPUT; }
  bool FilterMessage(MSG& msg);
  bool PreviewKey(MSG& msg);
  bool PreviewCharacter(TForm& form, MSG& msg);
  LRESULT HelperMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void HintMouseMessage(const MSG& msg);
  void CheckHint();
  void ActivateHint();
  void HideHint();

  bool FTerminated = false;
  WORD FCharacterKey = 0;  // the key whose characters come next
  std::thread::id FGuiThread;
  std::map<int, TMessageFilter> FFilters;
  int FNextFilterId = 1;
  std::map<int, TWindowHook> FMainWindowHooks;
  int FNextHookId = 1;
  HWND FHelper = nullptr;

  std::unique_ptr<THintWindow> FHintWindow;
  HWND FHintWnd = nullptr;    // the window of the control whose hint waits or shows
  std::string FHintSource;    // that control's Hint when it was last shown or declined
  RECT FHintCursorRect{};     // on the screen
  POINT FHintCursor{};        // the pointer at the last check
  bool FHintPending = false;  // the pause runs
  bool FHintCheckPosted = false;
};

// The one application object, created on first use on the GUI thread.
TApplication& Application();

// Runs a window procedure body: any exception ends at the application, never in user32.
template <class F>
LRESULT GuardedCall(F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
  return 0;
}
