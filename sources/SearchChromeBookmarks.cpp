#include "sources/SearchChromeBookmarks.h"

#include "core/Unicode.h"
#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "sources/SourceSupport.h"

namespace {

const TJSONobject* AsObject(const TJSONbase* node) {
  return node && node->JSONType() == jsObject ? static_cast<const TJSONobject*>(node) : nullptr;
}

const TJSONstring* AsString(const TJSONbase* node) {
  return node && node->JSONType() == jsString ? static_cast<const TJSONstring*>(node) : nullptr;
}

std::string Utf8Of(const TJSONstring& text) { return Utf16ToUtf8(text.Value()); }

// Stops at True from OnHit.
bool WalkFolder(const TJSONobject& roots, std::u16string_view folderName, const std::string& upperText,
                const TChromeHitFunc& onHit) {
  const TJSONobject* folder = AsObject(roots.Field(folderName));
  const TJSONbase* children = folder ? folder->Field(u"children") : nullptr;
  if (!children || children->JSONType() != jsList) return false;
  for (int i = 0; i < children->GetCount(); ++i) {
    const TJSONobject* child = AsObject(children->GetChild(i));
    const TJSONstring* name = child ? AsString(child->Field(u"name")) : nullptr;
    const TJSONstring* url = child ? AsString(child->Field(u"url")) : nullptr;
    if (!name || !url) continue;  // folders have no address
    const std::string displayName = Utf8Of(*name);
    if (Contains(UpperCase(displayName), upperText) && onHit(displayName, Utf8Of(*url))) return true;
  }
  return false;
}

}  // namespace

const char* const ChromeFileKey = "Bookmarks";

std::string ChromeIniFileName() { return SettingsFolder("Lorvex") + "LorvexChrome.ini"; }

std::string FindChromeBookmarks(const std::string& localAppData) {
  std::string found;
  if (!localAppData.empty())
    FindFirstFileRecursive(IncludeTrailingBackslash(localAppData) + "google\\", "bookmarks", found);
  return found;
}

bool WalkChromeBookmarks(const TJSONbase& document, const std::string& upperText, const TChromeHitFunc& onHit) {
  const TJSONobject* root = AsObject(&document);
  const TJSONobject* roots = root ? AsObject(root->Field(u"roots")) : nullptr;
  if (!roots) return false;
  if (!WalkFolder(*roots, u"bookmark_bar", upperText, onHit)) WalkFolder(*roots, u"other", upperText, onHit);
  return true;
}

// --- TSearchChromeBookmarks -----------------------------------------------------------------

TSearchChromeBookmarks::TSearchChromeBookmarks(TComponent* owner, TBookmarkOptionsDialog optionsDialog)
    : TBookmarkSource(owner, std::move(optionsDialog)) {}

void TSearchChromeBookmarks::Search(const std::string& text, const TAddHitFunc& addHit) {
  if (!FLoaded) {
    FOptions = ReadBookmarkFileOptions(ChromeIniFileName(), ChromeFileKey);
    FLoaded = true;
  }
  ReadWhenChanged({FOptions.FileName}, true, [this] {
    if (os::ReadFile(FOptions.FileName, FFileText)) return true;
    FFileText.clear();  // no hits, and no message, until a search can read it
    return false;
  });
  TItemRecord record;
  record.Description = TranslateText("Chrome bookmark");
  record.SearchClassName = GetName();
  const TJSONdocument document = TJSON::ParseText(FFileText);
  if (!document) return;
  const bool bookmarks =
      WalkChromeBookmarks(*document, UpperCase(text), [&](const std::string& name, const std::string& url) {
        record.DisplayName = name;
        record.ExecuteString = url;
        return addHit(record);
      });
  if (!bookmarks) throw Exception(TranslateFormat("%s holds no Chrome bookmarks.", {FOptions.FileName}));
}

void TSearchChromeBookmarks::Reset() {
  FLoaded = false;
  FFileText = std::string();
  ForgetRead();
}
