// File and folder routines.
#pragma once

#include <cstdint>
#include <string>

#include "core/Persistent.h"
#include "os/os.h"

struct TFileDetails {
  os::TLocalTime Date;  // last write, local time
  int32_t Size = 0;     // low 32 bits of the size in bytes
  uint32_t Attr = 0;    // os::fa* bits
  std::string Name;     // without folder, as the directory lists it
};

bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::string& path);
// Adds the full path of each matching file to List (files of a folder before those of its
// subfolders) and answers how many it added.
int FindFiles(const std::string& mask, const std::string& folder, bool recurse, TStringList& list);
// The running executable's folder, with a trailing backslash.
std::string ExeFolder();
// The user's application-data folder, a backslash, Name and a trailing backslash.
std::string UserAppDataFolder(const std::string& name);
// The shell's path of a special folder, without trailing backslash; empty when there is none.
std::string GetSpecialFolderPath(int csidl);
// Fills Info when FileName exists; leaves it unchanged when not.
void GetFileInfo(const std::string& fileName, TFileDetails& info);
// The file name without folder and without the part from its last "." on.
std::string ExtractFileNameNoExt(const std::string& fileName);
// Copies the files of one folder that match Mask; a failed copy is skipped silently.
void CopyFiles(const std::string& mask, const std::string& sourceFolder, const std::string& destFolder);

// Path helpers (backslash-separated paths).
std::string IncludeTrailingBackslash(const std::string& path);
std::string ExtractFilePath(const std::string& fileName);  // with trailing separator
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);    // with its dot; empty when none
std::string ExtractFileDrive(const std::string& fileName);  // "C:" or "\\server\share"; empty when none
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
bool FileExists(const std::string& path);

// Matches a file name against a file mask the way FindFirstFile does, short (8.3) names left out:
// ignoring case, with its DOS wildcards ("readme.*" finds "readme", "*." only names without a dot,
// "a?" also "a"; "*.*" finds everything).
bool MatchesFileMask(const std::string& name, const std::string& mask);
