// The operating-system seams on POSIX systems, for the native build and its tests.
#include "os/os.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace os {

namespace {

std::function<std::string(const std::string&)> DisplayNameProvider;
TShellOpenFunc ShellOpenForTests;

// The program writes paths with backslashes; the file system wants slashes.
std::string Native(const std::string& path) {
  std::string result = path;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string LastComponent(const std::string& nativePath) {
  const size_t slash = nativePath.find_last_of('/');
  return slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
}

TLocalTime LocalTimeOf(time_t time) {
  struct tm parts {};
  localtime_r(&time, &parts);
  TLocalTime result;
  result.Year = parts.tm_year + 1900;
  result.Month = parts.tm_mon + 1;
  result.Day = parts.tm_mday;
  result.Hour = parts.tm_hour;
  result.Minute = parts.tm_min;
  result.Second = parts.tm_sec;
  return result;
}

// A symbolic link is reported as a reparse point, and as a folder too when it points to one.
bool StatEntry(const std::string& nativePath, const std::string& name, TDirEntry& entry) {
  struct stat info {};
  if (lstat(nativePath.c_str(), &info) != 0) return false;
  entry = TDirEntry();
  entry.Name = name;
  if (S_ISLNK(info.st_mode)) {
    entry.Attr |= faReparsePoint;
    struct stat target {};
    if (stat(nativePath.c_str(), &target) == 0) info = target;
  }
  if (S_ISDIR(info.st_mode)) entry.Attr |= faDirectory;
  if ((info.st_mode & S_IWUSR) == 0) entry.Attr |= faReadOnly;
  if (!name.empty() && name[0] == '.') entry.Attr |= faHidden;
  entry.Size = S_ISDIR(info.st_mode) ? 0 : static_cast<int64_t>(info.st_size);
  entry.WriteTime = LocalTimeOf(info.st_mtime);
  return true;
}

bool WriteAll(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t written = write(fd, data.data() + done, data.size() - done);
    if (written < 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

// Creates a file of a name no other file has, beside Target (so that renaming it over Target
// stays within one file system): "<name>.<8 hex digits>.tmp". -1 when none can be made.
int CreateUniqueBeside(const std::string& target, std::string& temp) {
  static std::atomic<uint32_t> counter{0};
  for (int attempt = 0; attempt < 64; ++attempt) {
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const uint32_t mixed = (static_cast<uint32_t>(now.tv_nsec) ^ (static_cast<uint32_t>(getpid()) << 16) ^
                            static_cast<uint32_t>(now.tv_sec)) +
                           counter.fetch_add(1) * 2654435761u;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", mixed);
    temp = target + suffix;
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// --- A small INI file reader and writer, in the manner of the Windows profile calls ---

std::string TrimBlanks(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool SameAsciiText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The name of a "[section]" line, or false when the line is no section header.
bool SectionName(const std::string& line, std::string& name) {
  const std::string trimmed = TrimBlanks(line);
  if (trimmed.size() < 2 || trimmed.front() != '[') return false;
  const size_t close = trimmed.find(']');
  if (close == std::string::npos) return false;
  name = TrimBlanks(trimmed.substr(1, close - 1));
  return true;
}

// The key and value of a "key=value" line, or false when the line has no "=".
bool KeyAndValue(const std::string& line, std::string& key, std::string& value) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  key = TrimBlanks(line.substr(0, equals));
  value = TrimBlanks(line.substr(equals + 1));
  // Matching quotes around a value are not part of it.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return true;
}

}  // namespace

bool ListFolder(const std::string& folder, std::vector<TDirEntry>& entries) {
  entries.clear();
  if (folder.empty()) return false;
  const std::string dirPath = WithoutTrailingSlashes(Native(folder));
  DIR* dir = opendir(dirPath.c_str());
  if (!dir) return false;
  while (const dirent* item = readdir(dir)) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    TDirEntry entry;
    if (StatEntry(dirPath + "/" + name, name, entry)) entries.push_back(entry);
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const TDirEntry& a, const TDirEntry& b) { return a.Name < b.Name; });
  return true;
}

bool GetEntry(const std::string& path, TDirEntry& entry) {
  if (path.empty()) return false;
  const std::string nativePath = WithoutTrailingSlashes(Native(path));
  return StatEntry(nativePath, LastComponent(nativePath), entry);
}

bool GetFileStamp(const std::string& path, TFileStamp& stamp) {
  struct stat info {};
  if (path.empty() || stat(Native(path).c_str(), &info) != 0) return false;
  stamp.Size = static_cast<int64_t>(info.st_size);
  stamp.WriteTime =
      static_cast<uint64_t>(info.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(info.st_mtim.tv_nsec);
  return true;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(Native(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(Native(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolder(const std::string& path) { return mkdir(Native(path).c_str(), 0777) == 0 || DirectoryExists(path); }

bool DeleteFile(const std::string& path) { return !DirectoryExists(path) && unlink(Native(path).c_str()) == 0; }

bool CopyFile(const std::string& source, const std::string& dest, bool overwrite) {
  namespace fs = std::filesystem;
  std::error_code error;
  const auto options = overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none;
  return fs::copy_file(Native(source), Native(dest), options, error) && !error;
}

bool ReadFile(const std::string& path, std::string& data) {
  if (!FileExists(path)) return false;
  std::ifstream stream(Native(path), std::ios::binary);
  if (!stream) return false;
  std::ostringstream contents;
  contents << stream.rdbuf();
  if (stream.bad()) return false;
  data = contents.str();
  return true;
}

bool WriteFileReplacing(const std::string& path, std::string_view data) {
  return WriteFileReplacing(path, [data](const TWriteChunk& write) { return write(data); });
}

bool WriteFileReplacing(const std::string& path, const std::function<bool(const TWriteChunk& write)>& produce,
                        const std::function<bool(const std::string& written)>& accept) {
  const std::string target = Native(path);
  std::string temp;
  int fd = CreateUniqueBeside(target, temp);
  if (fd < 0) return false;
  // The new file takes the old one's owner and mode (the owner only where we may give it).
  struct stat old {};
  if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0) (void)!fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    (void)!fchmod(fd, old.st_mode & 07777);
  }
  bool ok = false;
  try {
    ok = produce([fd](std::string_view chunk) { return WriteAll(fd, chunk); }) && fsync(fd) == 0;
    ok = close(std::exchange(fd, -1)) == 0 && ok;
    ok = ok && (!accept || accept(temp)) && rename(temp.c_str(), target.c_str()) == 0;
  } catch (...) {
    if (fd >= 0) close(fd);
    unlink(temp.c_str());
    throw;
  }
  if (!ok) unlink(temp.c_str());
  return ok;
}

bool AppendFile(const std::string& path, const std::string& data) {
  const int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, data);
  return close(fd) == 0 && ok;
}

bool GetEnv(const std::string& name, std::string& value) {
  const char* found = std::getenv(name.c_str());
  if (!found) return false;
  value = found;
  return true;
}

bool SetEnv(const std::string& name, const std::string& value) { return setenv(name.c_str(), value.c_str(), 1) == 0; }

std::string ExeFileName() {
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string SpecialFolderPath(int csidl) {
  constexpr int csidlAppData = 26;
  std::string value;
  if (csidl == csidlAppData) {
    if (GetEnv("XDG_CONFIG_HOME", value) && !value.empty()) return WithoutTrailingSlashes(value);
    if (GetEnv("HOME", value) && !value.empty()) return WithoutTrailingSlashes(value) + "/.config";
    return "";
  }
  return GetEnv("HOME", value) ? WithoutTrailingSlashes(value) : "";
}

// Like a shell that hides the extensions of files: a file's name without its extension.
std::string ShellDisplayName(const std::string& path) {
  if (DisplayNameProvider) return DisplayNameProvider(path);
  TDirEntry entry;
  if (!GetEntry(path, entry)) return "";
  const size_t dot = entry.Name.find_last_of('.');
  if (entry.IsFolder() || dot == std::string::npos || dot == 0) return entry.Name;
  return entry.Name.substr(0, dot);
}

std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& def, size_t bufferSize) {
  std::string value = def;
  std::string text;
  if (ReadFile(file, text)) {
    bool inSection = false;
    std::string name, lineKey, lineValue;
    for (const std::string& line : SplitLines(text)) {
      if (SectionName(line, name)) {
        inSection = SameAsciiText(name, section);
      } else if (inSection && KeyAndValue(line, lineKey, lineValue) && SameAsciiText(lineKey, key)) {
        value = lineValue;
        break;
      }
    }
  }
  // Like the system's call, a value too long for the buffer is cut to fit it with its terminator.
  const size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
  if (value.size() > room) value.resize(room);
  return value;
}

// Replaces the key's line in its section, or adds the key at the section's end (and the
// section at the file's end); every other line stays as it was.
bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::string text;
  if (FileExists(file) && !ReadFile(file, text)) return false;
  std::vector<std::string> lines = SplitLines(text);
  const std::string newLine = key + "=" + value;

  bool inSection = false, sectionFound = false, written = false;
  size_t insertAt = lines.size();
  std::string name, lineKey, lineValue;
  for (size_t i = 0; i < lines.size() && !written; ++i) {
    if (SectionName(lines[i], name)) {
      if (inSection) break;
      inSection = SameAsciiText(name, section);
      sectionFound = sectionFound || inSection;
      if (inSection) insertAt = i + 1;
    } else if (inSection && KeyAndValue(lines[i], lineKey, lineValue) && SameAsciiText(lineKey, key)) {
      lines[i] = newLine;
      written = true;
    } else if (inSection && !TrimBlanks(lines[i]).empty()) {
      insertAt = i + 1;
    }
  }
  if (!written && sectionFound) {
    lines.insert(lines.begin() + static_cast<ptrdiff_t>(insertAt), newLine);
  } else if (!written) {
    lines.push_back("[" + section + "]");
    lines.push_back(newLine);
  }

  std::string output;
  for (const std::string& line : lines) output += line + "\r\n";
  return WriteFileReplacing(file, output);
}

TLocalTime Now() { return LocalTimeOf(std::time(nullptr)); }

int UtcOffsetMinutes() {
  const time_t now = std::time(nullptr);
  struct tm parts {};
  localtime_r(&now, &parts);
  return static_cast<int>(parts.tm_gmtoff / 60);
}

int UtcOffsetMinutes(const TLocalTime& localTime) {
  struct tm parts {};
  parts.tm_year = localTime.Year - 1900;
  parts.tm_mon = localTime.Month - 1;
  parts.tm_mday = localTime.Day;
  parts.tm_hour = localTime.Hour;
  parts.tm_min = localTime.Minute;
  parts.tm_sec = localTime.Second;
  parts.tm_isdst = -1;  // the rules say whether summer time is in force
  const time_t time = mktime(&parts);
  if (time == static_cast<time_t>(-1)) return UtcOffsetMinutes();
  localtime_r(&time, &parts);
  return static_cast<int>(parts.tm_gmtoff / 60);
}

std::string ShortDateText(const TLocalTime& time) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.Year, time.Month, time.Day);
  return text;
}

std::string LongTimeText(const TLocalTime& time) {
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.Hour, time.Minute, time.Second);
  return text;
}

std::string DecimalSeparator() {
  const char* separator = localeconv()->decimal_point;
  return separator && *separator ? separator : ".";
}

void SetDisplayNameProviderForTests(std::function<std::string(const std::string&)> provider) {
  DisplayNameProvider = std::move(provider);
}

void* LoadDynamicLibrary(const std::string& fileName) { return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* GetLibrarySymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void FreeDynamicLibrary(void* library) {
  if (library) dlclose(library);
}

bool ShellOpen(const TShellOpenRequest& request, std::string& errorText) {
  if (ShellOpenForTests) return ShellOpenForTests(request, errorText);
  errorText = "There is no shell to open " + request.File;
  return false;
}

void SetShellOpenForTests(TShellOpenFunc open) { ShellOpenForTests = std::move(open); }

}  // namespace os
