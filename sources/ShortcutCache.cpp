#include "sources/ShortcutCache.h"

#include <charconv>
#include <cstdio>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/SZCRC32.h"

// The file: a signature line, the CRC-32 of the rest as eight hex digits and a line break, then
// the fields of every link, each ended by a zero byte (no text of a link can hold one).
namespace {

constexpr std::string_view Signature = "Lorvex shortcut links 1\n";
constexpr size_t CrcLength = 9;  // eight hex digits and a line break

// Every field of a kept link, in the file's order: one list for writing and for reading.
template <typename Link, typename Visit>
void ForEachField(Link& link, Visit&& visit) {
  auto& info = link.Info;
  auto& target = info.FindData;
  visit(info.FileName);
  visit(link.Stamp.Size);
  visit(link.Stamp.WriteTime);
  visit(info.Target);
  visit(info.Arguments);
  visit(info.WorkingDirectory);
  visit(info.Description);
  visit(info.IconLocation);
  visit(info.IconIndex);
  visit(info.HotKey);
  visit(info.ShowCmd);
  visit(target.Name);
  visit(target.Attr);
  visit(target.Size);
  visit(target.WriteTime.Year);
  visit(target.WriteTime.Month);
  visit(target.WriteTime.Day);
  visit(target.WriteTime.Hour);
  visit(target.WriteTime.Minute);
  visit(target.WriteTime.Second);
}

void AppendField(std::string& out, const std::string& text) {
  out += text;
  out += '\0';
}

template <typename Number, typename = std::enable_if_t<std::is_integral_v<Number>>>
void AppendField(std::string& out, Number value) {
  AppendField(out, std::to_string(value));
}

// The fields of the file's body, one after the other.
class TFieldReader {
 public:
  explicit TFieldReader(std::string_view body) : FRest(body) {}

  bool AtEnd() const { return FRest.empty(); }

  bool Read(std::string& text) {
    const size_t end = FRest.find('\0');
    if (end == std::string_view::npos) return false;
    text.assign(FRest.substr(0, end));
    FRest.remove_prefix(end + 1);
    return true;
  }

  template <typename Number, typename = std::enable_if_t<std::is_integral_v<Number>>>
  bool Read(Number& value) {
    std::string text;
    if (!Read(text) || text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
  }

 private:
  std::string_view FRest;
};

std::string CrcText(std::string_view body) {
  char text[CrcLength + 1];
  std::snprintf(text, sizeof text, "%08x\n", static_cast<unsigned>(Crc32OfBuffer(body.data(), body.size())));
  return text;
}

// The links of a whole file; false when it is not a sound file of ours.
bool ParseLinks(std::string_view text, std::vector<TShortcutCache::TKeptLink>& links) {
  if (text.substr(0, Signature.size()) != Signature || text.size() < Signature.size() + CrcLength) return false;
  const std::string_view crc = text.substr(Signature.size(), CrcLength);
  const std::string_view body = text.substr(Signature.size() + CrcLength);
  if (crc != CrcText(body)) return false;
  TFieldReader reader(body);
  while (!reader.AtEnd()) {
    TShortcutCache::TKeptLink link;
    bool sound = true;
    ForEachField(link, [&](auto& field) { sound = sound && reader.Read(field); });
    if (!sound) return false;
    links.push_back(std::move(link));
  }
  return true;
}

}  // namespace

std::string ShortcutCacheFileName() { return SettingsFolder("Lorvex") + "LorvexShortcuts.cache"; }

TShortcutCache::TShortcutCache(std::string fileName) : FFileName(std::move(fileName)) {}

void TShortcutCache::Load() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (FLoaded) return;
    FLoaded = true;
  }
  std::string text;
  std::vector<TKeptLink> links;
  if (FFileName.empty() || !os::ReadFile(FFileName, text) || !ParseLinks(text, links)) return;
  std::lock_guard<std::mutex> lock(FLock);
  for (TKeptLink& link : links) FLinks.try_emplace(link.Info.FileName, std::move(link));
}

void TShortcutCache::Resolve(TShortcutInfo& info, const TReadLink& read) {
  const std::string fileName = info.FileName;
  os::TFileStamp stamp;
  const bool stamped = os::GetFileStamp(fileName, stamp);
  if (stamped && Find(info, stamp)) return;
  read(info);
  Keep(fileName, info, stamped ? &stamp : nullptr);
}

bool TShortcutCache::Find(TShortcutInfo& info, const os::TFileStamp& stamp) {
  std::lock_guard<std::mutex> lock(FLock);
  auto kept = FLinks.find(info.FileName);
  if (kept == FLinks.end() || kept->second.Stamp != stamp) return false;
  kept->second.Asked = true;
  info = kept->second.Info;
  return true;
}

void TShortcutCache::Keep(const std::string& fileName, const TShortcutInfo& info, const os::TFileStamp* stamp) {
  std::lock_guard<std::mutex> lock(FLock);
  if (stamp)
    FLinks[fileName] = {*stamp, info, true};
  else if (FLinks.erase(fileName) == 0)
    return;
  FChanged = true;
}

void TShortcutCache::Save() {
  std::vector<TKeptLink> links;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (FFileName.empty() || !FChanged) return;
    FChanged = false;
    links.reserve(FLinks.size());
    for (const auto& [fileName, link] : FLinks) links.push_back(link);
  }
  std::string body;
  for (const TKeptLink& link : links) {
    os::TFileStamp stamp;
    if (!link.Asked && !(os::GetFileStamp(link.Info.FileName, stamp) && stamp == link.Stamp)) continue;
    ForEachField(link, [&](const auto& field) { AppendField(body, field); });
  }
  os::WriteFileReplacing(FFileName, std::string(Signature) + CrcText(body) + body);
}

void TShortcutCache::Clear() {
  std::lock_guard<std::mutex> lock(FLock);
  FLinks.clear();
  FLoaded = false;
}

size_t TShortcutCache::Count() {
  std::lock_guard<std::mutex> lock(FLock);
  return FLinks.size();
}
