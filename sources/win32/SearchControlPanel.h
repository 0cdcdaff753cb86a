// The control-panel modules of Windows, asked by the helper program in a process of its own.
#pragma once

#include <windows.h>

#include "sources/SearchControlPanel.h"

class TWin32CplHelper : public TCplHelper {
 public:
  // The modules get Window as their parent.
  explicit TWin32CplHelper(HWND window) : FWindow(window) {}

  // The helper's standard output is a pipe read here: the helper is ended and the pipe let go
  // with the run. Each run is read on the thread that started it.
  std::unique_ptr<TCplHelperRun> Start(const std::vector<std::string>& modules) override;

 private:
  HWND FWindow;
};
