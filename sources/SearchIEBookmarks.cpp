#include "sources/SearchIEBookmarks.h"

#include "core/qmFileUtils.h"
#include "core/qmTranslate.h"

TSearchIEBookmarks::TSearchIEBookmarks(TComponent* owner, std::shared_ptr<TShortcutShell> shell)
    : TSearchClass(owner), FShell(std::move(shell)) {}

void TSearchIEBookmarks::Search(const std::string& text, const TAddHitFunc& addHit) {
  FAddHit = addHit;
  SearchFiles("*" + text + "*.*", FShell->FolderPath(csidlFavorites), "", true, false, 0,
              [this](const std::string& fullPath, const std::string&, bool, TDrawType drawType) {
                return FileFound(fullPath, drawType);
              });
}

int TSearchIEBookmarks::FileFound(const std::string& fullPath, TDrawType drawType) {
  TItemRecord record;
  record.Description = TranslateText("Internet Explorer favorite");
  record.Extension = ".url";
  record.SearchClassName = GetName();
  record.DrawType = drawType;
  if (!fullPath.empty()) {
    record.DisplayName = ExtractFileNameNoExt(fullPath);
    record.ExecuteString = fullPath;
  }
  return FAddHit(record) ? 1 : 0;
}

void TSearchIEBookmarks::Execute(TItemData& item) { ShellOpenOrRaise(ShellOpenRequestFor(item)); }
