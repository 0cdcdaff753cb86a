// Starting the helper program (sources/HelperProtocol.h) from beside Lorvex.exe.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The helper's process, ended (when it still runs) and let go with the object.
class THelperProcess {
 public:
  // Starts the helper with Arguments; Output, when given, becomes its standard output. Raises
  // Exception when it cannot start.
  THelperProcess(const std::vector<std::string>& arguments, HANDLE output = nullptr);
  ~THelperProcess();
  THelperProcess(const THelperProcess&) = delete;
  THelperProcess& operator=(const THelperProcess&) = delete;

  HANDLE Handle() const { return FProcess; }
  // Its exit code, or STILL_ACTIVE.
  DWORD ExitCode() const;
  // Lets the process go on its own.
  void Release();

 private:
  HANDLE FProcess = nullptr;
};

// The window handle as the helper's command line gives it.
std::string WindowArgument(HWND window);
