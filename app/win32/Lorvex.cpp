// The entry point: one instance at a time; a second start wakes the first and ends.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "app/win32/FMain.h"
#include "core/win32/qmUtils.h"
#include "desktop/win32/qmCtrls.h"
#include "ui/Forms.h"

namespace {

// The running instance's main window: found by its class (a folder window titled "Lorvex" must
// not take the message), with the title when it still has it.
HWND FindFirstInstance() {
  HWND wnd = FindWindowA(MainWindowClassName, "Lorvex");
  return wnd ? wnd : FindWindowA(MainWindowClassName, nullptr);
}

void WakeFirstInstance() {
  SetWindowTextA(Application().Handle(), "Lorvex - second instance (closing...)");
  HWND first = FindFirstInstance();
  if (!first) return;
  DWORD process = 0;
  GetWindowThreadProcessId(first, &process);
  AllowSetForegroundWindow(process);  // the first instance may come to the front
  SendMessageTimeoutA(first, WM_RESTORE_INSTANCE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    if (IsAlreadyRunning("Lorvex")) {
      WakeFirstInstance();
      return 0;
    }
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Lorvex", MB_OK | MB_ICONERROR);
    return 1;
  }

  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  qmCtrlsInitialization();

  int exitCode = 0;
  try {
    Application().Title = "Lorvex";
    auto mainForm = std::make_unique<TMainForm>(nullptr);
    Application().MainForm = mainForm.get();
    Application().Run();
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Lorvex", MB_OK | MB_ICONERROR);
    exitCode = 1;
  }
  qmCtrlsFinalization();
  OleUninitialize();
  return exitCode;
}
