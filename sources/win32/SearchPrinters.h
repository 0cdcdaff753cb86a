// The printers of Windows: the spooler's list and the shell's printer command.
#pragma once

#include "sources/SearchPrinters.h"

class TWin32PrinterShell : public TPrinterShell {
 public:
  // The local printers and the printer connections, as the spooler lists them. The spooler's
  // library is bound on first need, from the system folder: most starts never list a printer.
  std::vector<std::string> Printers() override;
  // The shell's SHInvokePrinterCommand, bound by name; false when the shell has none. Wine's is
  // a stub that ends the process: tests never call it.
  bool InvokePrinterCommand(const std::string& printerName, bool modal) override;
};
