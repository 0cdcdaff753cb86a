// Start-up of Lorvex.exe, from process start to its window answering, as a ratio to a minimal
// Win32 program measured in the same run; and the private memory of the running program.
// Run under Wine: wine build/windows/bench_startup.exe
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct TRun {
  double Milliseconds = 0;
  SIZE_T PrivateBytes = 0;
};

std::string BesideMe(const char* name) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

// Starts Program, waits until a window of Class exists and answers, then ends the program.
bool StartOnce(const std::string& program, const char* windowClass, TRun& run) {
  LARGE_INTEGER frequency, start, ready;
  QueryPerformanceFrequency(&frequency);
  STARTUPINFOA startup{sizeof(startup)};
  PROCESS_INFORMATION process{};
  std::string command = "\"" + program + "\"";
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  HWND wnd = nullptr;
  for (int i = 0; i < 20000 && !wnd; ++i) {
    wnd = FindWindowA(windowClass, nullptr);
    if (!wnd) Sleep(1);
  }
  DWORD_PTR answer;
  const bool answered = wnd && SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer);
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
  return answered;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
  std::vector<double> lorvex, minimal;
  SIZE_T lorvexMemory = 0, minimalMemory = 0;
  for (int i = 0; i < rounds; ++i) {
    TRun run;
    if (!StartOnce(BesideMe("minimal_window.exe"), "LorvexBenchMinimal", run)) return 1;
    minimal.push_back(run.Milliseconds);
    minimalMemory = run.PrivateBytes;
    if (!StartOnce(BesideMe("Lorvex.exe"), "TLorvexMainForm", run)) return 1;
    lorvex.push_back(run.Milliseconds);
    lorvexMemory = run.PrivateBytes;
  }
  const double ratio = Median(lorvex) / Median(minimal);
  std::printf("start-up, median of %d: Lorvex %.1f ms, minimal window %.1f ms, ratio %.2f (goal: 1.5 or less)\n",
              rounds, Median(lorvex), Median(minimal), ratio);
  std::printf("private memory: Lorvex %.1f MB, minimal window %.1f MB (goal: under 10 MB)\n",
              lorvexMemory / 1048576.0, minimalMemory / 1048576.0);
  return 0;
}
