// Helpers for tests that drive real windows under Wine.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/win32/WideText.h"
#include "tests/support/TestPaths.h"
#include "ui/Clipbrd.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

// Serves messages until Condition holds or Milliseconds pass; answers Condition.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 5000) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > milliseconds) return condition();
    Application().ProcessMessages();  // with key preview, filters and hints, as the program runs
    Sleep(10);
  }
  return true;
}

// Serves messages for a while.
inline void Pump(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

// Shows a form and makes it the active window.
inline bool ShowActive(TForm& form) {
  form.Show();
  SetForegroundWindow(form.Handle());
  return PumpUntil([&] { return GetActiveWindow() == form.Handle(); });
}

inline bool FocusOn(TWinControl& control) {
  control.SetFocus();
  return PumpUntil([&] { return GetFocus() == control.Handle(); });
}

// A test with real windows: what reaches the application's exception event is kept in Errors, and
// a test that ends with any there fails (one that expects an error clears them).
class TWindowsTest : public testing::Test {
 protected:
  void SetUp() override {
    Application().OnException = [this](const std::string& message) { Errors.push_back(message); };
  }
  void TearDown() override {
    Pump(20);
    Application().OnException = nullptr;
    EXPECT_TRUE(Errors.empty()) << Errors.front();
  }
  std::vector<std::string> Errors;
};

// A new control that Owner owns (and frees), on Parent: the owner itself unless told.
template <class T>
T* AddControl(TWinControl& owner, TWinControl* parent = nullptr) {
  auto* control = new T(&owner);
  control->SetParent(parent ? parent : &owner);
  return control;
}

// A test with a form of its own, freed at its end.
class TFormTest : public TWindowsTest {
 protected:
  TFormTest() { NewForm(); }
  void TearDown() override {
    Form.reset();
    TWindowsTest::TearDown();
  }
  // A new form in place of the one before.
  void NewForm() {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(60, 60, 500, 400);
  }
  // A new control of the form, on Parent (the form unless told) or with a Name.
  template <class T>
  T* Add(TWinControl* parent = nullptr) {
    return AddControl<T>(*Form, parent);
  }
  template <class T>
  T* Add(const std::string& name) {
    T* control = Add<T>();
    control->Name = name;
    return control;
  }

  std::unique_ptr<TForm> Form;
};

// A menu item of Parent that Owner owns, counting its clicks in Clicks when given.
inline TMenuItem* AddMenuItem(TComponent& owner, TMenuItem& parent, const std::string& caption, int* clicks = nullptr) {
  auto* item = new TMenuItem(&owner);
  item->Caption = caption;
  if (clicks) item->OnClick = [clicks](TComponent&) { ++*clicks; };
  parent.Add(item);
  return item;
}

// Holds the keys down in order and releases them in reverse: {VK_CONTROL, VK_HOME} is Ctrl+Home.
inline void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs(2 * keys.size());
  size_t i = 0;
  for (WORD key : keys) {
    INPUT& down = inputs[i];
    INPUT& up = inputs[inputs.size() - 1 - i++];
    down.type = up.type = INPUT_KEYBOARD;
    down.ki.wVk = up.ki.wVk = key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Presses and releases one key through the system's input queue.
inline void PressKey(WORD key) { PressKeys({key}); }

// A press and release of a mouse button (left unless told) at a point of a window's client
// area, through the system's input queue.
inline void ClickAt(HWND wnd, POINT point, DWORD down = MOUSEEVENTF_LEFTDOWN) {
  ClientToScreen(wnd, &point);
  SetCursorPos(point.x, point.y);
  INPUT inputs[2]{};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = down;
  inputs[1].mi.dwFlags = down << 1;  // each button's release follows its press
  SendInput(2, inputs, sizeof(INPUT));
}

// Moves the pointer to a point of a window's client area with mouse button events there (a move
// alone without), through the system's input queue; then serves the messages for a while.
inline void MouseAt(HWND wnd, POINT point, DWORD buttons = 0) {
  ClientToScreen(wnd, &point);
  SetCursorPos(point.x, point.y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | buttons;  // a move of nothing: a mouse message where the pointer is
  SendInput(1, &input, sizeof(INPUT));
  Pump(30);
}

// A drag with the left button from one point of a window's client area to another, in two moves.
inline void DragAt(HWND wnd, POINT from, POINT to) {
  MouseAt(wnd, from, MOUSEEVENTF_LEFTDOWN);
  MouseAt(wnd, POINT{(from.x + to.x) / 2, (from.y + to.y) / 2});
  MouseAt(wnd, to);
  MouseAt(wnd, to, MOUSEEVENTF_LEFTUP);
}

// A visible top-level window of this thread of class ClassName ("#32768": a popup menu,
// "#32770": a dialog); nullptr when there is none.
inline HWND VisibleThreadWindow(const char* className) {
  struct TSearch {
    const char* ClassName;
    HWND Found;
    static BOOL CALLBACK Take(HWND wnd, LPARAM param) {
      auto& search = *reinterpret_cast<TSearch*>(param);
      char name[16] = "";
      GetClassNameA(wnd, name, sizeof name);
      if (std::string(name) != search.ClassName || !IsWindowVisible(wnd)) return TRUE;
      search.Found = wnd;
      return FALSE;
    }
  } search{className, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), TSearch::Take, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// Runs Action on the GUI thread after Milliseconds, from inside whatever loop runs then (a
// modal dialog's, say). With a Condition, it runs at the first check, every Milliseconds, where
// the condition holds.
class TDelayedAction {
 public:
  TDelayedAction(std::function<void()> action, UINT milliseconds)
      : TDelayedAction([] { return true; }, std::move(action), milliseconds) {}
  TDelayedAction(std::function<bool()> condition, std::function<void()> action, UINT milliseconds)
      : FCondition(std::move(condition)), FAction(std::move(action)) {
    FWindow = Application().AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg == WM_TIMER) {
        if (!FCondition()) return 0;
        KillTimer(wnd, 1);
        if (FAction) FAction();
        return 0;
      }
      return DefWindowProcA(wnd, msg, wParam, lParam);
    });
    SetTimer(FWindow, 1, milliseconds, nullptr);
  }
  ~TDelayedAction() { Application().DeallocateHWnd(FWindow); }

 private:
  std::function<bool()> FCondition;
  std::function<void()> FAction;
  HWND FWindow;
};

// Runs Action with the menu window once a popup menu of this thread shows, from inside the menu's
// own loop; a menu still open after a few seconds is ended, so that a test never hangs in it.
class TMenuWatch {
 public:
  explicit TMenuWatch(std::function<void(HWND menu)> action)
      : FAction([] { return VisibleThreadWindow("#32768") != nullptr; },
                [action] { action(VisibleThreadWindow("#32768")); }, 50),
        FSafety([] { EndMenu(); }, 5000) {}

 private:
  TDelayedAction FAction, FSafety;
};

// Starts Command as a program of its own; false when it cannot be started.
inline bool StartProgram(std::string command, PROCESS_INFORMATION& process) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
}

// Keys as a user's keyboard sends them: from outside the process, through the X server's XTEST
// extension, by xdotool with Args ("key ctrl+o", "type abc"). The keys reach the X window that
// has the input focus, as typing does; with a Window, that window's X window gets the focus
// first, as a click on it gives it. False when xdotool cannot be started.
inline bool XTestKeys(const std::string& args, HWND window = nullptr) {
  std::string command = "/usr/bin/xdotool ";
  if (window) {
    // Wine keeps the X window of a top-level window in this property.
    const auto xWindow = reinterpret_cast<uintptr_t>(GetPropA(window, "__wine_x11_whole_window"));
    command += "windowfocus --sync " + std::to_string(xWindow) + " ";
  }
  command += args;
  PROCESS_INFORMATION process{};
  if (!StartProgram(command, process)) return false;
  // Wine starts a Unix program without a Windows process: no handle to wait for (callers wait
  // for the keys), and the thread's is not one to close.
  if (process.hProcess) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return true;
}

// The text of a window.
inline std::string WindowText(HWND wnd) {
  char text[512] = "";
  GetWindowTextA(wnd, text, sizeof text);
  return text;
}

// The bytes of the clipboard's data in Format; empty when it holds none.
inline std::string ClipboardData(UINT format) {
  std::string bytes;
  if (!OpenClipboardPatiently(nullptr)) return bytes;
  if (HANDLE data = GetClipboardData(format)) {
    bytes.assign(static_cast<const char*>(GlobalLock(data)), GlobalSize(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return bytes;
}

// The bounds of a child window in its parent's client coordinates.
inline RECT BoundsInParent(HWND wnd) {
  RECT r;
  GetWindowRect(wnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The folder the test command keeps pictures in, beside the scratch folder; with a trailing
// separator.
inline std::string ArtifactsFolder() {
  const std::string folder = testpaths::TestTmpFolder() + testpaths::Sep + ".." + testpaths::Sep + "artifacts";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return folder + testpaths::Sep;
}

// Saves a window's picture, as it is on the screen, to a bitmap file.
inline bool SaveWindowPicture(HWND wnd, const std::string& fileName) {
  RECT r;
  GetWindowRect(wnd, &r);
  BITMAPINFOHEADER info{sizeof info, r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  info.biSizeImage = (info.biWidth * 3 + 3) / 4 * 4 * info.biHeight;  // rows padded to four bytes
  std::string bits(info.biSizeImage, '\0');
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, info.biWidth, info.biHeight);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, info.biHeight, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(sizeof header + sizeof info + bits.size()), 0, 0,
                                sizeof header + sizeof info};
  const std::string file = std::string(reinterpret_cast<const char*>(&header), sizeof header) +
                           std::string(reinterpret_cast<const char*>(&info), sizeof info) + bits;
  testpaths::WriteText(fileName, file);
  return testpaths::ReadText(fileName) == file;
}

// A printer in the registry of the prefix for as long as it lives: the spooler lists it.
class TRegisteredPrinter {
 public:
  explicit TRegisteredPrinter(const std::string& name)
      : FKey(L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + Utf8ToWide(name)) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, FKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    const std::wstring wide = Utf8ToWide(name);
    RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  ~TRegisteredPrinter() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, FKey.c_str()); }
  TRegisteredPrinter(const TRegisteredPrinter&) = delete;
  TRegisteredPrinter& operator=(const TRegisteredPrinter&) = delete;

 private:
  std::wstring FKey;
};
