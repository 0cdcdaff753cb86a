// A second process of the test program itself, for a test that needs another process to hold
// something (a named object, a hot key). Started as "PROGRAM --test-helper NAME BASE ARGS...", the
// program runs the helper NAME that a test file declared, and ends before GoogleTest starts. BASE
// names the two events helper and test share: "BASE.ready" and "BASE.quit".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "os/os.h"

namespace testhelper {

constexpr const char* Switch = "--test-helper";
constexpr DWORD SafetyWaitMs = 60000;  // only against a hung process; never reached normally

inline std::string& EventBase() {
  static std::string base;
  return base;
}

}  // namespace testhelper

using THelperMain = int (*)(const std::vector<std::string>& args);

// Declares the helper Name at namespace scope: when this program was started as that helper,
// Main runs with the arguments after the event base and its answer is the exit code.
//   [[maybe_unused]] const bool Holder = DeclareHelper("hold", [](const auto& args) { ... });
inline bool DeclareHelper(const std::string& name, THelperMain main) {
  if (__argc < 4 || __argv[1] != std::string(testhelper::Switch) || __argv[2] != name) return false;
  testhelper::EventBase() = __argv[3];
  ExitProcess(static_cast<UINT>(main(std::vector<std::string>(__argv + 4, __argv + __argc))));
}

// In a helper: tells its test that it is ready, then waits until the test lets it go. False when
// the events are missing.
inline bool HoldUntilReleased() {
  const std::string& base = testhelper::EventBase();
  const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (base + ".ready").c_str());
  const HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, (base + ".quit").c_str());
  const bool held = ready && quit && SetEvent(ready);
  if (held) WaitForSingleObject(quit, testhelper::SafetyWaitMs);
  if (ready) CloseHandle(ready);
  if (quit) CloseHandle(quit);
  return held;
}

// A helper process while it lives; it is let go and waited for at the end.
class THelperProcess {
 public:
  THelperProcess(const std::string& name, const std::vector<std::string>& args = {}) {
    static int count = 0;
    const std::string base =
        "LorvexTest.Helper." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++count);
    FReady = CreateEventA(nullptr, TRUE, FALSE, (base + ".ready").c_str());
    FQuit = CreateEventA(nullptr, TRUE, FALSE, (base + ".quit").c_str());
    std::string commandLine = "\"" + os::ExeFileName() + "\" " + testhelper::Switch + " " + name + " " + base;
    for (const std::string& arg : args) commandLine += " \"" + arg + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      FProcess = info.hProcess;
    }
  }
  ~THelperProcess() {
    ExitCode();
    CloseHandle(FReady);
    CloseHandle(FQuit);
  }
  THelperProcess(const THelperProcess&) = delete;
  THelperProcess& operator=(const THelperProcess&) = delete;

  // True once the helper holds what it holds; false when it ended first or did not start.
  bool Ready() const {
    const HANDLE handles[] = {FReady, FProcess};
    return FProcess && WaitForMultipleObjects(2, handles, FALSE, testhelper::SafetyWaitMs) == WAIT_OBJECT_0;
  }

  // Lets the helper go and answers its exit code once it has ended; -1 when it did not start or hangs.
  int ExitCode() {
    if (!FProcess) return FExitCode;
    SetEvent(FQuit);
    DWORD code = 0;
    if (WaitForSingleObject(FProcess, testhelper::SafetyWaitMs) == WAIT_OBJECT_0 && GetExitCodeProcess(FProcess, &code))
      FExitCode = static_cast<int>(code);
    CloseHandle(FProcess);
    FProcess = nullptr;
    return FExitCode;
  }

 private:
  HANDLE FReady = nullptr, FQuit = nullptr, FProcess = nullptr;
  int FExitCode = -1;
};
