// The printers of Windows: the spooler's list and the shell's printer command.
#pragma once

#include <windows.h>

#include "sources/SearchPrinters.h"

class TWin32PrinterShell : public TPrinterShell {
 public:
  // The local printers and the printer connections, as the spooler lists them. The spooler's
  // library is bound on first need, from the system folder: most starts never list a printer.
  std::vector<std::string> Printers() override;
  // The shell's printer command, run by the helper program: where it is missing, or is a stub
  // that ends its caller (as Wine's), only the helper ends. Not modal, the helper is waited for
  // until it shows the properties or ends, at most AnswerLimit.
  TResult InvokePrinterCommand(const std::string& printerName, bool modal) override;

  static constexpr DWORD AnswerLimit = 5000;
};
