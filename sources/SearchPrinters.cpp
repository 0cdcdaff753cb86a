#include "sources/SearchPrinters.h"

#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

TSearchPrinters::TSearchPrinters(TComponent* owner, std::shared_ptr<TPrinterShell> shell, TIconLoader loadIcon)
    : TSearchClass(owner), FShell(std::move(shell)), FLoadIcon(std::move(loadIcon)) {}

void TSearchPrinters::Search(const std::string& text, const TAddHitFunc& addHit) {
  const std::string typed = UpperCase(text);
  const std::vector<std::string> printers = FShell->Printers();
  auto report = [&](const std::string& printer) {
    TItemRecord record;
    record.DisplayName = printer;
    record.Hint = TranslateText("Open printer properties");
    record.ExecuteString = printer;
    record.Description = TranslateText("Open properties");
    record.Score = 0;
    record.SearchClassName = GetName();
    return addHit(record);
  };
  // A printer that matches both ways is listed twice.
  if (IsPartOf(typed, "PRINTERS") || IsPartOf(typed, TranslateText("PRINTERS")))
    for (const std::string& printer : printers)
      if (report(printer)) return;
  for (const std::string& printer : printers)
    if (IsPartOf(typed, UpperCase(printer)) && report(printer)) return;
}

void TSearchPrinters::Execute(TItemData& item) {
  if (FShell->InvokePrinterCommand(item.StoredExecuteString(), false) == TPrinterShell::pcUnavailable)
    throw Exception(TranslateText("Printer properties are not available on this system."));
}

void TSearchPrinters::LoadIcon(TItemData& item) {
  if (FLoadIcon) FLoadIcon(item, {Shell32Path(), -17});
}
