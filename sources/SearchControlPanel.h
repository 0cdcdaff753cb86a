// The control-panel source: every applet of the system folder's ".cpl" modules, and four fixed
// entries. The list is built once, when the source is made, off the calling thread: a module is
// asked through the applet protocol on a thread of its own, and one that does not answer in time
// is skipped. A search reports the entries whose name holds the typed text, or all of them when
// the text is part of "Control panel"; running one starts the control-panel runner or rundll32.
//
// The modules are asked through TCplModules: the Win32 side is sources/win32/SearchControlPanel.h,
// tests pass a fake.
#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "sources/SourceSupport.h"

// One applet as its module describes it.
struct TCplApplet {
  std::string Name;  // empty when the module names it not
  std::string Info;
  int IconId = 0;  // the id of its icon resource in the module
};

// What asking one module gave.
struct TCplAnswer {
  enum TState {
    caNotLoaded,  // no such module, or not a module at all
    caNoEntry,    // no applet entry point
    caRefused,    // it declined to start
    caAnswered,   // Applets in the module's order
  } State = caNotLoaded;
  std::vector<TCplApplet> Applets;
};

class TCplModules {
 public:
  virtual ~TCplModules() = default;
  // Asks the module at FullPath for its applets and lets it go again. May never return.
  virtual TCplAnswer Ask(const std::string& fullPath) = 0;
};

// One entry of the list.
struct TCplEntry {
  std::string Name;  // what the row shows: a fixed entry's English name, translated when shown
  bool Fixed = false;
  std::string ExecuteString;  // a ".cpl" file name, or what rundll32 runs
  std::string Parameters;     // an applet's place in its module, as "@1"
  std::string IconFile;
  int IconIndex = 0;  // as TIconLocation::Index
  std::string Description;
};

// The entries of one module's answer: each named applet; for an unnamed one, and once for a
// module without entry point, the module's known name (when it has one).
std::vector<TCplEntry> ModuleEntries(const std::string& systemFolder, const std::string& fileName,
                                     const TCplAnswer& answer);
// The "*.cpl" files of the system folder in the folder's order, each module's entries, then the
// four fixed entries. A module that does not answer within Limit is left out.
std::vector<TCplEntry> BuildControlPanelList(const std::string& systemFolder,
                                             const std::shared_ptr<TCplModules>& modules,
                                             std::chrono::milliseconds limit);

class TSearchControlPanel : public TSearchClass {
 public:
  static constexpr std::chrono::milliseconds AnswerLimit{3000};

  // Starts building the list from SystemFolder (with a trailing backslash) at once.
  TSearchControlPanel(TComponent* owner, std::string systemFolder, std::shared_ptr<TCplModules> modules,
                      TIconLoader loadIcon, std::chrono::milliseconds limit = AnswerLimit);
  ~TSearchControlPanel() override;  // waits for the list

  std::string GetName() override { return "Control Panel"; }
  void LoadIcon(TItemData& item) override;
  // Waits for the list on its first call.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // A ".cpl" through the control-panel runner, anything else through rundll32, both from the
  // system folder.
  void Execute(TItemData& item) override;

  const char* ClassName() const override { return "TSearchControlPanel"; }

 private:
  const std::vector<TCplEntry>& Entries() const { return FEntries.get(); }

  std::string FSystemFolder;
  TIconLoader FLoadIcon;
  std::shared_future<std::vector<TCplEntry>> FEntries;
};
