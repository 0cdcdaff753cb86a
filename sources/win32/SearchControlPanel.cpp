#include "sources/win32/SearchControlPanel.h"

#include <windows.h>
#include <cpl.h>

#include <algorithm>

#include "core/win32/WideText.h"
#include "os/win32/os_win32.h"

namespace {

// A string resource of the module; empty when it has none.
std::string LoadCplString(HMODULE module, int id) {
  wchar_t buffer[2048];
  const int length = LoadStringW(module, static_cast<UINT>(id), buffer, 2048);
  return length > 0 ? WideToUtf8(std::wstring_view(buffer, static_cast<size_t>(length))) : std::string();
}

void AskApplets(HMODULE module, APPLET_PROC applet, TCplAnswer& answer) {
  if (applet(nullptr, CPL_INIT, 0, 0) == 0) {
    answer.State = TCplAnswer::caRefused;
    return;
  }
  answer.State = TCplAnswer::caAnswered;
  const long count = std::clamp<long>(applet(nullptr, CPL_GETCOUNT, 0, 0), 0, TWin32CplModules::MaxApplets);
  std::vector<LONG_PTR> data;
  for (long i = 0; i < count; ++i) {
    CPLINFO info{};
    applet(nullptr, CPL_INQUIRE, i, reinterpret_cast<LPARAM>(&info));
    answer.Applets.push_back({LoadCplString(module, info.idName), LoadCplString(module, info.idInfo), info.idIcon});
    data.push_back(info.lData);
  }
  for (long i = 0; i < count; ++i) applet(nullptr, CPL_STOP, i, data[static_cast<size_t>(i)]);
  applet(nullptr, CPL_EXIT, 0, 0);
}

}  // namespace

TCplAnswer TWin32CplModules::Ask(const std::string& fullPath) {
  TCplAnswer answer;
  os::TComScope com;  // as in the control panel's own window, the modules may use COM
  // By the full path: the library search would look into the current folder as well.
  HMODULE module = LoadLibraryExW(Utf8ToWide(fullPath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return answer;
  auto applet = reinterpret_cast<APPLET_PROC>(reinterpret_cast<void*>(GetProcAddress(module, "CPlApplet")));
  if (applet)
    AskApplets(module, applet, answer);
  else
    answer.State = TCplAnswer::caNoEntry;
  FreeLibrary(module);
  return answer;
}
