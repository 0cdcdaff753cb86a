// The spooler's printer list, with printers added to the prefix's registry.
#include "sources/win32/SearchPrinters.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "core/win32/WideText.h"

namespace {

const std::wstring PrintersKey = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";

// A printer in the registry for as long as it lives.
class TRegisteredPrinter {
 public:
  explicit TRegisteredPrinter(const std::string& name) : FKey(PrintersKey + Utf8ToWide(name)) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, FKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    // The spooler lists a printer by this value.
    const std::wstring wide = Utf8ToWide(name);
    RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  ~TRegisteredPrinter() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, FKey.c_str()); }

 private:
  std::wstring FKey;
};

}  // namespace

TEST(SpoolerPrinters, ListsThePrintersInstalledAtTheTimeOfEachSearch) {
  TWin32PrinterShell shell;
  const std::string office = "B\xC3\xBCro Laser", label = "Label Writer";
  auto has = [&](const std::string& name) {
    const std::vector<std::string> printers = shell.Printers();
    return std::find(printers.begin(), printers.end(), name) != printers.end();
  };
  {
    TRegisteredPrinter first(office), second(label);
    EXPECT_TRUE(has(office));
    EXPECT_TRUE(has(label));
  }
  EXPECT_FALSE(has(office));
}
