#include "core/qmFileUtils.h"

#include <vector>

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
  const std::string upperName = AnsiUpperCase(name);
  const std::string upperMask = AnsiUpperCase(mask);
  if (MatchesWildcard(upperName, upperMask)) return true;
  // "readme.*" also matches "readme", as the file system does.
  return upperMask.size() > 2 && upperMask.ends_with(".*") && upperName.find('.') == std::string::npos &&
         MatchesWildcard(upperName, std::string_view(upperMask).substr(0, upperMask.size() - 2));
}
