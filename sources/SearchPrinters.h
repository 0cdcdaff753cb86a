// The printers source: the installed printers, read afresh at every search; running one opens
// the printer's properties through the shell, without waiting for them, and says so when the
// system cannot show them.
//
// The printer list and the shell's printer command come through TPrinterShell: the Win32 side is
// sources/win32/SearchPrinters.h, tests pass a fake.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "sources/SourceSupport.h"

class TPrinterShell {
 public:
  virtual ~TPrinterShell() = default;
  // The installed printers' names, in the system's order (the search worker asks).
  virtual std::vector<std::string> Printers() = 0;
  enum TResult {
    pcDone,        // shown (or being shown)
    pcFailed,      // the shell's command answered that it failed
    pcUnavailable  // the system has no working printer command
  };
  // Opens the printer's properties, waiting for them to close when Modal.
  virtual TResult InvokePrinterCommand(const std::string& printerName, bool modal) = 0;
};

class TSearchPrinters : public TSearchClass {
 public:
  TSearchPrinters(TComponent* owner, std::shared_ptr<TPrinterShell> shell, TIconLoader loadIcon);

  std::string GetName() override { return "Printers"; }
  // The shell's printer icon.
  void LoadIcon(TItemData& item) override;
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // The printer's properties; a printer that is gone shows nothing. Raises Exception when the
  // system cannot show a printer's properties.
  void Execute(TItemData& item) override;

  const char* ClassName() const override { return "TSearchPrinters"; }

 private:
  std::shared_ptr<TPrinterShell> FShell;
  TIconLoader FLoadIcon;
};
