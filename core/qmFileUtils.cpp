#include "core/qmFileUtils.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/Unicode.h"
#include "core/qmStringUtils.h"

namespace {

constexpr int CsidlAppData = 26;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where the folder part of a file name ends: after its last separator or drive colon; 0 when none.
size_t NameStart(const std::string& fileName) {
  const size_t last = fileName.find_last_of("\\/:");
  return last == std::string::npos ? 0 : last + 1;
}

// The position of the extension's dot in the file name part; npos when there is none.
size_t ExtensionDot(const std::string& fileName) {
  const size_t dot = fileName.find_last_of('.');
  return dot == std::string::npos || dot < NameStart(fileName) ? std::string::npos : dot;
}

std::string ExcludeTrailingSeparators(std::string path) {
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  return path;
}

// The file system's reading of a mask (FindFirstFile's DOS wildcards, which it hands on to the
// file system as DOS_STAR, DOS_QM and DOS_DOT):
//   "?"                  one character other than a dot; before a dot or at the end of the name
//                        the run of question marks may also match nothing ("a?" finds "a"),
//   "*" before a dot     any run of characters that does not take the name's last dot,
//   "." before "*", "?"  a dot, or nothing at the end of the name ("readme.*" finds "readme"),
//   any other "*"        any run of characters.
// Trailing dots and blanks are cut, and a trailing dot makes the star before it a star before a
// dot: "*." finds the names without a dot. The rest compares byte for byte; the caller folds case.
class TFileMaskMatcher {
 public:
  explicit TFileMaskMatcher(std::string_view mask) {
    const bool trailingDot = mask.ends_with('.');
    while (!mask.empty() && (mask.back() == '.' || mask.back() == ' ')) mask.remove_suffix(1);
    for (size_t i = 0; i < mask.size(); ++i) {
      const char next = i + 1 < mask.size() ? mask[i + 1] : (trailingDot ? '.' : '\0');
      FMask.push_back(Token(mask[i], next));
    }
  }

  // Follows every way through the mask at once, one character of the name at a time.
  bool Matches(std::string_view name) const {
    const size_t lastDot = name.rfind('.');
    std::vector<bool> ways(FMask.size() + 1), next(FMask.size() + 1);
    ways[0] = true;
    for (size_t i = 0; i < name.size();) {
      AddEmptyMatches(ways, name[i]);
      const size_t length = Utf8CharLength(name, i);
      std::fill(next.begin(), next.end(), false);
      bool any = false;
      for (size_t j = 0; j < FMask.size(); ++j) {
        const size_t to = ways[j] ? Step(j, name.substr(i, length), i == lastDot) : NoWay;
        if (to != NoWay) next[to] = any = true;
      }
      if (!any) return false;
      ways.swap(next);
      i += length;
    }
    AddEmptyMatches(ways, '\0');
    return ways.back();
  }

 private:
  enum class TKind : uint8_t { Literal, Star, DosStar, DosQm, DosDot };
  struct TToken {
    TKind Kind;
    char Byte;  // of a literal
  };
  static constexpr size_t NoWay = SIZE_MAX;

  static TToken Token(char c, char next) {
    if (c == '?') return {TKind::DosQm, c};
    if (c == '*') return {next == '.' ? TKind::DosStar : TKind::Star, c};
    if (c == '.' && (next == '*' || next == '?')) return {TKind::DosDot, c};
    return {TKind::Literal, c};
  }

  // The tokens that may match nothing before the character Next ('\0' at the end of the name).
  void AddEmptyMatches(std::vector<bool>& ways, char next) const {
    for (size_t j = 0; j < FMask.size(); ++j) {
      if (!ways[j]) continue;
      const TKind kind = FMask[j].Kind;
      if (kind == TKind::Star || kind == TKind::DosStar || (kind == TKind::DosDot && next == '\0') ||
          (kind == TKind::DosQm && (next == '.' || next == '\0')))
        ways[j + 1] = true;
    }
  }

  // Where the way at token J goes when it takes the character C; NoWay when it cannot.
  size_t Step(size_t j, std::string_view c, bool isLastDot) const {
    switch (FMask[j].Kind) {
      case TKind::Star:
        return j;
      case TKind::DosStar:
        return isLastDot ? NoWay : j;
      case TKind::DosQm:
        return c != "." ? j + 1 : NoWay;
      case TKind::DosDot:
        return c == "." ? j + 1 : NoWay;
      case TKind::Literal:
        break;
    }
    if (j + c.size() > FMask.size()) return NoWay;
    for (size_t k = 0; k < c.size(); ++k)
      if (FMask[j + k].Kind != TKind::Literal || FMask[j + k].Byte != c[k]) return NoWay;
    return j + c.size();
  }

  std::vector<TToken> FMask;
};

}  // namespace

bool DirectoryExists(const std::string& path) { return os::DirectoryExists(path); }

bool FileExists(const std::string& path) { return os::FileExists(path); }

bool ForceDirectories(const std::string& path) {
  std::string folder = ExcludeTrailingSeparators(path);
  if (folder.empty()) return os::DirectoryExists(path);  // "" or a root

  // Walk up to the first folder that exists, then create the missing ones top down.
  std::vector<std::string> missing;
  while (!folder.empty() && !os::DirectoryExists(folder)) {
    missing.push_back(folder);
    const std::string parent = ExcludeTrailingSeparators(ExtractFilePath(folder));
    if (parent == folder) break;  // a drive ("C:") that does not exist
    folder = parent;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!os::CreateFolder(*it)) return false;
  return true;
}

int FindFiles(const std::string& mask, const std::string& folder, bool recurse, TStringList& list) {
  if (folder.empty()) return 0;  // would walk the drive's root
  const std::string dir = IncludeTrailingBackslash(folder);
  std::vector<os::TDirEntry> entries;
  if (!os::ListFolder(dir, entries)) return 0;

  int count = 0;
  for (const os::TDirEntry& entry : entries) {
    if (!entry.IsFolder() && MatchesFileMask(entry.Name, mask)) {
      list.push_back(dir + entry.Name);
      ++count;
    }
  }
  if (recurse) {
    // Links are not followed: one into the home folder or the root would walk the whole disk.
    for (const os::TDirEntry& entry : entries)
      if (entry.IsFolder() && (entry.Attr & os::faReparsePoint) == 0)
        count += FindFiles(mask, dir + entry.Name, true, list);
  }
  return count;
}

std::string ExeFolder() { return ExtractFilePath(os::ExeFileName()); }

std::string UserAppDataFolder(const std::string& name) {
  return GetSpecialFolderPath(CsidlAppData) + "\\" + name + "\\";
}

std::string GetSpecialFolderPath(int csidl) { return os::SpecialFolderPath(csidl); }

void GetFileInfo(const std::string& fileName, TFileDetails& info) {
  os::TDirEntry entry;
  if (!os::GetEntry(fileName, entry)) return;
  info.Date = entry.WriteTime;
  info.Size = static_cast<int32_t>(static_cast<uint32_t>(entry.Size));
  info.Attr = entry.Attr;
  info.Name = entry.Name;
}

std::string ExtractFileNameNoExt(const std::string& fileName) {
  const std::string name = ExtractFileName(fileName);
  return name.substr(0, name.find_last_of('.'));
}

void CopyFiles(const std::string& mask, const std::string& sourceFolder, const std::string& destFolder) {
  TStringList files;
  FindFiles(mask, sourceFolder, false, files);
  const std::string target = IncludeTrailingBackslash(destFolder);
  for (const std::string& file : files) os::CopyFile(file, target + ExtractFileName(file), true);
}

std::string IncludeTrailingBackslash(const std::string& path) {
  return !path.empty() && IsSeparator(path.back()) ? path : path + "\\";
}

std::string ExtractFilePath(const std::string& fileName) { return fileName.substr(0, NameStart(fileName)); }

std::string ExtractFileName(const std::string& fileName) { return fileName.substr(NameStart(fileName)); }

std::string ExtractFileExt(const std::string& fileName) {
  const size_t dot = ExtensionDot(fileName);
  return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

std::string ExtractFileDrive(const std::string& fileName) {
  if (fileName.size() >= 2 && fileName[1] == ':') return fileName.substr(0, 2);
  if (fileName.size() >= 2 && IsSeparator(fileName[0]) && IsSeparator(fileName[1])) {
    // "\\server\share": the server's name, then the share's name.
    size_t end = fileName.find_first_of("\\/", 2);
    if (end != std::string::npos) end = fileName.find_first_of("\\/", end + 1);
    return fileName.substr(0, end);
  }
  return "";
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  return fileName.substr(0, ExtensionDot(fileName)) + extension;
}

bool MatchesFileMask(const std::string& name, const std::string& mask) {
  if (mask == "*" || mask == "*.*") return true;
  return TFileMaskMatcher(AnsiUpperCase(mask)).Matches(AnsiUpperCase(name));
}
