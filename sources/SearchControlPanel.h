// The control-panel source: every applet of the system folder's ".cpl" modules, and four fixed
// entries. The list is built once, when the source is made, off the calling thread: the modules
// are asked by the helper program (sources/HelperProtocol.h), each within a time limit; a module
// that does not answer in time, or crashes its helper, costs only its own entries and is named
// once in the error list. A search reports the entries whose name holds the typed text, or all
// of them when the text is part of "Control panel"; running one starts the control-panel runner
// or rundll32.
//
// The helper is started through TCplHelper: the Win32 side is sources/win32/SearchControlPanel.h,
// tests pass a fake.
#pragma once

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "sources/HelperProtocol.h"
#include "sources/SourceSupport.h"

// One run of the helper over some modules.
class TCplHelperRun {
 public:
  enum TRead { rdData, rdEnded, rdTimeOut };
  // Ends the helper when it still runs.
  virtual ~TCplHelperRun() = default;
  // Waits until the helper writes (Piece gets what it wrote), ends, or Deadline passes.
  virtual TRead Read(std::chrono::steady_clock::time_point deadline, std::string& piece) = 0;
};

class TCplHelper {
 public:
  // How long a new helper may take to say it runs: a process starts slowly on a loaded machine,
  // and the helper runs no module before.
  static constexpr std::chrono::milliseconds StartLimit{30000};

  virtual ~TCplHelper() = default;
  // Starts the helper over the modules (full paths); raises Exception when it cannot.
  virtual std::unique_ptr<TCplHelperRun> Start(const std::vector<std::string>& modules) = 0;
};

// One entry of the list.
struct TCplEntry {
  std::string Name;  // what the row shows: a fixed entry's English name, translated when shown
  bool Fixed = false;
  std::string ExecuteString;  // a ".cpl" file name or a control-panel name, or what rundll32 runs
  std::string Parameters;     // an applet's place in its module, as "@1"
  std::string IconFile;
  int IconIndex = 0;  // as TIconLocation::Index
  std::string Description;
};

// A module that cost its entries, or the helper that could not ask them.
struct TCplFailure {
  enum TKind { cfNoAnswer, cfCrashed, cfNoHelper } Kind;
  std::string Name;  // the module's file name, or what kept the helper from running

  bool operator==(const TCplFailure&) const = default;
};

struct TCplList {
  std::vector<TCplEntry> Entries;
  std::vector<TCplFailure> Failures;
};

// The entries of one module's answer: each named applet; for an unnamed one, and once for a
// module without entry point, the module's known name (when it has one).
std::vector<TCplEntry> ModuleEntries(const std::string& systemFolder, const std::string& fileName,
                                     const TCplAnswer& answer);
// Asks the modules (full paths) through the helper: each module's answer, or none for one that
// did not answer within Limit after the one before it or crashed the helper, which is then
// ended and started again for the modules after it. A helper that does not start stops the
// asking: its failure is named once.
std::vector<std::optional<TCplAnswer>> AskModules(TCplHelper& helper, const std::vector<std::string>& modules,
                                                  std::chrono::milliseconds limit, std::vector<TCplFailure>& failures);
// The "*.cpl" files of the system folder in the folder's order, each module's entries, then the
// four fixed entries.
TCplList BuildControlPanelList(const std::string& systemFolder, TCplHelper& helper, std::chrono::milliseconds limit);

class TSearchControlPanel : public TSearchClass {
 public:
  static constexpr std::chrono::milliseconds AnswerLimit{3000};

  // Starts building the list from SystemFolder (with a trailing backslash) at once.
  TSearchControlPanel(TComponent* owner, std::string systemFolder, std::shared_ptr<TCplHelper> helper,
                      TIconLoader loadIcon, std::chrono::milliseconds limit = AnswerLimit);
  ~TSearchControlPanel() override;  // waits for the list

  std::string GetName() override { return "Control Panel"; }
  void LoadIcon(TItemData& item) override;
  // Waits for the list on its first call. The first search that is not stopped then raises
  // Exception naming the modules that cost their entries, when there are any.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // A ".cpl" file or a name such as "admintools" through the control-panel runner, a "file,entry"
  // through rundll32, both from the system folder.
  void Execute(TItemData& item) override;

  const char* ClassName() const override { return "TSearchControlPanel"; }

 private:
  const std::vector<TCplEntry>& Entries() const { return FList.get().Entries; }

  std::string FSystemFolder;
  TIconLoader FLoadIcon;
  std::shared_future<TCplList> FList;
  std::atomic<bool> FFailuresReported{false};
};
