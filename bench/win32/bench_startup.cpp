// Start-up of Lorvex.exe, from process start to its window answering and its message loop
// waiting for input, as a ratio to a minimal Win32 program measured in the same run; and the
// private memory of the running program.
// Run under Wine: wine build/windows/bench_startup.exe [rounds]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct TRun {
  double Milliseconds = 0;
  SIZE_T PrivateBytes = 0;
};

struct TProgram {
  const char* FileName;
  const char* WindowClass;
};

constexpr TProgram Minimal{"minimal_window.exe", "LorvexBenchMinimal"};
constexpr TProgram Lorvex{"Lorvex.exe", "TLorvexMainForm"};

std::string BesideMe(const char* name) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

// A second Lorvex only wakes the first and ends: timing it would measure nothing. The running
// one holds the mutex named "Lorvex".
bool LorvexIsRunning() {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Lorvex");
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

struct TWindowSearch {
  DWORD ProcessId;
  const char* WindowClass;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM param) {
  auto& search = *reinterpret_cast<TWindowSearch*>(param);
  DWORD owner = 0;
  char className[64];
  GetWindowThreadProcessId(wnd, &owner);
  if (owner != search.ProcessId || !GetClassNameA(wnd, className, sizeof(className)) ||
      std::strcmp(className, search.WindowClass) != 0)
    return TRUE;
  search.Found = wnd;
  return FALSE;
}

// The window of the class that the started process itself made (not another program's); none
// when the process ended first or took over 20 seconds.
HWND WaitForWindow(const PROCESS_INFORMATION& process, const char* windowClass) {
  for (int i = 0; i < 20000; ++i) {
    TWindowSearch search{process.dwProcessId, windowClass};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.Found) return search.Found;
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// Wine's desktop process tidies up after a program ends; for Lorvex it takes the tray icon away,
// which without a window manager takes two seconds. The next start must not pay for it: once the
// desktop has picked up the news, a message to it waits until it is done.
void LetTheDesktopSettle() {
  Sleep(100);
  DWORD_PTR answer;
  SendMessageTimeoutA(GetDesktopWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
}

// Starts the program, waits until its window exists and answers and its message loop waits for
// input, then ends the program. The answer alone is not enough: a thread answers a message sent
// from another one whenever it waits for an answer itself (the shell's tray icon, for one), and
// Lorvex does so halfway through its start-up, before its message loop could take a key.
bool StartOnce(const TProgram& program, TRun& run) {
  LARGE_INTEGER frequency, start, ready;
  QueryPerformanceFrequency(&frequency);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::string command = "\"" + BesideMe(program.FileName) + "\"";
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "bench_startup: cannot start %s (error %lu)\n", program.FileName, GetLastError());
    return false;
  }
  const HWND wnd = WaitForWindow(process, program.WindowClass);
  DWORD_PTR answer;
  const bool answered = wnd && SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer) &&
                        WaitForInputIdle(process.hProcess, 10000) == 0;
  QueryPerformanceCounter(&ready);
  run.Milliseconds = 1000.0 * static_cast<double>(ready.QuadPart - start.QuadPart) / frequency.QuadPart;
  Sleep(300);  // let it settle before its memory is read
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
    run.PrivateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;  // Wine fills only the latter
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  LetTheDesktopSettle();
  if (!answered) std::fprintf(stderr, "bench_startup: %s ended or hung before its window answered\n", program.FileName);
  return answered;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (LorvexIsRunning()) {
    std::fprintf(stderr,
                 "bench_startup: Lorvex is running in this Wine prefix, and a second start would only wake it.\n"
                 "Exit it, or run the benchmark in another WINEPREFIX.\n");
    return 2;
  }
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
  // The first start in a prefix also loads what every later one finds ready (libraries, fonts,
  // the desktop): one untimed start of each program first.
  TRun run;
  if (!StartOnce(Minimal, run) || !StartOnce(Lorvex, run)) return 1;
  std::vector<double> lorvex, minimal;
  SIZE_T lorvexMemory = 0, minimalMemory = 0;
  for (int i = 0; i < rounds; ++i) {
    if (!StartOnce(Minimal, run)) return 1;
    minimal.push_back(run.Milliseconds);
    minimalMemory = run.PrivateBytes;
    if (!StartOnce(Lorvex, run)) return 1;
    lorvex.push_back(run.Milliseconds);
    lorvexMemory = run.PrivateBytes;
  }
  const double ratio = Median(lorvex) / Median(minimal);
  std::printf("start-up, median of %d: Lorvex %.1f ms, minimal window %.1f ms, ratio %.2f (goal: 1.5 or less)\n",
              rounds, Median(lorvex), Median(minimal), ratio);
  std::printf("private memory: Lorvex %.1f MB, minimal window %.1f MB (goal: under 10 MB)\n", lorvexMemory / 1048576.0,
              minimalMemory / 1048576.0);
  return 0;
}
