// The control-panel modules of Windows, asked through their applet entry point.
#pragma once

#include "sources/SearchControlPanel.h"

class TWin32CplModules : public TCplModules {
 public:
  // Loads the module by its full path and speaks the applet protocol: CPL_INIT (a module that
  // answers 0 is left), CPL_GETCOUNT, CPL_INQUIRE for each applet, CPL_STOP for each applet and
  // CPL_EXIT, then frees it. The modules get no window: they are asked off the GUI thread, in
  // a COM apartment of that thread.
  TCplAnswer Ask(const std::string& fullPath) override;

  // More applets than this in one module are not asked for.
  static constexpr long MaxApplets = 256;
};
