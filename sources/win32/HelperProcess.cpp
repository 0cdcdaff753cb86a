#include "sources/win32/HelperProcess.h"

#include <mutex>

#include "core/LorvexClasses.h"
#include "core/qmFileUtils.h"
#include "core/win32/WideText.h"
#include "sources/HelperProtocol.h"

THelperProcess::THelperProcess(const std::vector<std::string>& arguments, HANDLE output) {
  const std::string exe = ExeFolder() + helper::ExeName;
  std::string commandLine = helper::QuoteArgument(exe);
  for (const std::string& argument : arguments) commandLine += " " + helper::QuoteArgument(argument);
  std::wstring wide = Utf8ToWide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
  }
  PROCESS_INFORMATION process{};
  // An inheritable handle made at the same time elsewhere would reach this helper too and keep a
  // pipe open after its owner ended: helpers with an output start one at a time.
  static std::mutex starting;
  std::lock_guard<std::mutex> lock(starting);
  if (!CreateProcessW(Utf8ToWide(exe).c_str(), wide.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr,
                      &startup, &process))
    throw Exception(exe + " cannot be started (error " + std::to_string(GetLastError()) + ").");
  CloseHandle(process.hThread);
  FProcess = process.hProcess;
}

THelperProcess::~THelperProcess() {
  if (!FProcess) return;
  if (ExitCode() == STILL_ACTIVE) TerminateProcess(FProcess, helper::ecCrashed);
  CloseHandle(FProcess);
}

void THelperProcess::Release() {
  CloseHandle(FProcess);
  FProcess = nullptr;
}

DWORD THelperProcess::ExitCode() const {
  DWORD code = 0;
  return GetExitCodeProcess(FProcess, &code) ? code : 0;
}

std::string WindowArgument(HWND window) { return std::to_string(reinterpret_cast<uintptr_t>(window)); }
