#include "sources/SearchPrinters.h"

#include <gtest/gtest.h>

#include "tests/sources/SourceHits.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/Thrown.h"

namespace {

struct TFakePrinters : TPrinterShell {
  std::vector<std::string> List = {"HP LaserJet", "Office Printer", "Label maker 100%TEMP%"};
  std::vector<std::string> Invoked;
  TResult Result = pcDone;

  std::vector<std::string> Printers() override { return List; }
  TResult InvokePrinterCommand(const std::string& printerName, bool modal) override {
    Invoked.push_back(printerName + (modal ? " (modal)" : ""));
    return Result;
  }
};

}  // namespace

TEST(PrintersSource, ListsEveryPrinterForPartOfPrintersAndThoseWhoseNameHoldsTheTextAndOpensItsProperties) {
  TTestLanguage language{{"PRINTERS", "DRUCKER"}};
  auto shell = std::make_shared<TFakePrinters>();
  TSearchPrinters source(nullptr, shell, nullptr);
  const TNames all = shell->List;
  const std::pair<std::string, TNames> cases[] = {
      {"print", {all[0], all[1], all[2], "Office Printer"}},
      {"hp", {"HP LaserJet"}},
      {"Druck", all},  // the typed text is upper-cased, the translation taken as it is
      {"", {}},
  };
  for (const auto& [text, hits] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(NamesInOrder(source, text), hits);
  }
  const TItemRecord label = CollectHits(source, "label").at(0);
  const std::pair<TPrinterShell::TResult, std::string> runs[] = {
      {TPrinterShell::pcDone, ""},
      {TPrinterShell::pcFailed, ""},  // a printer that is gone
      {TPrinterShell::pcUnavailable, "Printer properties are not available on this system."},
  };
  for (const auto& [result, message] : runs) {
    shell->Result = result;
    EXPECT_EQ(ThrownMessage<Exception>([&] { RunItem(source, TItemData(label)); }), message);
  }
  EXPECT_EQ(shell->Invoked, std::vector<std::string>(3, "Label maker 100%TEMP%"));
}
