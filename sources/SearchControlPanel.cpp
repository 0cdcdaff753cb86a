#include "sources/SearchControlPanel.h"

#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "os/os.h"

namespace {

// Names of well-known modules whose applets do not name themselves.
struct TKnownApplet {
  const char* File;
  const char* Name;
};
constexpr TKnownApplet KnownApplets[] = {
    {"access.cpl", "Accessibility Options"},
    {"hdwwiz.cpl", "Add New Hardware Wizard"},
    {"appwiz.cpl", "Programs and features"},
    {"timedate.cpl", "Date and Time Properties"},
    {"desk.cpl", "Display Properties"},
    {"findfast.cpl", "FindFast"},
    {"inetcpl.cpl", "Internet Properties"},
    {"joy.cpl", "Joystick Properties"},
    {"main.cpl", "Mouse Properties"},
    {"ncpl.cpl", "Network Properties"},
    {"password.cpl", "Password Properties"},
    {"telephon.cpl", "Phone and Modem options"},
    {"powercfg.cpl", "Power Management"},
    {"intl.cpl", "Regional settings"},
    {"sticpl.cpl", "Scanners and Cameras"},
    {"mmsys.cpl", "Sounds and Audio"},
    {"sysdm.cpl", "System Properties"},
    {"nusrmgr.cpl", "User settings"},
    {"tweakui.cpl", "TweakUI"},
};

struct TFixedEntry {
  const char* Name;
  const char* ExecuteString;
  const char* Description;
  const char* IconFile;  // in the system folder
  int IconIndex;
};
constexpr TFixedEntry FixedEntries[] = {
    {"Printers and Faxes", "shell32.dll,SHHelpShortcuts_RunDLL PrintersFolder",
     "Shows installed printers and fax printers and helps you add new ones", "shell32.dll", 58},
    {"Fonts", "shell32.dll,SHHelpShortcuts_RunDLL FontsFolder", "Add, change, and manage fonts on your computer",
     "shell32.dll", 38},
    {"Internet Options", "inetcpl.cpl", "Configure your internet display and connection settings", "inetcpl.cpl", 27},
    {"Administrative tools", "admintools", "Configure administrative settings for your computer", "shell32.dll", 35},
};

// The module's known name as an entry, when it has one.
void AddKnownApplet(const std::string& systemFolder, const std::string& fileName, const std::string& parameters,
                    std::vector<TCplEntry>& entries) {
  for (const TKnownApplet& known : KnownApplets) {
    if (!SameText(fileName, known.File)) continue;
    entries.push_back({known.Name, false, fileName, parameters, systemFolder + fileName, 0, ""});
    return;
  }
}

std::vector<std::string> CplFiles(const std::string& systemFolder) {
  std::vector<os::TDirEntry> listing;
  os::ListFolder(systemFolder, listing);
  std::vector<std::string> files;
  for (const os::TDirEntry& entry : listing)
    if (!entry.IsFolder() && MatchesFileMask(entry.Name, "*.CPL")) files.push_back(entry.Name);
  return files;
}

std::string ShownName(const TCplEntry& entry) { return entry.Fixed ? TranslateText(entry.Name) : entry.Name; }

}  // namespace

std::vector<TCplEntry> ModuleEntries(const std::string& systemFolder, const std::string& fileName,
                                     const TCplAnswer& answer) {
  std::vector<TCplEntry> entries;
  if (answer.State == TCplAnswer::caNoEntry) AddKnownApplet(systemFolder, fileName, "", entries);
  if (answer.State != TCplAnswer::caAnswered) return entries;
  for (size_t i = 0; i < answer.Applets.size(); ++i) {
    const TCplApplet& applet = answer.Applets[i];
    const std::string place = "@" + std::to_string(i);
    if (applet.Name.empty())
      AddKnownApplet(systemFolder, fileName, place, entries);
    else
      entries.push_back({applet.Name, false, fileName, place, systemFolder + fileName, -applet.IconId, applet.Info});
  }
  return entries;
}

std::vector<std::optional<TCplAnswer>> AskModules(TCplHelper& helper, const std::vector<std::string>& modules,
                                                  std::chrono::milliseconds limit, std::vector<TCplFailure>& failures) {
  using TClock = std::chrono::steady_clock;
  std::vector<std::optional<TCplAnswer>> answers(modules.size());
  size_t next = 0;  // the module being asked
  while (next < modules.size()) {
    std::unique_ptr<TCplHelperRun> run;
    try {
      run = helper.Start(std::vector<std::string>(modules.begin() + static_cast<ptrdiff_t>(next), modules.end()));
    } catch (const std::exception& e) {
      failures.push_back({TCplFailure::cfNoHelper, e.what()});
      break;
    }
    helper::TCplAnswerReader reader;
    TClock::time_point deadline = TClock::now() + TCplHelper::StartLimit;
    TCplHelperRun::TRead read;
    do {
      std::string piece;
      read = run->Read(deadline, piece);
      const bool wasReady = reader.Ready();
      std::vector<TCplAnswer> ended;
      reader.Feed(piece, ended);
      // Each module has the limit from the end of the one before.
      if (!ended.empty() || reader.Ready() != wasReady) deadline = TClock::now() + limit;
      for (TCplAnswer& answer : ended)
        if (next < modules.size()) answers[next++] = std::move(answer);
    } while (read == TCplHelperRun::rdData && next < modules.size());
    if (next == modules.size()) break;
    if (!reader.Ready()) {
      failures.push_back({TCplFailure::cfNoHelper, std::string(helper::ExeName) + " did not start."});
      break;
    }
    const std::string& module = modules[next++];
    failures.push_back({read == TCplHelperRun::rdTimeOut ? TCplFailure::cfNoAnswer : TCplFailure::cfCrashed,
                        module.substr(module.find_last_of("\\/") + 1)});
  }
  return answers;
}

TCplList BuildControlPanelList(const std::string& systemFolder, TCplHelper& helper, std::chrono::milliseconds limit) {
  TCplList list;
  const std::vector<std::string> files = CplFiles(systemFolder);
  std::vector<std::string> modules;
  for (const std::string& file : files) modules.push_back(systemFolder + file);
  const std::vector<std::optional<TCplAnswer>> answers = AskModules(helper, modules, limit, list.Failures);
  for (size_t i = 0; i < files.size(); ++i)
    if (answers[i])
      for (TCplEntry& entry : ModuleEntries(systemFolder, files[i], *answers[i]))
        list.Entries.push_back(std::move(entry));
  for (const TFixedEntry& fixed : FixedEntries)
    list.Entries.push_back(
        {fixed.Name, true, fixed.ExecuteString, "", systemFolder + fixed.IconFile, fixed.IconIndex, fixed.Description});
  return list;
}

// --- TSearchControlPanel ----------------------------------------------------------------------

TSearchControlPanel::TSearchControlPanel(TComponent* owner, std::string systemFolder,
                                         std::shared_ptr<TCplHelper> helper, TIconLoader loadIcon,
                                         std::chrono::milliseconds limit)
    : TSearchClass(owner), FSystemFolder(std::move(systemFolder)), FLoadIcon(std::move(loadIcon)) {
  FList = std::async(std::launch::async, [folder = FSystemFolder, helper = std::move(helper), limit] {
            return BuildControlPanelList(folder, *helper, limit);
          }).share();
}

TSearchControlPanel::~TSearchControlPanel() { FList.wait(); }

void TSearchControlPanel::Search(const std::string& text, const TAddHitFunc& addHit) {
  const std::string typed = UpperCase(text);
  auto report = [&](const TCplEntry& entry) {
    TItemRecord record;
    record.DisplayName = ShownName(entry);
    record.Hint = entry.Description;
    record.ExecuteString = entry.ExecuteString;
    record.Description = TranslateText("Run control panel applet");
    record.Parameters = entry.Parameters;
    record.Score = 0;
    record.IconFile = entry.IconFile;
    record.IconIndex = entry.IconIndex;
    record.SearchClassName = GetName();
    return addHit(record);
  };
  // Each entry once: all of them for a part of "Control panel", else those whose name holds the text.
  const bool all = IsPartOf(typed, "CONTROL PANEL") || IsPartOf(typed, UpperCase(TranslateText("Control panel")));
  for (const TCplEntry& entry : Entries())
    if ((all || IsPartOf(typed, UpperCase(entry.Name))) && report(entry)) return;
  const std::vector<TCplFailure>& failures = FList.get().Failures;
  if (failures.empty() || FFailuresReported.exchange(true)) return;
  std::string message;
  for (const TCplFailure& failure : failures) {
    const char* text = failure.Kind == TCplFailure::cfNoAnswer ? "The control-panel module %s did not answer in time."
                       : failure.Kind == TCplFailure::cfCrashed
                           ? "The control-panel module %s crashed while it was asked."
                           : "The control-panel modules could not be asked: %s";
    message += (message.empty() ? "" : " ") + TranslateFormat(text, {failure.Name});
  }
  throw Exception(message);
}

void TSearchControlPanel::Execute(TItemData& item) {
  os::TShellOpenRequest request = ShellOpenRequestFor(item);
  const std::string command = request.File;
  if (SameText(ExtractFileExt(command), ".cpl")) {
    request.File = FSystemFolder + "control.exe";
    request.Parameters = "\"" + command + "\"" + (request.Parameters.empty() ? "" : "," + request.Parameters);
  } else if (command.find(',') == std::string::npos) {
    // rundll32 takes only "file,entry"; a name of the control panel's own is the runner's.
    request.File = FSystemFolder + "control.exe";
    request.Parameters = command;
  } else {
    request.File = FSystemFolder + "rundll32.exe";
    request.Parameters = command;
  }
  ShellOpenOrRaise(request);
}

void TSearchControlPanel::LoadIcon(TItemData& item) {
  if (FLoadIcon) FLoadIcon(item, {item.IconFile(), item.IconIndex});
}
