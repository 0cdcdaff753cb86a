#include "sources/win32/SearchControlPanel.h"

#include <atomic>

#include "core/LorvexClasses.h"
#include "core/win32/WideText.h"
#include "sources/win32/HelperProcess.h"

namespace {

// A handle closed with the object.
struct THandle {
  HANDLE H = nullptr;
  explicit THandle(HANDLE handle) : H(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~THandle() {
    if (H) CloseHandle(H);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
};

// Our end of the helper's output, read with a time limit (an anonymous pipe cannot be).
class TWin32CplHelperRun : public TCplHelperRun {
 public:
  TWin32CplHelperRun(HANDLE pipe, const std::vector<std::string>& arguments, HANDLE output)
      : FProcess(arguments, output), FPipe(pipe), FEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    FOverlapped.hEvent = FEvent.H;
  }

  ~TWin32CplHelperRun() override {
    TerminateProcess(FProcess.Handle(), helper::ecCrashed);
    if (FReading) {
      CancelIo(FPipe.H);
      DWORD count;
      GetOverlappedResult(FPipe.H, &FOverlapped, &count, TRUE);
    }
  }

  TRead Read(std::chrono::steady_clock::time_point deadline, std::string& piece) override {
    DWORD count = 0;
    if (!FReading) {
      if (ReadFile(FPipe.H, FBuffer, sizeof(FBuffer), nullptr, &FOverlapped) || GetLastError() == ERROR_IO_PENDING)
        FReading = true;
      else
        return rdEnded;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (WaitForSingleObject(FEvent.H, static_cast<DWORD>(std::max<int64_t>(0, left.count()))) != WAIT_OBJECT_0)
      return rdTimeOut;
    FReading = false;
    // The helper's end closes the pipe.
    if (!GetOverlappedResult(FPipe.H, &FOverlapped, &count, FALSE)) return rdEnded;
    piece.assign(FBuffer, count);
    return rdData;
  }

 private:
  THelperProcess FProcess;  // first: the pipe stays the caller's when the helper does not start
  THandle FPipe, FEvent;
  OVERLAPPED FOverlapped{};
  bool FReading = false;
  char FBuffer[4096];
};

}  // namespace

std::unique_ptr<TCplHelperRun> TWin32CplHelper::Start(const std::vector<std::string>& modules) {
  static std::atomic<unsigned> count{0};
  const std::wstring name = L"\\\\.\\pipe\\LorvexHelper-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++count);
  THandle pipe(CreateNamedPipeW(name.c_str(),
                                PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 65536, 0, nullptr));
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  THandle output(pipe.H ? CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, 0, nullptr) : nullptr);
  if (!output.H) throw Exception("The helper's pipe cannot be made (error " + std::to_string(GetLastError()) + ").");
  std::vector<std::string> arguments = {"cpl", WindowArgument(FWindow)};
  arguments.insert(arguments.end(), modules.begin(), modules.end());
  auto run = std::make_unique<TWin32CplHelperRun>(pipe.H, arguments, output.H);
  pipe.H = nullptr;  // the run's now
  return run;
}
