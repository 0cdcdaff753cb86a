// The Windows shell behind the file sources: special folders, shell links read through
// IShellLinkA and IPersistFile.
//
// The window layer makes one shell and hands it to the sources:
//   auto shell = std::make_shared<TWin32ShortcutShell>();
//   new TSearchStartMenu(owner, shell); new TSearchDesktop(owner, shell); new TSearchIEBookmarks(owner, shell);
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "os/win32/os_win32.h"
#include "sources/SearchShortcuts.h"
#include "sources/ShortcutCache.h"

class TWin32ShortcutShell : public TShortcutShell {
 public:
  // Keeps the links it reads in CacheFile from one run to the next (empty: only while it lives).
  explicit TWin32ShortcutShell(std::string cacheFile = ShortcutCacheFileName());
  ~TWin32ShortcutShell() override;
  TWin32ShortcutShell(const TWin32ShortcutShell&) = delete;
  TWin32ShortcutShell& operator=(const TWin32ShortcutShell&) = delete;

  // Reads a link once per version of its file (see TShortcutCache). Within a search one
  // shell-link object serves every link of the search's thread; a call from another thread
  // reads with an object of its own.
  void ResolveShortcut(TShortcutInfo& info) override;
  // Joins COM on the search's thread and takes in the links kept by the last run; the
  // shell-link object is made on first need.
  void BeginSearch() override;
  // Frees the shell-link object, keeps the links read for the next run and leaves COM again.
  void EndSearch() override;
  // Forgets the links in memory; the next search takes in the kept file again.
  void Reset() override;

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
  void ReadLink(TShortcutInfo& info);

  TShortcutCache FCache;
  TLinkObject FSearchLink;                     // belongs to the thread of the running search
  std::atomic<std::thread::id> FSearchThread;  // none between searches
  std::optional<os::TComScope> FCom;
  std::atomic<int> FLinkObjectsMade{0};
};
