// The spooler's printer list, with printers added to the prefix's registry.
#include "sources/win32/SearchPrinters.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "tests/support/WineTestUtils.h"

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
