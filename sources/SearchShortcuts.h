// The sources that find programs and documents by their file names: the desktop and the start
// menu, over their common base TSearchShortcuts (also the base of the folders source). The base
// turns every file the shared file walk reports into a hit, after the filters of the settings.
//
// What these sources need from the Windows shell (special folders, reading shell links, opening a
// file) comes through TShortcutShell: the Win32 side is sources/win32/SearchShortcuts.h, tests pass
// a fake. Threads: Search and the resolving of links run on the search worker; Execute and Reset on
// the GUI thread while no search runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "core/qmFileUtils.h"
#include "os/os.h"
#include "sources/SourceSupport.h"

// What a shell link holds. Fields the link does not give stay empty (zero).
struct TShortcutInfo {
  std::string FileName;  // the shortcut file
  std::string Target;
  std::string Arguments;
  std::string WorkingDirectory;
  std::string Description;
  std::string IconLocation;
  int32_t IconIndex = 0;
  uint16_t HotKey = 0;
  int32_t ShowCmd = 0;
  os::TDirEntry FindData;  // the target's name, attributes, size and time

  bool operator==(const TShortcutInfo&) const = default;
};

// The Windows shell as the file sources see it.
class TShortcutShell {
 public:
  virtual ~TShortcutShell() = default;

  // The folder of a special-folder number (CSIDL), without trailing backslash; empty when the
  // shell has none.
  virtual std::string FolderPath(int csidl) { return GetSpecialFolderPath(csidl); }
  // Fills Info for Info.FileName; a link that cannot be read leaves the other fields empty.
  virtual void ResolveShortcut(TShortcutInfo& info) = 0;
  // Bracket one search on the worker: resolving may keep its objects between the two.
  virtual void BeginSearch() {}
  virtual void EndSearch() {}
  // Forgets every link resolved so far.
  virtual void Reset() {}
};

// Brackets one search with BeginSearch and EndSearch, however the search ends.
class TShellSearchScope {
 public:
  explicit TShellSearchScope(TShortcutShell& shell) : FShell(shell) { FShell.BeginSearch(); }
  ~TShellSearchScope() { FShell.EndSearch(); }
  TShellSearchScope(const TShellSearchScope&) = delete;
  TShellSearchScope& operator=(const TShellSearchScope&) = delete;

 private:
  TShortcutShell& FShell;
};

// The special folders (CSIDL numbers) of the sources.
enum : int {
  csidlDesktop = 0,
  csidlFavorites = 6,
  csidlStartMenu = 11,
  csidlCommonStartMenu = 22,
  csidlCommonDesktop = 25,
};

// True when the file's extension is ".lnk", ignoring case.
bool IsShortcut(const std::string& fileName);

// Whether the filters let a found file through. File is its full path, Target the shortcut's
// target (empty for other files), Text what the user typed. Only faHide filters hide: ftExt by
// the extension of File or Target; ftWord when its word occurs in File or Target, unless the
// typed text is part of the word or holds it.
bool PassesFilters(const TFilters& filters, const std::string& text, const std::string& file,
                   const std::string& target);

// The options of the file walk: display names, words and abbreviations when ExtendedSearch is on.
uint8_t ShortcutSearchOptions(const TLorvexSettings& settings);

class TSearchShortcuts : public TSearchClass {
 public:
  TSearchShortcuts(TComponent* owner, std::shared_ptr<TShortcutShell> shell);

  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Opens the execute string through the shell (a shortcut file is followed by the shell
  // itself). Raises "ShellExecute error %s" with the shell's own message when it fails.
  void Execute(TItemData& item) override;
  // Forgets the resolved shortcuts.
  void Reset() override;

  const char* ClassName() const override { return "TSearchShortcuts"; }
  TShortcutShell& Shell() { return *FShell; }

 protected:
  // One walk of Folder with Mask and the match text Text, reporting through FileFound. A source
  // of its own folders keeps a TShellSearchScope around its walks.
  void SearchFolder(const std::string& folder, const std::string& mask, const std::string& text, bool recurse);
  // The walk's callback: 1 when the search is to stop.
  int FileFound(const std::string& fullPath, const std::string& displayName, bool isFolder, TDrawType drawType);
  // Searches the special folders in order, each for "*" + Text + "*.*" with subfolders, between
  // BeginSearch and EndSearch of the shell.
  void SearchSpecialFolders(const std::string& text, const TAddHitFunc& addHit, const std::vector<int>& csidls);

  std::string FText;
  TAddHitFunc FAddHit;

 private:
  std::shared_ptr<TShortcutShell> FShell;
};

// The user's and the common desktop.
class TSearchDesktop : public TSearchShortcuts {
 public:
  using TSearchShortcuts::TSearchShortcuts;
  std::string GetName() override { return "Desktop"; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  const char* ClassName() const override { return "TSearchDesktop"; }
};

// The user's and the common start menu.
class TSearchStartMenu : public TSearchShortcuts {
 public:
  using TSearchShortcuts::TSearchShortcuts;
  std::string GetName() override { return "Start menu"; }
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  const char* ClassName() const override { return "TSearchStartMenu"; }
};
