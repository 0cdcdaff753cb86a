// The Firefox bookmarks: titles in Firefox's places database that hold the typed text, opened
// by the shell. Firefox keeps the database open (and locked) while it runs, so the source reads
// a copy of it in the settings folder, made again when the browser's files have changed.
//
// Threads: Search (and with it the copying) runs on the search worker; Execute, ShowOptions
// and Reset on the GUI thread while no search runs.
#pragma once

#include <memory>
#include <string>

#include "core/LorvexClasses.h"
#include "data/sqlite/SQLite3DB.h"
#include "data/sqlite/SQLite3Query.h"
#include "sources/BookmarkFile.h"

// "LorvexFirefox.ini" in the settings folder; the file's path is its key "Places".
std::string FirefoxIniFileName();
extern const char* const FirefoxFileKey;
// The local copy: "places.sqlite" in the settings folder.
std::string PlacesCopyFileName();

// Where Firefox keeps its places: the last "places.sqlite" in MozillaFolder, else the first one
// found depth first below it; never LocalCopy, the program's own copy (which lies in that folder
// in a portable copy). Empty when there is none.
std::string FindFirefoxPlaces(const std::string& mozillaFolder, const std::string& localCopy);

class TSearchFFBookmarks : public TBookmarkSource {
 public:
  TSearchFFBookmarks(TComponent* owner, TBookmarkOptionsDialog optionsDialog);
  ~TSearchFFBookmarks() override;

  std::string GetName() override { return "Firefox bookmarks"; }
  // Copies the browser's database with its write-ahead log, every time or with LiveBookmarks
  // only when the size or write time of one of them changed, and searches the copy read-only.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Closes the copy; the next search reads the settings again and copies anew.
  void Reset() override;

  const char* ClassName() const override { return "TSearchFFBookmarks"; }

  // The SQLite library the copy is read with; empty: the connection's own.
  std::string DriverDLL;

 private:
  void CreateBookmarkQuery();

  std::unique_ptr<TSqlite3DB> FDB;
  std::unique_ptr<TSqlite3Query> FQuery;
};
