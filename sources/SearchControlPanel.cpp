#include "sources/SearchControlPanel.h"

#include <thread>

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

// Asks on a thread of its own, which is left to itself when the module does not answer in time.
bool AskInTime(const std::shared_ptr<TCplModules>& modules, const std::string& fullPath,
               std::chrono::milliseconds limit, TCplAnswer& answer) {
  auto task =
      std::make_shared<std::packaged_task<TCplAnswer()>>([modules, fullPath] { return modules->Ask(fullPath); });
  std::future<TCplAnswer> asked = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  if (asked.wait_for(limit) != std::future_status::ready) return false;
  answer = asked.get();
  return true;
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

std::vector<TCplEntry> BuildControlPanelList(const std::string& systemFolder,
                                             const std::shared_ptr<TCplModules>& modules,
                                             std::chrono::milliseconds limit) {
  std::vector<TCplEntry> entries;
  for (const std::string& fileName : CplFiles(systemFolder)) {
    TCplAnswer answer;
    if (!AskInTime(modules, systemFolder + fileName, limit, answer)) continue;
    for (TCplEntry& entry : ModuleEntries(systemFolder, fileName, answer)) entries.push_back(std::move(entry));
  }
  for (const TFixedEntry& fixed : FixedEntries)
    entries.push_back(
        {fixed.Name, true, fixed.ExecuteString, "", systemFolder + fixed.IconFile, fixed.IconIndex, fixed.Description});
  return entries;
}

// --- TSearchControlPanel ----------------------------------------------------------------------

TSearchControlPanel::TSearchControlPanel(TComponent* owner, std::string systemFolder,
                                         std::shared_ptr<TCplModules> modules, TIconLoader loadIcon,
                                         std::chrono::milliseconds limit)
    : TSearchClass(owner), FSystemFolder(std::move(systemFolder)), FLoadIcon(std::move(loadIcon)) {
  FEntries = std::async(std::launch::async, [folder = FSystemFolder, modules = std::move(modules), limit] {
               return BuildControlPanelList(folder, modules, limit);
             }).share();
}

TSearchControlPanel::~TSearchControlPanel() { FEntries.wait(); }

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
  // An entry that matches both ways is listed twice.
  if (IsPartOf(typed, "CONTROL PANEL") || IsPartOf(typed, UpperCase(TranslateText("Control panel"))))
    for (const TCplEntry& entry : Entries())
      if (report(entry)) return;
  for (const TCplEntry& entry : Entries())
    if (IsPartOf(typed, UpperCase(entry.Name)) && report(entry)) return;
}

void TSearchControlPanel::Execute(TItemData& item) {
  os::TShellOpenRequest request = ShellOpenRequestFor(item);
  const std::string command = request.File;
  if (SameText(ExtractFileExt(command), ".cpl")) {
    request.File = FSystemFolder + "control.exe";
    request.Parameters = "\"" + command + "\"" + (request.Parameters.empty() ? "" : "," + request.Parameters);
  } else {
    request.File = FSystemFolder + "rundll32.exe";
    request.Parameters = command;
  }
  ShellOpenOrRaise(request);
}

void TSearchControlPanel::LoadIcon(TItemData& item) {
  if (FLoadIcon) FLoadIcon(item, {item.IconFile(), item.IconIndex});
}
