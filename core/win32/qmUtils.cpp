#include "core/win32/qmUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/Persistent.h"
#include "core/win32/WideText.h"

namespace {

// One value of a version resource with its length (bytes, or characters for a string);
// null when the resource has no such value.
const void* QueryVersionValue(const std::vector<char>& data, const std::string& path, UINT& length) {
  void* value = nullptr;
  length = 0;
  if (!VerQueryValueA(data.data(), path.c_str(), &value, &length)) return nullptr;
  return value;
}

// A string value of a version resource; empty when the resource has none.
std::string QueryVersionString(const std::vector<char>& data, const std::string& path) {
  UINT length = 0;
  const auto* value = static_cast<const char*>(QueryVersionValue(data, path, length));
  return value ? std::string(value, strnlen(value, length)) : std::string();
}

// Closes a kernel handle when it goes out of scope.
class THandleGuard {
 public:
  explicit THandleGuard(HANDLE handle) : FHandle(handle) {}
  ~THandleGuard() {
    if (FHandle) CloseHandle(FHandle);
  }
  THandleGuard(const THandleGuard&) = delete;
  THandleGuard& operator=(const THandleGuard&) = delete;

 private:
  HANDLE FHandle;
};

bool CallExitWindowsEx(UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason) != FALSE; }

}  // namespace

bool TFileVersionInfo::Load(const std::string& fileName) {
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &unused);
  if (size == 0) return false;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(fileName.c_str(), 0, size, data.data())) return false;

  UINT length = 0;
  const auto* translation = static_cast<const WORD*>(QueryVersionValue(data, "\\VarFileInfo\\Translation", length));
  if (!translation || length < 2 * sizeof(WORD)) return false;

  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(QueryVersionValue(data, "\\", length));
  if (fixed && length >= sizeof(VS_FIXEDFILEINFO)) {
    Major = HIWORD(fixed->dwFileVersionMS);
    Minor = LOWORD(fixed->dwFileVersionMS);
    Release = HIWORD(fixed->dwFileVersionLS);
    Build = LOWORD(fixed->dwFileVersionLS);
  }

  // "\StringFileInfo\040904B0\": the first translation's language and code page.
  char block[40];
  std::snprintf(block, sizeof block, "\\StringFileInfo\\%04X%04X\\", translation[0], translation[1]);
  const std::string prefix = block;
  CompanyName = QueryVersionString(data, prefix + "CompanyName");
  FileDescription = QueryVersionString(data, prefix + "FileDescription");
  InternalName = QueryVersionString(data, prefix + "InternalName");
  LegalCopyright = QueryVersionString(data, prefix + "LegalCopyright");
  OriginalFilename = QueryVersionString(data, prefix + "OriginalFilename");
  ProductName = QueryVersionString(data, prefix + "ProductName");
  ProductVersion = QueryVersionString(data, prefix + "ProductVersion");
  return true;
}

std::string GetVersionString(const std::string& fileName, int parts) {
  TFileVersionInfo info;
  info.Load(fileName);
  const uint16_t numbers[] = {info.Major, info.Minor, info.Release, info.Build};
  std::string result;
  for (int i = 0; i < parts && i < 4; ++i) {
    if (i > 0) result += '.';
    result += std::to_string(numbers[i]);
  }
  return result;
}

bool IsAlreadyRunning(const std::string& name) {
  // The handle is left open on purpose: it holds the name for the life of the process.
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (!mutex) throw Exception("CreateMutex failed.");
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string FitPathToRect(const std::string& path, HDC dc) {
  RECT clip{};
  GetClipBox(dc, &clip);
  // The wide calls: the narrow ones would read our UTF-8 in the font's code page.
  const std::wstring text = Utf8ToWide(path);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  if (clip.right - clip.left >= extent.cx) return path;

  // DrawText rewrites the text in place and may write up to four characters more than it
  // was given (the ellipsis and the terminating zero), so the buffer has room for them.
  // A path is plain text: without DT_NOPREFIX an "&" would be taken for an accelerator mark
  // and dropped from the result.
  std::vector<wchar_t> buffer(text.size() + 5, L'\0');
  std::copy(text.begin(), text.end(), buffer.begin());
  RECT rect = clip;
  DrawTextW(dc, buffer.data(), -1, &rect, DT_CALCRECT | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_NOPREFIX);
  return WideToUtf8(buffer.data());
}

bool SetPrivilege(const std::string& name, bool enable) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  THandleGuard tokenGuard(token);

  TOKEN_PRIVILEGES privileges{};
  if (!LookupPrivilegeValueA(nullptr, name.c_str(), &privileges.Privileges[0].Luid)) return false;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;

  // AdjustTokenPrivileges succeeds even when the token does not hold the privilege; only
  // the last error tells, and it is not always cleared on success.
  SetLastError(ERROR_SUCCESS);
  if (!AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr)) return false;
  return GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

TExitWindowsFunc ExitWindowsHook = CallExitWindowsEx;

bool ShutdownWindows(UINT flags) {
  static const char* const ShutdownPrivilege = "SeShutdownPrivilege";
  if (!SetPrivilege(ShutdownPrivilege, true)) return false;
  const bool accepted = ExitWindowsHook && ExitWindowsHook(flags, 0);
  SetPrivilege(ShutdownPrivilege, false);
  return accepted;
}

void RemovePendingMessage(HWND wnd, UINT msg) {
  MSG removed{};
  if (PeekMessageA(&removed, wnd, msg, msg, PM_REMOVE) && removed.message == WM_QUIT)
    PostQuitMessage(static_cast<int>(removed.wParam));
}
