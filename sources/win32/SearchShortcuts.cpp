#include "sources/win32/SearchShortcuts.h"

#include <shlobj.h>

#include <vector>

#include "core/win32/WideText.h"
#include "os/win32/os_win32.h"

TShellExecuteExFunc ShellExecuteExHook = [](SHELLEXECUTEINFOA& info) { return ShellExecuteExA(&info); };

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

// COM on the calling thread for as long as the scope lasts (already joined is fine too).
class TComScope {
 public:
  TComScope() : FLeave(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~TComScope() {
    if (FLeave) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  bool FLeave;
};

}  // namespace

std::string ShellErrorText(INT_PTR code) { return SystemMessage(SystemErrorOf(code)); }

// --- TWin32ShortcutShell ------------------------------------------------------------------

TWin32ShortcutShell::TWin32ShortcutShell(std::string cacheFile) : FCache(std::move(cacheFile)) {}

TWin32ShortcutShell::~TWin32ShortcutShell() = default;

void TWin32ShortcutShell::BeginSearch() {
  FSearchThread = std::this_thread::get_id();
  FLeaveCom = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  FCache.Load();
}

void TWin32ShortcutShell::EndSearch() {
  FSearchLink.Close();
  FCache.Save();
  if (FLeaveCom) CoUninitialize();
  FLeaveCom = false;
  FSearchThread = std::thread::id();
}

void TWin32ShortcutShell::Reset() { FCache.Clear(); }

size_t TWin32ShortcutShell::CachedLinks() { return FCache.Count(); }

void TWin32ShortcutShell::ResolveShortcut(TShortcutInfo& info) {
  FCache.Resolve(info, [this](TShortcutInfo& link) { ReadLink(link); });
}

void TWin32ShortcutShell::ReadLink(TShortcutInfo& info) {
  if (std::this_thread::get_id() == FSearchThread) {
    if (FSearchLink.Open(FLinkObjectsMade)) FSearchLink.Read(info);
    return;
  }
  TComScope com;
  TLinkObject link;
  if (link.Open(FLinkObjectsMade)) link.Read(info);
}

// --- TLinkObject --------------------------------------------------------------------------

bool TWin32ShortcutShell::TLinkObject::Open(std::atomic<int>& made) {
  if (FFile) return true;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&FLink)))) {
    FLink = nullptr;
    return false;
  }
  ++made;
  if (FAILED(FLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&FFile)))) {
    FFile = nullptr;
    Close();
    return false;
  }
  return true;
}

void TWin32ShortcutShell::TLinkObject::Close() {
  if (FFile) FFile->Release();
  if (FLink) FLink->Release();
  FFile = nullptr;
  FLink = nullptr;
}

// The object is reused: a link that does not load must not show the one read before it.
void TWin32ShortcutShell::TLinkObject::Read(TShortcutInfo& info) {
  const std::string fileName = info.FileName;
  info = TShortcutInfo{};
  info.FileName = fileName;
  if (FAILED(FFile->Load(Utf8ToWide(fileName).c_str(), STGM_READ))) return;

  char buffer[MAX_PATH + 1] = {};
  WIN32_FIND_DATAA findData{};
  auto text = [&](auto&& read) {
    buffer[0] = '\0';
    read();
    buffer[MAX_PATH] = '\0';
    return std::string(buffer);
  };
  info.Target = text([&] { FLink->GetPath(buffer, sizeof buffer, &findData, SLGP_UNCPRIORITY); });
  if (!info.Target.empty()) info.FindData = os::DirEntryOf(findData);
  info.Description = text([&] { FLink->GetDescription(buffer, sizeof buffer); });
  info.Arguments = text([&] { FLink->GetArguments(buffer, sizeof buffer); });
  info.WorkingDirectory = text([&] { FLink->GetWorkingDirectory(buffer, sizeof buffer); });
  int iconIndex = 0;
  info.IconLocation = text([&] { FLink->GetIconLocation(buffer, sizeof buffer, &iconIndex); });
  info.IconIndex = iconIndex;
  WORD hotKey = 0;
  int showCmd = 0;
  FLink->GetHotkey(&hotKey);
  FLink->GetShowCmd(&showCmd);
  info.HotKey = hotKey;
  info.ShowCmd = showCmd;
}

// --- Opening files ------------------------------------------------------------------------

bool TWin32ShortcutShell::ShellOpen(const TShellOpenRequest& request, std::string& errorText) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = request.Verb.empty() ? nullptr : request.Verb.c_str();
  info.lpFile = request.File.c_str();
  info.lpParameters = request.Parameters.empty() ? nullptr : request.Parameters.c_str();
  info.lpDirectory = request.Directory.empty() ? nullptr : request.Directory.c_str();
  info.nShow = request.ShowCmd;

  TComScope com;
  SetLastError(ERROR_SUCCESS);
  const BOOL ok = ShellExecuteExHook(info);
  const DWORD lastError = GetLastError();
  const INT_PTR code = reinterpret_cast<INT_PTR>(info.hInstApp);
  if (ok) return true;
  // The shell's own code first: the thread's last error need not match it.
  if (code > 0 && code <= 32)
    errorText = ShellErrorText(code);
  else
    errorText = SystemMessage(lastError != ERROR_SUCCESS ? lastError : ERROR_GEN_FAILURE);
  return false;
}
