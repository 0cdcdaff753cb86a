// The operating-system seams on Windows, through the ANSI calls (the process code page is UTF-8).
#include "os/win32/os_win32.h"

#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace os {

namespace {

std::function<std::string(const std::string&)> DisplayNameProvider;
TShellOpenFunc ShellOpenForTests;

// Closes a file handle when it goes out of scope.
class TFileHandle {
 public:
  explicit TFileHandle(HANDLE handle) : FHandle(handle) {}
  ~TFileHandle() { Close(); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return FHandle; }
  bool Close() {
    const bool ok = !Valid() || CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE FHandle;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
  return path;
}

TLocalTime FromSystemTime(const SYSTEMTIME& parts) {
  TLocalTime result;
  result.Year = parts.wYear;
  result.Month = parts.wMonth;
  result.Day = parts.wDay;
  result.Hour = parts.wHour;
  result.Minute = parts.wMinute;
  result.Second = parts.wSecond;
  return result;
}

TLocalTime LocalTimeOf(const FILETIME& utc) {
  FILETIME local{};
  SYSTEMTIME parts{};
  if ((utc.dwLowDateTime | utc.dwHighDateTime) != 0 && FileTimeToLocalFileTime(&utc, &local) &&
      FileTimeToSystemTime(&local, &parts))
    return FromSystemTime(parts);
  return {};
}

bool WriteAll(HANDLE file, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

DWORD Attributes(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
}

// Creates a file of a name no other file has, beside Path (so that it can take Path's place
// by a rename): "<name>.<8 hex digits>.tmp". An invalid handle when none can be made.
HANDLE CreateUniqueBeside(const std::string& path, std::string& temp) {
  static LONG counter = 0;
  for (int attempt = 0; attempt < 64; ++attempt) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const DWORD mixed = (now.LowPart ^ (GetCurrentProcessId() << 16) ^ GetTickCount()) +
                        static_cast<DWORD>(InterlockedIncrement(&counter)) * 2654435761u;
    char suffix[16];
    wsprintfA(suffix, ".%08lx.tmp", static_cast<unsigned long>(mixed));
    temp = path + suffix;
    const HANDLE file =
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

// The attributes a replaced file keeps: what the user set, not what the system manages.
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Puts Replacement in Path's place. An existing file hands on its attributes and its security
// (ReplaceFile keeps them and the file's identity; where it cannot be used, they are copied);
// a read-only file is replaced too, and the new one is read-only again.
bool ReplaceKeepingAttributes(const std::string& path, const std::string& replacement) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES)
    return MoveFileExA(replacement.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (attr & FILE_ATTRIBUTE_DIRECTORY) return false;
  const DWORD kept = attr & KeptAttributes;
  // Read-only, hidden and system files refuse to be replaced as they stand.
  if ((attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) &&
      !SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL))
    return false;
  bool replaced = ReplaceFileA(path.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                               nullptr) != 0;
  if (!replaced) {
    std::vector<char> security;
    DWORD needed = 0;
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    GetFileSecurityA(path.c_str(), what, nullptr, 0, &needed);
    if (needed > 0) {
      security.resize(needed);
      if (GetFileSecurityA(path.c_str(), what, security.data(), needed, &needed))
        SetFileSecurityA(replacement.c_str(), what, security.data());
    }
    replaced = MoveFileExA(replacement.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  SetFileAttributesA(path.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);  // the old file's again when not replaced
  return replaced;
}

}  // namespace

TDirEntry DirEntryOf(const WIN32_FIND_DATAA& data) {
  TDirEntry entry;
  entry.Name = data.cFileName;
  entry.Attr = data.dwFileAttributes;
  entry.Size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  entry.WriteTime = LocalTimeOf(data.ftLastWriteTime);
  return entry;
}

bool ListFolder(const std::string& folder, std::vector<TDirEntry>& entries) {
  entries.clear();
  if (folder.empty()) return false;  // "\*" would list the drive's root
  const std::string pattern = folder + (IsSeparator(folder.back()) ? "*" : "\\*");
  WIN32_FIND_DATAA data{};
  const HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return DirectoryExists(folder);  // an empty drive has no "."
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") entries.push_back(DirEntryOf(data));
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return true;
}

bool GetEntry(const std::string& path, TDirEntry& entry) {
  // A wildcard would find some other file.
  if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
  WIN32_FIND_DATAA data{};
  const HANDLE search = FindFirstFileA(WithoutTrailingSeparators(path).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  entry = DirEntryOf(data);
  return true;
}

bool GetFileStamp(const std::string& path, TFileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  stamp.Size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  const FILETIME& time = data.ftLastWriteTime;
  stamp.WriteTime = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return true;
}

bool FileExists(const std::string& path) {
  const DWORD attr = Attributes(path);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attr = Attributes(path);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) || DirectoryExists(path); }

bool DeleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool CopyFile(const std::string& source, const std::string& dest, bool overwrite) {
  return CopyFileA(source.c_str(), dest.c_str(), overwrite ? FALSE : TRUE) != 0;
}

bool ReadFile(const std::string& path, std::string& data) {
  TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  std::string contents;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
    if (got == 0) {
      data = std::move(contents);
      return true;
    }
    contents.append(buffer, got);
  }
  return false;
}

bool WriteFileReplacing(const std::string& path, std::string_view data) {
  return WriteFileReplacing(path, [data](const TWriteChunk& write) { return write(data); });
}

bool WriteFileReplacing(const std::string& path, const std::function<bool(const TWriteChunk& write)>& produce,
                        const std::function<bool(const std::string& written)>& accept) {
  std::string temp;
  TFileHandle file(CreateUniqueBeside(path, temp));
  if (!file.Valid()) return false;
  bool ok = false;
  try {
    ok = produce([&file](std::string_view chunk) { return WriteAll(file.Get(), chunk); }) &&
         FlushFileBuffers(file.Get());
    ok = file.Close() && ok;
    ok = ok && (!accept || accept(temp)) && ReplaceKeepingAttributes(path, temp);
  } catch (...) {
    file.Close();
    DeleteFileA(temp.c_str());
    throw;
  }
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

bool AppendFile(const std::string& path, const std::string& data) {
  TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  const bool ok =
      SetFilePointer(file.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER && WriteAll(file.Get(), data);
  return file.Close() && ok;
}

bool GetEnv(const std::string& name, std::string& value) {
  // The size query answers 0 only for a variable that is not set (an empty one needs 1).
  const DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (size == 0) return false;
  std::vector<char> buffer(size);
  const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), size);
  value.assign(buffer.data(), length < size ? length : 0);
  return true;
}

bool SetEnv(const std::string& name, const std::string& value) {
  return SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0;
}

std::string ExeFileName() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return "";
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // cut short: try a larger buffer
  }
}

std::string SpecialFolderPath(int csidl) {
  char buffer[MAX_PATH + 1] = {};
  return SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE) ? std::string(buffer) : std::string();
}

std::string ShellDisplayName(const std::string& path) {
  if (DisplayNameProvider) return DisplayNameProvider(path);
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME)) return "";
  return info.szDisplayName;
}

std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& def, size_t bufferSize) {
  if (bufferSize == 0) return "";
  std::vector<char> buffer(bufferSize);
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                                static_cast<DWORD>(bufferSize), file.c_str());
  return std::string(buffer.data(), std::min<size_t>(length, bufferSize - 1));
}

bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

TLocalTime Now() {
  SYSTEMTIME parts{};
  GetLocalTime(&parts);
  return FromSystemTime(parts);
}

int UtcOffsetMinutes() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD state = GetTimeZoneInformation(&zone);
  const LONG bias = zone.Bias + (state == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
  return -static_cast<int>(bias);
}

namespace {

SYSTEMTIME ToSystemTime(const TLocalTime& time) {
  SYSTEMTIME parts{};
  parts.wYear = static_cast<WORD>(time.Year);
  parts.wMonth = static_cast<WORD>(time.Month);
  parts.wDay = static_cast<WORD>(time.Day);
  parts.wHour = static_cast<WORD>(time.Hour);
  parts.wMinute = static_cast<WORD>(time.Minute);
  parts.wSecond = static_cast<WORD>(time.Second);
  return parts;
}

}  // namespace

int UtcOffsetMinutes(const TLocalTime& localTime) {
  const SYSTEMTIME local = ToSystemTime(localTime);
  SYSTEMTIME utc{};
  FILETIME localTicks{}, utcTicks{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&local, &localTicks) ||
      !SystemTimeToFileTime(&utc, &utcTicks))
    return UtcOffsetMinutes();
  const auto ticks = [](const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  };
  return static_cast<int>((ticks(localTicks) - ticks(utcTicks)) / 600000000);  // 100 ns ticks a minute
}

std::string ShortDateText(const TLocalTime& time) {
  const SYSTEMTIME parts = ToSystemTime(time);
  char text[100] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &parts, nullptr, text, sizeof text);
  return text;
}

std::string LongTimeText(const TLocalTime& time) {
  const SYSTEMTIME parts = ToSystemTime(time);
  char text[100] = "";
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &parts, nullptr, text, sizeof text);
  return text;
}

std::string DecimalSeparator() {
  // Asked each time, as the user may change it while the program runs: first where the system
  // keeps the user's choice, which Wine's locale calls read only once, then the locale.
  char text[16] = "";
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    DWORD type = 0, size = sizeof text - 1;
    const bool read = RegQueryValueExA(key, "sDecimal", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
                      ERROR_SUCCESS;
    RegCloseKey(key);
    text[read && type == REG_SZ ? std::min<DWORD>(size, sizeof text - 1) : 0] = '\0';
    if (text[0]) return text;
  }
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text);
  return text[0] ? text : ".";
}

void SetDisplayNameProviderForTests(std::function<std::string(const std::string&)> provider) {
  DisplayNameProvider = std::move(provider);
}

void* LoadDynamicLibrary(const std::string& fileName) {
  return reinterpret_cast<void*>(LoadLibraryA(fileName.c_str()));
}

void* GetLibrarySymbol(void* library, const char* name) {
  if (!library) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeDynamicLibrary(void* library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

// --- Opening through the shell ------------------------------------------------------------

namespace {

// The system error that a result code of ShellExecute stands for.
DWORD SystemErrorOf(INT_PTR code) {
  switch (code) {
    case 0:
      return ERROR_OUTOFMEMORY;
    case SE_ERR_SHARE:
      return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
      return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
      return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
      return ERROR_DLL_NOT_FOUND;
    default:  // file or path not found, access denied, out of memory, bad format: the same numbers
      return static_cast<DWORD>(code);
  }
}

}  // namespace

std::string SystemMessage(DWORD error) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length && buffer ? std::string(buffer, length) : "error " + std::to_string(error);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

bool ShellOpen(const TShellOpenRequest& request, std::string& errorText) {
  if (ShellOpenForTests) return ShellOpenForTests(request, errorText);
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  // Verbs of the item's context menu, such as "properties", need the shell's item list.
  if (request.Verb == "properties") info.fMask |= SEE_MASK_INVOKEIDLIST;
  info.lpVerb = request.Verb.empty() ? nullptr : request.Verb.c_str();
  info.lpFile = request.File.c_str();
  info.lpParameters = request.Parameters.empty() ? nullptr : request.Parameters.c_str();
  info.lpDirectory = request.Directory.empty() ? nullptr : request.Directory.c_str();
  info.nShow = request.ShowCmd;
  info.hwnd = reinterpret_cast<HWND>(request.Owner);

  TComScope com;
  SetLastError(ERROR_SUCCESS);
  const BOOL ok = ShellExecuteExA(&info);
  const DWORD lastError = GetLastError();
  const INT_PTR code = reinterpret_cast<INT_PTR>(info.hInstApp);
  if (ok) return true;
  // The shell's own code first: the thread's last error need not match it.
  if (code > 0 && code <= 32)
    errorText = SystemMessage(SystemErrorOf(code));
  else
    errorText = SystemMessage(lastError != ERROR_SUCCESS ? lastError : ERROR_GEN_FAILURE);
  return false;
}

void SetShellOpenForTests(TShellOpenFunc open) { ShellOpenForTests = std::move(open); }

}  // namespace os
