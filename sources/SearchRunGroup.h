// Run groups: one name that starts several programs in order, with a pause after each.
// "LorvexRunGroup.ini" holds one section per group and one key per item, in run order; the
// value is "delay in milliseconds;program;parameters" (the parameters may hold ";" themselves).
//
// Threads: Search runs on the worker and reads the file under the same lock the dialog's save
// takes. Execute and the sequences it starts run on the GUI thread, one timer tick per item.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "core/qmMemIni.h"
#include "core/qmStringUtils.h"
#include "desktop/SimpleTimer.h"

// One stored value, taken apart: "1500;notepad.exe;a;b" is 1500, notepad.exe and "a;b"; a value
// of two fields is program and parameters, of one field the program alone (the delay then "1000").
// A program that holds ";" is stored in quotes, as a command line would quote it:
// 1000;"C:\a;b\x.exe";-p.
struct TGroupItemValue {
  std::string Delay;
  std::string Program;
  std::string Parameters;

  bool operator==(const TGroupItemValue&) const = default;
};
TGroupItemValue ParseGroupItem(const std::string& value);
// The stored value of Item, which ParseGroupItem gives back whole.
std::string GroupItemValue(const TGroupItemValue& item);

constexpr int MaxRunDelaySeconds = 120;

// A stored delay in whole milliseconds: its absolute value, at most two minutes; nothing when
// the text is no finite number ("1,5" and "1.5" are both numbers).
std::optional<unsigned> DelayMilliseconds(const std::string& text);
// A delay typed in seconds: its absolute value, at most two minutes, 1 when empty. A text that
// is no number gives 1 and the reason in Error.
double DelaySecondsFromText(const std::string& text, std::string& error);
// Seconds as the item dialog shows them, with the user's decimal separator ("1.5" or "1,5", "120").
std::string DelaySecondsText(double seconds);

// One item as the dialog edits it; Delay in seconds, 0 to 120.
struct TGroupData {
  std::string ItemName;
  std::string Program;
  std::string Parameters;
  double Delay = 1;

  bool operator==(const TGroupData&) const = default;
};

struct TRunGroup {
  std::string Name;
  std::vector<TGroupData> Items;

  bool operator==(const TRunGroup&) const = default;
};
using TRunGroups = std::vector<TRunGroup>;

// Every group in file order with its items (a stored delay that is no number reads as 1 s).
TRunGroups ReadRunGroups(const TMemIniFile& ini);
// Replaces every section by the groups that have items.
void WriteRunGroups(TMemIniFile& ini, const TRunGroups& groups);

// Why Name cannot be a group's or an item's name; empty when it can. The file keeps a name
// trimmed (RunGroupName), and that form must be neither empty, a comment nor break the lines.
std::string RunGroupNameError(const std::string& name);
// A name as the file keeps it: without the blanks around it.
inline std::string RunGroupName(const std::string& name) { return Trim(name); }

// The run-group file, read and written whole under one lock.
class TRunGroupFile {
 public:
  explicit TRunGroupFile(std::string fileName) : FFileName(std::move(fileName)) {}
  // The file as it is; a missing file is an empty one.
  std::unique_ptr<TMemIniFile> Read();
  // Writes the groups, keeping the file's other lines. Raises EInOutError when it cannot.
  void Write(const TRunGroups& groups);
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  std::mutex FLock;
};

// The items of one run of a group, started one by one on a timer: the first at once, each
// later one after the pause of the item before it. An item that cannot start is reported and the
// group goes on; a stored delay that is no number stops the group before that item.
class TRunGroupSequence {
 public:
  TRunGroupSequence(std::shared_ptr<TSimpleTimerHandler> timers, std::vector<TGroupItemValue> items, std::string verb);
  // Starts the next item (the first one at Execute); its failure is raised after the next item is
  // timed, so that the group goes on.
  void RunNext();
  bool Done() const { return FNext >= FItems.size() && !FTimer.Enabled(); }

 private:
  std::vector<TGroupItemValue> FItems;
  std::string FVerb;
  size_t FNext = 0;
  TSimpleTimer FTimer;
};

class TSearchRunGroup : public TSearchClass {
 public:
  // Shows the groups' dialog over the file; true after OK.
  using TOptionsDialog = std::function<bool(TRunGroupFile& file)>;

  TSearchRunGroup(TComponent* owner, std::shared_ptr<TSimpleTimerHandler> timers, TOptionsDialog optionsDialog);

  std::string GetName() override { return "Run group"; }
  bool HasOptions() override { return true; }
  bool RememberInLastUsed() override { return false; }
  void ShowOptions() override;
  // Every group whose name holds the text, described by its items' names.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Starts the group's items in order (with "runas" when asked); returns at once.
  void Execute(TItemData& item) override;
  const char* ClassName() const override { return "TSearchRunGroup"; }

  static constexpr const char* IniFileName = "LorvexRunGroup.ini";
  TRunGroupFile& File() { return FFile; }
  size_t RunningSequences();

 private:
  std::shared_ptr<TSimpleTimerHandler> FTimers;
  TOptionsDialog FOptionsDialog;
  TRunGroupFile FFile;
  std::vector<std::unique_ptr<TRunGroupSequence>> FSequences;
};
