#include "sources/SearchRunGroup.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "os/os.h"
#include "sources/SourceSupport.h"

namespace {

constexpr double DefaultDelaySeconds = 1;

// A decimal number with ".", "," or the user's own separator before its fraction (so that what
// the dialog shows reads back); nothing when Text is no finite number.
std::optional<double> ParseNumber(const std::string& text) {
  std::string number = Trim(text);
  const std::string separator = os::DecimalSeparator();
  if (separator != "." && separator != ",")
    for (size_t at = number.find(separator); at != std::string::npos; at = number.find(separator, at + 1))
      number.replace(at, separator.size(), ".");
  std::replace(number.begin(), number.end(), ',', '.');
  if (!number.empty() && number.front() == '+') number.erase(0, 1);
  double value = 0;
  const char* last = number.data() + number.size();
  const auto [end, error] = std::from_chars(number.data(), last, value, std::chars_format::fixed);
  if (number.empty() || error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

double ClampedSeconds(double seconds) { return std::min(std::fabs(seconds), double(MaxRunDelaySeconds)); }

std::string NotANumber(const std::string& text) {
  return FormatText("'%s' is not a valid floating point value", {text});
}

// A program written in quotes at From: "..." with "" for a quote inside, closed before the ";"
// that starts the parameters or at the end. Only a program that needs them is written so (one
// that holds ";" or a quote): an older file's own quotes around a plain path stay part of it.
// Answers the program and where its field ends.
std::optional<std::pair<std::string, size_t>> QuotedProgram(const std::string& value, size_t from) {
  if (from >= value.size() || value[from] != '"') return std::nullopt;
  std::string program;
  for (size_t i = from + 1; i < value.size(); ++i) {
    if (value[i] != '"') {
      program += value[i];
    } else if (i + 1 < value.size() && value[i + 1] == '"') {
      program += '"';
      ++i;
    } else {
      const bool closes = i + 1 == value.size() || value[i + 1] == ';';
      if (!closes || program.find_first_of(";\"") == std::string::npos) return std::nullopt;
      return std::make_pair(std::move(program), i + 1);
    }
  }
  return std::nullopt;
}

std::string Quoted(const std::string& program) {
  std::string quoted = "\"";
  for (const char c : program) quoted += c == '"' ? "\"\"" : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

TGroupItemValue ParseGroupItem(const std::string& value) {
  const size_t first = value.find(';');
  if (first == std::string::npos) return {"1000", value, ""};
  if (auto quoted = QuotedProgram(value, first + 1)) {
    const size_t end = quoted->second;
    return {value.substr(0, first), std::move(quoted->first), end < value.size() ? value.substr(end + 1) : ""};
  }
  const size_t second = value.find(';', first + 1);
  if (second == std::string::npos) return {"1000", value.substr(0, first), value.substr(first + 1)};
  return {value.substr(0, first), value.substr(first + 1, second - first - 1), value.substr(second + 1)};
}

std::string GroupItemValue(const TGroupItemValue& item) {
  const std::string plain = item.Delay + ";" + item.Program + ";" + item.Parameters;
  if (ParseGroupItem(plain) == item) return plain;
  return item.Delay + ";" + Quoted(item.Program) + ";" + item.Parameters;
}

std::optional<unsigned> DelayMilliseconds(const std::string& text) {
  const std::optional<double> milliseconds = ParseNumber(text);
  if (!milliseconds) return std::nullopt;
  return static_cast<unsigned>(std::min(std::fabs(*milliseconds), MaxRunDelaySeconds * 1000.0));
}

double DelaySecondsFromText(const std::string& text, std::string& error) {
  error.clear();
  if (Trim(text).empty()) return DefaultDelaySeconds;
  const std::optional<double> seconds = ParseNumber(text);
  if (!seconds) {
    error = NotANumber(text);
    return DefaultDelaySeconds;
  }
  return ClampedSeconds(*seconds);
}

std::string DelaySecondsText(double seconds) { return GeneralNumberText(seconds, os::DecimalSeparator()); }

TRunGroups ReadRunGroups(const TMemIniFile& ini) {
  TRunGroups groups;
  for (const std::string& section : ini.SectionNames()) {
    TRunGroup& group = groups.emplace_back();
    group.Name = section;
    for (const std::string& key : ini.KeyNames(section)) {
      const TGroupItemValue value = ParseGroupItem(ini.ReadString(section, key, ""));
      const std::optional<unsigned> delay = DelayMilliseconds(value.Delay);
      group.Items.push_back({key, value.Program, value.Parameters, delay ? *delay / 1000.0 : DefaultDelaySeconds});
    }
  }
  return groups;
}

void WriteRunGroups(TMemIniFile& ini, const TRunGroups& groups) {
  for (const std::string& section : ini.SectionNames()) ini.EraseSection(section);
  for (const TRunGroup& group : groups) {
    for (const TGroupData& item : group.Items) {
      const long milliseconds = std::lround(ClampedSeconds(item.Delay) * 1000);
      ini.WriteString(group.Name, item.ItemName,
                      GroupItemValue({std::to_string(milliseconds), item.Program, item.Parameters}));
    }
  }
}

std::string RunGroupNameError(const std::string& name) {
  const std::string stored = RunGroupName(name);
  if (stored.empty() || stored.starts_with(";") || stored.find_first_of("[]=\r\n") != std::string::npos)
    return FormatText(TranslateText("The name \"%s\" cannot be kept: it may not be empty, begin with \";\" or hold "
                                    "\"[\", \"]\", \"=\" or a line break."),
                      {name});
  return "";
}

// --- TRunGroupFile ------------------------------------------------------------------------

std::unique_ptr<TMemIniFile> TRunGroupFile::Read() {
  std::lock_guard<std::mutex> lock(FLock);
  return std::make_unique<TMemIniFile>(FFileName);
}

void TRunGroupFile::Write(const TRunGroups& groups) {
  std::lock_guard<std::mutex> lock(FLock);
  TMemIniFile ini(FFileName);
  WriteRunGroups(ini, groups);
  ini.UpdateFile();
}

// --- TRunGroupSequence --------------------------------------------------------------------

TRunGroupSequence::TRunGroupSequence(std::shared_ptr<TSimpleTimerHandler> timers, std::vector<TGroupItemValue> items,
                                     std::string verb)
    : FItems(std::move(items)), FVerb(std::move(verb)), FTimer(std::move(timers)) {
  FTimer.OneShot = true;
  FTimer.SetOnTimer([this](TSimpleTimer&) { RunNext(); });
}

void TRunGroupSequence::RunNext() {
  if (FNext >= FItems.size()) return;
  const TGroupItemValue& item = FItems[FNext++];
  const std::optional<unsigned> delay = DelayMilliseconds(item.Delay);
  if (!delay) {
    FNext = FItems.size();
    throw Exception(NotANumber(item.Delay));
  }
  if (FNext < FItems.size()) {
    FTimer.SetInterval(std::max(*delay, 1u));  // a pause of 0 still lets the window breathe
    FTimer.Start();
  }
  ShellOpenOrRaise({FVerb, item.Program, item.Parameters, "", 9});
}

// --- TSearchRunGroup ----------------------------------------------------------------------

TSearchRunGroup::TSearchRunGroup(TComponent* owner, std::shared_ptr<TSimpleTimerHandler> timers,
                                 TOptionsDialog optionsDialog)
    : TSearchClass(owner),
      FTimers(std::move(timers)),
      FOptionsDialog(std::move(optionsDialog)),
      FFile(SettingsFolder("Lorvex") + IniFileName) {}

void TSearchRunGroup::ShowOptions() {
  if (FOptionsDialog) FOptionsDialog(FFile);
}

void TSearchRunGroup::Search(const std::string& text, const TAddHitFunc& addHit) {
  const std::unique_ptr<TMemIniFile> ini = FFile.Read();
  const std::string upperText = UpperCase(text);
  TItemRecord record;
  record.Score = 0;
  record.SearchClassName = GetName();
  record.Parameters = text;
  for (const std::string& group : ini->SectionNames()) {
    if (!Contains(UpperCase(group), upperText)) continue;
    std::string items;
    for (const std::string& key : ini->KeyNames(group)) items += (items.empty() ? "" : ", ") + key;
    record.DisplayName = group;
    record.ExecuteString = group;
    record.Description = "Run: " + items;
    if (addHit(record)) return;
  }
}

void TSearchRunGroup::Execute(TItemData& item) {
  std::erase_if(FSequences, [](const auto& sequence) { return sequence->Done(); });
  const std::unique_ptr<TMemIniFile> ini = FFile.Read();
  const std::string& group = item.StoredExecuteString();
  std::vector<TGroupItemValue> items;
  for (const std::string& key : ini->KeyNames(group)) items.push_back(ParseGroupItem(ini->ReadString(group, key, "")));
  if (items.empty()) return;
  FSequences.push_back(std::make_unique<TRunGroupSequence>(FTimers, std::move(items), item.AsAdmin ? "runas" : ""));
  FSequences.back()->RunNext();
}

size_t TSearchRunGroup::RunningSequences() {
  return std::count_if(FSequences.begin(), FSequences.end(), [](const auto& sequence) { return !sequence->Done(); });
}
