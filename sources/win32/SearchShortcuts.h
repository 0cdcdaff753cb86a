// The Windows shell behind the file sources: special folders, shell links read through
// IShellLinkA and IPersistFile, and files opened with ShellExecuteEx.
//
// The window layer makes one shell and hands it to the sources:
//   auto shell = std::make_shared<TWin32ShortcutShell>();
//   new TSearchStartMenu(owner, shell); new TSearchDesktop(owner, shell); new TSearchIEBookmarks(owner, shell);
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "sources/SearchShortcuts.h"

// The call that opens a file: ShellExecuteExA by default. Tests replace it with a recorder, so
// that no program is ever started by them.
using TShellExecuteExFunc = std::function<BOOL(SHELLEXECUTEINFOA& info)>;
extern TShellExecuteExFunc ShellExecuteExHook;

// The system's message for a failed ShellExecuteEx. Code is the shell's own result (hInstApp,
// an SE_ERR_* value of 32 or less), which is taken to the system error it stands for.
std::string ShellErrorText(INT_PTR code);

class TWin32ShortcutShell : public TShortcutShell {
 public:
  TWin32ShortcutShell() = default;
  ~TWin32ShortcutShell() override;
  TWin32ShortcutShell(const TWin32ShortcutShell&) = delete;
  TWin32ShortcutShell& operator=(const TWin32ShortcutShell&) = delete;

  // Reads a link once per version of its file: the link is kept by path, size and time of last
  // write. Within a search one shell-link object serves every link of the search's thread; a
  // call from another thread reads with an object of its own.
  void ResolveShortcut(TShortcutInfo& info) override;
  // Joins COM on the search's thread; the shell-link object is made on first need.
  void BeginSearch() override;
  // Frees the shell-link object and leaves COM again.
  void EndSearch() override;
  // Forgets every resolved link.
  void Reset() override;
  // ShellExecuteEx through ShellExecuteExHook, never with the shell's own error boxes.
  bool ShellOpen(const TShellOpenRequest& request, std::string& errorText) override;

  size_t CachedLinks();
  // How many shell-link objects were made so far.
  int LinkObjectsMade() const { return FLinkObjectsMade; }

  // A shell-link object with its file interface, made on first need.
  class TLinkObject {
   public:
    ~TLinkObject() { Close(); }
    // False when the shell cannot make one. Counts each object made in Made.
    bool Open(std::atomic<int>& made);
    void Close();
    // Fills Info for Info.FileName; everything but the file name stays empty when it does not load.
    void Read(TShortcutInfo& info);

   private:
    IShellLinkA* FLink = nullptr;
    IPersistFile* FFile = nullptr;
  };

 private:
  struct TFileStamp {
    uint64_t Size = 0;
    uint64_t WriteTime = 0;
    bool operator==(const TFileStamp&) const = default;
  };
  struct TCachedLink {
    TFileStamp Stamp;
    TShortcutInfo Info;
  };

  void ReadLink(TShortcutInfo& info);

  std::mutex FLock;  // the cache: the worker resolves, the GUI thread resets
  std::unordered_map<std::string, TCachedLink> FCache;
  TLinkObject FSearchLink;       // belongs to the thread of the running search
  std::atomic<std::thread::id> FSearchThread;  // none between searches
  bool FLeaveCom = false;
  std::atomic<int> FLinkObjectsMade{0};
};
