#include "sources/win32/SearchShortcuts.h"

#include <shlobj.h>

#include <vector>

#include "core/win32/WideText.h"
#include "os/win32/os_win32.h"

// --- TWin32ShortcutShell ------------------------------------------------------------------

TWin32ShortcutShell::TWin32ShortcutShell(std::string cacheFile) : FCache(std::move(cacheFile)) {}

TWin32ShortcutShell::~TWin32ShortcutShell() = default;

void TWin32ShortcutShell::BeginSearch() {
  FSearchThread = std::this_thread::get_id();
  FCom.emplace();
  FCache.Load();
}

void TWin32ShortcutShell::EndSearch() {
  FSearchLink.Close();
  FCache.Save();
  FCom.reset();
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
  os::TComScope com;
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
