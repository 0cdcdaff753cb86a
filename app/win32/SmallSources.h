// The web-search, control-panel, printers and system sources as the main window makes them:
// each over its Windows side, with the icons of its rows and its dialogs.
#pragma once

#include <windows.h>

#include <functional>

#include "core/LorvexClasses.h"

// What the system commands need of the main window.
struct TMainWindowAccess {
  std::function<void()> ShowOptions;
  std::function<void()> Hide;
  std::function<HWND()> Handle;
  // The window the user was in when the main window was last called up.
  std::function<HWND()> CalledFrom;
};

TSearchClass* NewControlPanelSource(TComponent* owner);
TSearchClass* NewPrintersSource(TComponent* owner);
TSearchClass* NewSystemSource(TComponent* owner, TMainWindowAccess mainWindow);
TSearchClass* NewInternetSource(TComponent* owner);
