// The Chrome bookmarks: the bookmarks lying directly in the bookmark bar and in the folder of
// other bookmarks of Chrome's bookmarks file (JSON), found by name and opened by the shell.
//
// Threads: Search runs on the search worker; Execute, ShowOptions and Reset on the GUI thread
// while no search runs.
#pragma once

#include <string>

#include "core/LorvexClasses.h"
#include "data/json/JSON.h"
#include "sources/BookmarkFile.h"

// "LorvexChrome.ini" in the settings folder; the file's path is its key "Bookmarks".
std::string ChromeIniFileName();
extern const char* const ChromeFileKey;

// Where Chrome keeps its bookmarks: the last file named "bookmarks" in LocalAppData's "google"
// folder, else the first one found depth first below it; empty when there is none.
std::string FindChromeBookmarks(const std::string& localAppData);

// Hands the bookmarks lying directly in the bookmark bar, then in other bookmarks, whose
// names hold UpperText (upper-cased by ASCII rules, like the names) to OnHit, until it answers
// True. Children without a name or an address (folders among them) are passed over. False when
// the document has no object of bookmark folders ("roots").
using TChromeHitFunc = std::function<bool(const std::string& name, const std::string& url)>;
bool WalkChromeBookmarks(const TJSONbase& document, const std::string& upperText, const TChromeHitFunc& onHit);

class TSearchChromeBookmarks : public TBookmarkSource {
 public:
  TSearchChromeBookmarks(TComponent* owner, TBookmarkOptionsDialog optionsDialog);

  std::string GetName() override { return "Chrome bookmarks"; }
  // Parses the file for every search; reads it again each time, or with LiveBookmarks only
  // when its size or write time changed.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // The settings and the file are read again by the next search.
  void Reset() override;

  const char* ClassName() const override { return "TSearchChromeBookmarks"; }

 private:
  bool FLoaded = false;
  std::string FFileText;
};
