#include "sources/SearchFolders.h"

#include "core/qmFileUtils.h"

namespace {

constexpr const char* FoldersSection = "Folders";
constexpr const char* OptionsSection = "Options";

}  // namespace

void TFolderList::Load(const TMemIniFile& ini) {
  Folders.clear();
  for (const std::string& key : ini.KeyNames(FoldersSection)) {
    std::string folder = ini.ReadString(FoldersSection, key, "");
    // An empty folder would be the root of the drive.
    if (!folder.empty()) Folders.push_back(std::move(folder));
  }
  Subfolders = ini.ReadBool(OptionsSection, "Subfolders", false);
}

void TFolderList::Save(TMemIniFile& ini) const {
  ini.EraseSection(FoldersSection);
  for (size_t i = 0; i < Folders.size(); ++i) ini.WriteString(FoldersSection, "Folder" + std::to_string(i), Folders[i]);
  ini.WriteBool(OptionsSection, "Subfolders", Subfolders);
}

TStringList ExpandedFolders(const TStringList& folders) {
  TStringList expanded;
  for (const std::string& folder : folders) expanded.push_back(IncludeTrailingBackslash(ExpandPath(folder)));
  return expanded;
}

TFolderList LoadFolderList(const std::string& iniFileName) {
  TFolderList list;
  list.Load(TMemIniFile(SettingsFolder("Lorvex") + iniFileName));
  list.Folders = ExpandedFolders(list.Folders);
  return list;
}

os::TShellOpenRequest FileOpenRequestFor(const TItemData& item) {
  os::TShellOpenRequest request = ShellOpenRequestFor(item);
  request.File = item.StoredExecuteString();
  return request;
}

TSearchFolders::TSearchFolders(TComponent* owner, std::shared_ptr<TShortcutShell> shell, TOptionsDialog optionsDialog)
    : TSearchShortcuts(owner, std::move(shell)),
      FOptionsDialog(std::move(optionsDialog)),
      FFolders([] { return LoadFolderList(IniFileName); }) {}

void TSearchFolders::ShowOptions() {
  if (FOptionsDialog && FOptionsDialog(IniFileName)) FFolders.Drop();
}

void TSearchFolders::Search(const std::string& text, const TAddHitFunc& addHit) {
  TSearchShortcuts::Search(text, addHit);
  const std::shared_ptr<const TFolderList> list = FFolders.Get();
  TShellSearchScope scope(Shell());
  // The walk matches the names; with extended search it matches the typed text against display
  // names and words too, and searches by the initials of a text of 2 to 4 characters. After a
  // stop every further walk ends at its first poll.
  for (const std::string& folder : list->Folders) SearchFolder(folder, "*" + text + "*.*", text, list->Subfolders);
}

void TSearchFolders::Execute(TItemData& item) { ShellOpenOrRaise(FileOpenRequestFor(item)); }

void TSearchFolders::Reset() {
  TSearchShortcuts::Reset();
  FFolders.Drop();
}
