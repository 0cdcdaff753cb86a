#include "core/qmMemIni.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "core/qmStringUtils.h"
#include "os/os.h"

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// A name never spans lines: that would make lines (or sections) of its own.
std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A value in quotes as the system's profile calls read it: single or double ones, the same at
// both ends.
bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
}

// A value as its line holds it: a line break, or a lone CR or LF, as "#13#10" (never a line of
// its own); in double quotes when reading would take something off (blanks at an end, or quotes
// at both), which reading takes off again.
std::string ValueInLine(std::string_view value) {
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\r' && value[i] != '\n') {
      text += value[i];
      continue;
    }
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
    text += "#13#10";
  }
  if (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back()) || IsQuoted(text))) text = '"' + text + '"';
  return text;
}

// The value of a line, read as the system's profile calls read it.
std::string ValueOfLine(std::string_view text) {
  std::string value = Trim(text);
  if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
  return value;
}

// The lines of Text without their ends; CR LF, LF and a CR before LF all end a line.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// "[name]", blanks around it allowed and anything after the closing bracket ignored.
bool IsSectionLine(const std::string& trimmed, std::string& name) {
  if (trimmed.empty() || trimmed.front() != '[') return false;
  const size_t close = trimmed.find_last_of(']');
  if (close == std::string::npos) return false;
  name = Trim(std::string_view(trimmed).substr(1, close - 1));
  return true;
}

bool IsComment(const std::string& trimmed) { return !trimmed.empty() && trimmed.front() == ';'; }

bool TryParseInteger(const std::string& text, int& value) {
  std::string digits = Trim(text);
  if (!digits.empty() && digits.front() == '+') digits.erase(0, 1);
  const char* first = digits.data();
  const char* last = first + digits.size();
  const auto [end, error] = std::from_chars(first, last, value);
  return !digits.empty() && error == std::errc() && end == last;
}

}  // namespace

TMemIniFile::TMemIniFile(const std::string& fileName) : FFileName(fileName) {
  if (!os::FileExists(fileName)) return;
  std::string text;
  if (!os::ReadFile(fileName, text)) throw EInOutError("Cannot open file \"" + fileName + "\"");
  Parse(text);
}

void TMemIniFile::Parse(const std::string& text) {
  std::string_view rest = text;
  FByteOrderMark = rest.starts_with(ByteOrderMark);
  if (FByteOrderMark) rest.remove_prefix(ByteOrderMark.size());

  TSection* current = nullptr;
  for (std::string& line : SplitLines(rest)) {
    const std::string trimmed = Trim(line);
    std::string name;
    if (IsSectionLine(trimmed, name)) {
      current = FindSection(name);
      if (!current) current = &FSections.emplace_back(TSection{name, {}});
      continue;
    }
    if (!current) {
      FHeader.push_back(std::move(line));
      continue;
    }
    TLine entry;
    const size_t equals = trimmed.find('=');
    if (!IsComment(trimmed) && equals != std::string::npos && equals > 0) {
      entry.IsKey = true;
      entry.Key = Trim(std::string_view(trimmed).substr(0, equals));
      entry.Value = Trim(std::string_view(trimmed).substr(equals + 1));  // as the line holds it
    } else {
      entry.Raw = std::move(line);
    }
    current->Lines.push_back(std::move(entry));
  }
}

const TMemIniFile::TSection* TMemIniFile::FindSection(const std::string& name) const {
  for (const TSection& section : FSections)
    if (AnsiSameText(section.Name, name)) return &section;
  return nullptr;
}

TMemIniFile::TSection* TMemIniFile::FindSection(const std::string& name) {
  return const_cast<TSection*>(std::as_const(*this).FindSection(name));
}

const TMemIniFile::TLine* TMemIniFile::FindKey(const TSection& section, const std::string& key) {
  for (const TLine& line : section.Lines)
    if (line.IsKey && AnsiSameText(line.Key, key)) return &line;
  return nullptr;
}

TMemIniFile::TLine* TMemIniFile::FindKey(TSection& section, const std::string& key) {
  return const_cast<TLine*>(FindKey(std::as_const(section), key));
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  const TSection* found = FindSection(section);
  const TLine* line = found ? FindKey(*found, key) : nullptr;
  return line ? ValueOfLine(line->Value) : def;
}

int TMemIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  int value = 0;
  return TryParseInteger(ReadString(section, key, ""), value) ? value : def;
}

bool TMemIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  int value = 0;
  return TryParseInteger(ReadString(section, key, ""), value) ? value != 0 : def;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::string sectionName = Trim(OneLine(section));
  const std::string keyName = Trim(OneLine(key));
  TSection* target = FindSection(sectionName);
  if (!target) target = &FSections.emplace_back(TSection{sectionName, {}});

  if (TLine* line = FindKey(*target, keyName)) {
    line->Value = ValueInLine(value);
    return;
  }
  // After the section's last non-blank line, so that a blank line before the next section stays there.
  auto last = std::find_if(target->Lines.rbegin(), target->Lines.rend(),
                           [](const TLine& line) { return line.IsKey || !Trim(line.Raw).empty(); });
  TLine entry;
  entry.IsKey = true;
  entry.Key = keyName;
  entry.Value = ValueInLine(value);
  target->Lines.insert(last.base(), std::move(entry));
}

void TMemIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

TStringList TMemIniFile::SectionNames() const {
  TStringList names;
  for (const TSection& section : FSections) names.push_back(section.Name);
  return names;
}

TStringList TMemIniFile::KeyNames(const std::string& section) const {
  TStringList names;
  if (const TSection* found = FindSection(section))
    for (const TLine& line : found->Lines)
      if (line.IsKey) names.push_back(line.Key);
  return names;
}

bool TMemIniFile::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(const std::string& section, const std::string& key) const {
  const TSection* found = FindSection(section);
  return found && FindKey(*found, key);
}

void TMemIniFile::EraseSection(const std::string& section) {
  std::erase_if(FSections, [&](const TSection& s) { return AnsiSameText(s.Name, section); });
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& key) {
  if (TSection* found = FindSection(section))
    std::erase_if(found->Lines, [&](const TLine& line) { return line.IsKey && AnsiSameText(line.Key, key); });
}

std::string TMemIniFile::Text() const {
  std::string text = FByteOrderMark ? std::string(ByteOrderMark) : std::string();
  const auto append = [&text](const std::string& line) { text += line + "\r\n"; };
  for (const std::string& line : FHeader) append(line);
  for (const TSection& section : FSections) {
    append("[" + section.Name + "]");
    for (const TLine& line : section.Lines) append(line.IsKey ? line.Key + "=" + line.Value : line.Raw);
  }
  return text;
}

void TMemIniFile::UpdateFile() const {
  if (!os::WriteFileReplacing(FFileName, Text())) throw EInOutError("Cannot create file \"" + FFileName + "\"");
}
