#include "app/win32/SmallSources.h"

#include "app/win32/FCapture.h"
#include "app/win32/FInternetOptions.h"
#include "sources/win32/SearchControlPanel.h"
#include "sources/win32/SearchPrinters.h"
#include "sources/win32/SearchSystem.h"
#include "sources/win32/SourceIcons.h"
#include "ui/Forms.h"

TSearchClass* NewControlPanelSource(TComponent* owner) {
  return new TSearchControlPanel(owner, SystemFolder(), std::make_shared<TWin32CplHelper>(Application().Handle()),
                                 ExtractItemIcon);
}

TSearchClass* NewPrintersSource(TComponent* owner) {
  return new TSearchPrinters(owner, std::make_shared<TWin32PrinterShell>(), ExtractItemIcon);
}

TSearchClass* NewSystemSource(TComponent* owner, TMainWindowAccess mainWindow) {
  auto commands = std::make_shared<TWin32SystemCommands>();
  commands->ShowOptionsDialog = std::move(mainWindow.ShowOptions);
  commands->HideMainWindow = std::move(mainWindow.Hide);
  commands->MainWindow = std::move(mainWindow.Handle);
  commands->CalledFrom = std::move(mainWindow.CalledFrom);
  commands->SelectArea = SelectCaptureArea;
  return new TSearchSystem(owner, std::move(commands), ExtractItemIcon);
}

TSearchClass* NewInternetSource(TComponent* owner) {
  const std::string fileName = InternetIniFileName();
  return new TSearchInternet(owner, fileName, ExtractItemIcon, [fileName] { return ShowInternetOptions(fileName); });
}
