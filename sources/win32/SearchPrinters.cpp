#include "sources/win32/SearchPrinters.h"

#include <windows.h>
#include <winspool.h>

#include "core/win32/WideText.h"
#include "sources/HelperProtocol.h"
#include "sources/SourceSupport.h"
#include "sources/win32/HelperProcess.h"
#include "ui/Forms.h"

namespace {

using TEnumPrinters = BOOL(WINAPI*)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);

template <class TFunction>
TFunction Bind(HMODULE library, const char* name) {
  return library ? reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

TEnumPrinters EnumPrintersEntry() {
  static const TEnumPrinters entry = Bind<TEnumPrinters>(
      LoadLibraryExW(Utf8ToWide(SystemFolder() + "winspool.drv").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH),
      "EnumPrintersW");
  return entry;
}

}  // namespace

std::vector<std::string> TWin32PrinterShell::Printers() {
  std::vector<std::string> names;
  const TEnumPrinters enumPrinters = EnumPrintersEntry();
  if (!enumPrinters) return names;
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  std::vector<BYTE> buffer;
  DWORD needed = 0, count = 0;
  // A printer added between the two calls needs a larger buffer.
  while (!enumPrinters(flags, nullptr, 4, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return names;
    buffer.resize(needed);
  }
  const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (printers[i].pPrinterName) names.push_back(WideToUtf8(printers[i].pPrinterName));
  return names;
}

TPrinterShell::TResult TWin32PrinterShell::InvokePrinterCommand(const std::string& printerName, bool modal) {
  try {
    THelperProcess helper({"printer", WindowArgument(Application().Handle()), printerName});
    // The properties are the helper's modal window: it waits for input once they are shown.
    if (modal)
      WaitForSingleObject(helper.Handle(), INFINITE);
    else
      WaitForInputIdle(helper.Handle(), AnswerLimit);
    switch (helper.ExitCode()) {
      case STILL_ACTIVE:
        helper.Release();  // it lives as long as the properties are shown
        return pcDone;
      case helper::ecDone:
        return pcDone;
      case helper::ecFailed:
        return pcFailed;
      default:
        return pcUnavailable;
    }
  } catch (const Exception&) {
    return pcUnavailable;
  }
}
