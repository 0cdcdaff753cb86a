// The narrow seams between the portable core and the operating system.
// Each function has a Win32 side (os/win32) and a POSIX side (os/posix). Paths use the
// backslash as separator throughout the program; the POSIX side maps it to "/".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// <windows.h> maps these names to their ...A functions; the seams keep their own names.
#undef DeleteFile
#undef CopyFile
#undef WriteProfileString

namespace os {

// File attribute bits, with the values of the Windows file system.
enum : uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
  faReparsePoint = 0x400,
};

struct TLocalTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;

  bool operator==(const TLocalTime&) const = default;
};

// One entry of a folder listing.
struct TDirEntry {
  std::string Name;      // the long name, without folder
  uint32_t Attr = 0;     // fa* bits
  int64_t Size = 0;      // bytes
  TLocalTime WriteTime;  // last write, local time

  bool IsFolder() const { return (Attr & faDirectory) != 0; }
  bool operator==(const TDirEntry&) const = default;
};

// What tells one version of a file from another: its size and its time of last write in the
// file system's own units (exact to the tick, and not moved by time zones as TLocalTime is).
struct TFileStamp {
  int64_t Size = 0;
  uint64_t WriteTime = 0;

  bool operator==(const TFileStamp&) const = default;
};

// Every entry of Folder except "." and "..", in the directory's own order (the POSIX side
// sorts by name). False when the folder cannot be listed.
bool ListFolder(const std::string& folder, std::vector<TDirEntry>& entries);
// The entry for one file or folder; false when it does not exist.
bool GetEntry(const std::string& path, TDirEntry& entry);
// The stamp of a file or folder; false when it does not exist.
bool GetFileStamp(const std::string& path, TFileStamp& stamp);

bool FileExists(const std::string& path);       // an existing file, not a folder
bool DirectoryExists(const std::string& path);  // an existing folder
bool CreateFolder(const std::string& path);     // one level; true when it exists afterwards
bool DeleteFile(const std::string& path);
bool CopyFile(const std::string& source, const std::string& dest, bool overwrite);

// Whole-file reads and writes of bytes. WriteFileReplacing writes a file of a new name of its
// own beside Path and renames it over the old one, so a failed write leaves the old file whole
// and no other file is touched; the new file keeps the old one's permissions (its mode and
// owner; on Windows its attributes and security), and a read-only file is replaced too.
bool ReadFile(const std::string& path, std::string& data);
bool WriteFileReplacing(const std::string& path, std::string_view data);
// Writes one piece of a file; false when it could not.
using TWriteChunk = std::function<bool(std::string_view chunk)>;
// The same for a file made piece by piece: Produce hands the pieces to Write and answers
// whether all went well (an exception out of it leaves no temporary file either). With
// Accept, the written file (given its path) replaces the old one only when Accept approves it.
bool WriteFileReplacing(const std::string& path, const std::function<bool(const TWriteChunk& write)>& produce,
                        const std::function<bool(const std::string& written)>& accept = {});
// Appends to Path, creating it when missing.
bool AppendFile(const std::string& path, const std::string& data);

// The value of an environment variable; false when it is not set.
bool GetEnv(const std::string& name, std::string& value);
// Sets an environment variable of this process (an empty value is a set, empty variable).
bool SetEnv(const std::string& name, const std::string& value);

// The full path of the running executable.
std::string ExeFileName();

// The shell's path of a special folder (CSIDL number), without trailing separator;
// empty when the shell has none.
std::string SpecialFolderPath(int csidl);

// The shell's display name of a file or folder (what Explorer shows).
std::string ShellDisplayName(const std::string& path);

// Single values of INI files through the system's profile-string calls.
std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& def, size_t bufferSize);
bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

TLocalTime Now();
// The offset of local time from UTC now, in minutes (east of UTC positive).
int UtcOffsetMinutes();
// The offset in force at a local time (summer or winter time of that date, in the rules of the
// system's time zone).
int UtcOffsetMinutes(const TLocalTime& localTime);
// A date and a time of day as the user's settings write them: the short date, the long time.
// The POSIX side writes "yyyy-mm-dd" and "hh:nn:ss".
std::string ShortDateText(const TLocalTime& time);
std::string LongTimeText(const TLocalTime& time);
// A moment as the user's settings write it: the short date, a blank and the long time.
inline std::string DateTimeText(const TLocalTime& time) { return ShortDateText(time) + " " + LongTimeText(time); }
// The user's decimal separator, as numbers are shown to them: on Windows the user's choice in
// the registry's international settings (where Wine keeps it too), else the user's locale; the
// C library's locale on the POSIX side. Never empty.
std::string DecimalSeparator();

// A shared library loaded at run time: a null handle when it cannot be loaded, a null
// address when it has no such symbol. FreeDynamicLibrary ignores a null handle.
void* LoadDynamicLibrary(const std::string& fileName);
void* GetLibrarySymbol(void* library, const char* name);
void FreeDynamicLibrary(void* library);

// A file opened for reading that other programs may go on reading, writing, renaming and
// deleting (the launcher never locks users' files): -1 when it cannot be opened.
// ReadSharedFile reads at an absolute offset and answers the bytes read (0 at the end or
// on failure).
intptr_t OpenSharedFile(const std::string& path);
int64_t SharedFileSize(intptr_t file);
int64_t ReadSharedFile(intptr_t file, int64_t offset, void* buffer, int64_t count);
void CloseSharedFile(intptr_t file);

// How the shell is asked to open a file, a folder, an address or a command line.
struct TShellOpenRequest {
  std::string Verb;  // empty: the default verb; "runas", "properties", ...
  std::string File;
  std::string Parameters;
  std::string Directory;
  int ShowCmd = 1;  // how the started program's window shows (SW_*); 1 is normal
  uintptr_t Owner = 0;  // the window (HWND) that owns what the shell shows; 0: none

  bool operator==(const TShellOpenRequest&) const = default;
};

// Hands Request to the shell, never with the shell's own error boxes. False when the shell
// failed, with the system's reason in ErrorText. The POSIX side has no shell and fails.
bool ShellOpen(const TShellOpenRequest& request, std::string& errorText);

// Tests answer for the shell, so that no program is ever started by them; an empty function
// puts the shell back.
using TShellOpenFunc = std::function<bool(const TShellOpenRequest& request, std::string& errorText)>;
void SetShellOpenForTests(TShellOpenFunc open);

// Tests replace the shell's display names with their own; an empty function restores the real one.
void SetDisplayNameProviderForTests(std::function<std::string(const std::string&)> provider);

}  // namespace os
