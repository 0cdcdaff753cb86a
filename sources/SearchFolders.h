// The folders source: files in the folders the user lists, found by name as the desktop and
// start-menu sources find theirs. Its folder list ("LorvexFolders.ini") has the shape every
// folder-list file has (the mp3 and image sources keep theirs the same way), read on first need
// and walked as a snapshot.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/qmMemIni.h"
#include "sources/SearchShortcuts.h"
#include "sources/SettingsSnapshot.h"

// A folder-list file: [Folders] one folder per key ("Folder0", "Folder1", ...), as typed (a
// %NAME% macro unexpanded); [Options] "Subfolders".
struct TFolderList {
  TStringList Folders;
  bool Subfolders = false;

  // Every key of [Folders] in file order, whatever its name; empty values are no folders.
  void Load(const TMemIniFile& ini);
  // [Folders] written anew, numbered from 0 in list order.
  void Save(TMemIniFile& ini) const;
};

// The folders to walk: macros expanded, each with a trailing backslash.
TStringList ExpandedFolders(const TStringList& folders);
// The folder-list file IniFileName of the settings folder as one search walks it: its folders
// expanded.
TFolderList LoadFolderList(const std::string& iniFileName);

// Opens a file a source found: its name as it is (a file name is never read for macros), with
// "runas" when the item is to run as administrator.
os::TShellOpenRequest FileOpenRequestFor(const TItemData& item);

class TSearchFolders : public TSearchShortcuts {
 public:
  // Shows the folder-list dialog for a file of the settings folder; true after OK.
  using TOptionsDialog = std::function<bool(const std::string& iniFileName)>;

  TSearchFolders(TComponent* owner, std::shared_ptr<TShortcutShell> shell, TOptionsDialog optionsDialog);

  std::string GetName() override { return "Folders"; }
  bool HasOptions() override { return true; }
  // After OK the next search reads the list again.
  void ShowOptions() override;
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  void Execute(TItemData& item) override;
  void Reset() override;
  const char* ClassName() const override { return "TSearchFolders"; }

  static constexpr const char* IniFileName = "LorvexFolders.ini";

 private:
  TOptionsDialog FOptionsDialog;
  TSettingsSnapshot<TFolderList> FFolders;
};
