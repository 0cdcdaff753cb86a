#include "sources/SearchShortcuts.h"

#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

namespace {

bool HiddenByExtension(const std::string& value, const std::string& file, const std::string& target) {
  const std::string extension = "." + value;
  return AnsiSameText(ExtractFileExt(file), extension) ||
         (!target.empty() && AnsiSameText(ExtractFileExt(target), extension));
}

// Typing part of the hidden word, or a text that holds it, shows the file again.
bool HiddenByWord(const std::string& value, const std::string& text, const std::string& file,
                  const std::string& target) {
  const std::string word = AnsiUpperCase(value);
  if (!Contains(AnsiUpperCase(file), word) && !Contains(AnsiUpperCase(target), word)) return false;
  const std::string typed = AnsiUpperCase(text);
  return !Contains(word, typed) && !Contains(typed, word);
}

}  // namespace

bool IsShortcut(const std::string& fileName) { return SameText(ExtractFileExt(fileName), ".lnk"); }

bool PassesFilters(const TFilters& filters, const std::string& text, const std::string& file,
                   const std::string& target) {
  for (const auto& filter : filters) {
    if (filter->Action != faHide) continue;
    const bool hidden = filter->FilterType == ftExt ? HiddenByExtension(filter->Value, file, target)
                                                    : HiddenByWord(filter->Value, text, file, target);
    if (hidden) return false;
  }
  return true;
}

uint8_t ShortcutSearchOptions(const TLorvexSettings& settings) {
  return settings.ExtendedSearch ? soAbbreviations | soDisplayNames | soWords : 0;
}

// --- TSearchShortcuts ---------------------------------------------------------------------

TSearchShortcuts::TSearchShortcuts(TComponent* owner, std::shared_ptr<TShortcutShell> shell)
    : TSearchClass(owner), FShell(std::move(shell)) {}

void TSearchShortcuts::Search(const std::string& text, const TAddHitFunc& addHit) {
  FText = text;
  FAddHit = addHit;
}

void TSearchShortcuts::SearchFolder(const std::string& folder, const std::string& mask, const std::string& text,
                                    bool recurse) {
  const TLorvexSettings& settings = AppSettings();
  SearchFiles(mask, folder, text, recurse, settings.FoldersAreHits, ShortcutSearchOptions(settings),
              [this](const std::string& fullPath, const std::string& displayName, bool isFolder, TDrawType drawType) {
                return FileFound(fullPath, displayName, isFolder, drawType);
              });
}

void TSearchShortcuts::SearchSpecialFolders(const std::string& text, const TAddHitFunc& addHit,
                                            const std::vector<int>& csidls) {
  TSearchShortcuts::Search(text, addHit);
  TShellSearchScope scope(*FShell);
  // A later folder is walked even after a stop: its first poll ends it at once.
  for (int csidl : csidls) SearchFolder(FShell->FolderPath(csidl), "*" + text + "*.*", text, true);
}

int TSearchShortcuts::FileFound(const std::string& fullPath, const std::string& displayName, bool isFolder,
                                TDrawType drawType) {
  TItemRecord record;
  record.SearchClassName = GetName();
  record.DrawType = drawType;
  if (fullPath.empty()) return FAddHit(record) ? 1 : 0;

  const TFilters& filters = AppSettings().Filters;
  if (IsShortcut(fullPath)) {
    TShortcutInfo info;
    info.FileName = fullPath;
    FShell->ResolveShortcut(info);
    if (!PassesFilters(filters, FText, fullPath, info.Target)) return 0;
    record.DisplayName = displayName.empty() ? ExtractFileNameNoExt(fullPath) : displayName;
    record.Hint = info.Description;
    record.ExecuteString = fullPath;
    record.IconFile = fullPath;
    record.Extension = ExtractFileExt(info.Target);
    record.Description = TranslateText("Shortcut");
  } else {
    if (!PassesFilters(filters, FText, fullPath, "")) return 0;
    record.DisplayName = ExtractFileName(fullPath);
    record.Hint = fullPath;
    record.ExecuteString = fullPath;
    record.IconFile = fullPath;
    record.Description = TranslateText(isFolder ? "Folder" : "File");
  }
  return FAddHit(record) ? 1 : 0;
}

void TSearchShortcuts::Execute(TItemData& item) { ShellOpenOrRaise(ShellOpenRequestFor(item)); }

void TSearchShortcuts::Reset() { FShell->Reset(); }

// --- The desktop and the start menu -------------------------------------------------------

void TSearchDesktop::Search(const std::string& text, const TAddHitFunc& addHit) {
  SearchSpecialFolders(text, addHit, {csidlDesktop, csidlCommonDesktop});
}

void TSearchStartMenu::Search(const std::string& text, const TAddHitFunc& addHit) {
  SearchSpecialFolders(text, addHit, {csidlStartMenu, csidlCommonStartMenu});
}
