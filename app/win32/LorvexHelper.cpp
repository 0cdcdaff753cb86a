// LorvexHelper.exe: runs, for Lorvex, code that other vendors wrote, so that what hangs or
// crashes there never reaches the program (sources/HelperProtocol.h says what it is asked and
// what it answers). It shows no window of its own and no error box: whatever it runs raises
// what nothing handles ends it at once with its "crashed" code.
#include <windows.h>
#include <cpl.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "core/win32/WideText.h"
#include "sources/HelperProtocol.h"

namespace {

constexpr long MaxApplets = 256;  // more applets than this in one module are not asked for

LONG WINAPI EndAtOnce(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), helper::ecCrashed);
  return EXCEPTION_EXECUTE_HANDLER;
}

// A string resource of the module; empty when it has none.
std::string LoadCplString(HMODULE module, int id) {
  wchar_t buffer[2048];
  const int length = LoadStringW(module, static_cast<UINT>(id), buffer, 2048);
  return length > 0 ? WideToUtf8(std::wstring_view(buffer, static_cast<size_t>(length))) : std::string();
}

// The applet protocol: CPL_INIT (a module that answers 0 is left), CPL_GETCOUNT, CPL_INQUIRE for
// each applet, CPL_STOP for each applet and CPL_EXIT.
TCplAnswer AskApplets(HWND window, HMODULE module, APPLET_PROC applet) {
  TCplAnswer answer;
  answer.State = TCplAnswer::caRefused;
  if (applet(window, CPL_INIT, 0, 0) == 0) return answer;
  answer.State = TCplAnswer::caAnswered;
  const long count = std::clamp<long>(applet(window, CPL_GETCOUNT, 0, 0), 0, MaxApplets);
  std::vector<LONG_PTR> data;
  for (long i = 0; i < count; ++i) {
    CPLINFO info{};
    applet(window, CPL_INQUIRE, i, reinterpret_cast<LPARAM>(&info));
    answer.Applets.push_back({LoadCplString(module, info.idName), LoadCplString(module, info.idInfo), info.idIcon});
    data.push_back(info.lData);
  }
  for (long i = 0; i < count; ++i) applet(window, CPL_STOP, i, data[static_cast<size_t>(i)]);
  applet(window, CPL_EXIT, 0, 0);
  return answer;
}

TCplAnswer AskModule(HWND window, const std::string& file) {
  // By the full path: the library search would look into the current folder as well.
  HMODULE module = LoadLibraryExW(Utf8ToWide(file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return {};
  TCplAnswer answer;
  if (auto applet = reinterpret_cast<APPLET_PROC>(reinterpret_cast<void*>(GetProcAddress(module, "CPlApplet"))))
    answer = AskApplets(window, module, applet);
  else
    answer.State = TCplAnswer::caNoEntry;
  FreeLibrary(module);
  return answer;
}

void Write(HANDLE output, const std::string& text) {
  DWORD written;
  WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int AskModules(HWND window, const std::vector<std::string>& files) {
  // The answers go only where Lorvex reads them: what a module writes to its standard output
  // goes nowhere.
  HANDLE output = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &output, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return helper::ecUsage;
  const int nowhere = _open("NUL", _O_WRONLY);
  _dup2(nowhere, 1);  // closes the runtime's copy of the pipe
  _close(nowhere);
  SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(1)));
  CoInitialize(nullptr);  // as in the control panel's own window, the modules may use COM
  Write(output, helper::ReadyLine());
  for (const std::string& file : files) {
    Write(output, helper::ModuleLine(file));
    const TCplAnswer answer = AskModule(window, file);
    std::string text;
    for (const TCplApplet& applet : answer.Applets) text += helper::AppletLine(applet, file);
    Write(output, text + helper::EndLine(answer.State));
  }
  CoUninitialize();
  return helper::ecDone;
}

int ShowPrinterProperties(HWND window, const std::string& printer) {
  using TInvokePrinterCommand = BOOL(WINAPI*)(HWND, UINT, LPCWSTR, LPCWSTR, BOOL);
  HMODULE shell = LoadLibraryW(L"shell32.dll");
  const auto invoke = shell ? reinterpret_cast<TInvokePrinterCommand>(
                                  reinterpret_cast<void*>(GetProcAddress(shell, "SHInvokePrinterCommandW")))
                            : nullptr;
  if (!invoke) return helper::ecNoEntry;
  CoInitialize(nullptr);
  const BOOL shown = invoke(window, PRINTACTION_PROPERTIES, Utf8ToWide(printer).c_str(), nullptr, -1);  // modal
  CoUninitialize();
  return shown ? helper::ecDone : helper::ecFailed;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndAtOnce);
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(WideToUtf8(wide[i]));
  LocalFree(wide);
  if (arguments.size() < 2) return helper::ecUsage;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(arguments[1].c_str(), nullptr, 10)));
  if (arguments[0] == "cpl")
    return AskModules(window, std::vector<std::string>(arguments.begin() + 2, arguments.end()));
  if (arguments[0] == "printer" && arguments.size() == 3) return ShowPrinterProperties(window, arguments[2]);
  return helper::ecUsage;
}
