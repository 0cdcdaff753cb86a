#include "sources/SearchFirefoxBookmarks.h"

#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

namespace {

const char* const PlacesName = "places.sqlite";

// Both files of a database in write-ahead-log mode: a copy without the log misses what the
// browser has not yet written back into the database.
std::vector<std::string> DatabaseFiles(const std::string& database) { return {database, database + "-wal"}; }

// Copies Places with its log over Copy; the log and index of an earlier copy go first, so that
// the library never pairs the new copy with them.
void CopyPlaces(const std::string& places, const std::string& copy) {
  os::DeleteFile(copy + "-wal");
  os::DeleteFile(copy + "-shm");
  bool copied = os::CopyFile(places, copy, true);
  if (copied && os::FileExists(places + "-wal")) copied = os::CopyFile(places + "-wal", copy + "-wal", true);
  if (!copied) throw Exception(TranslateFormat("Cannot copy %s to %s.", {places, copy}));
}

}  // namespace

const char* const FirefoxFileKey = "Places";

std::string FirefoxIniFileName() { return SettingsFolder("Lorvex") + "LorvexFirefox.ini"; }

std::string PlacesCopyFileName() { return SettingsFolder("Lorvex") + PlacesName; }

std::string FindFirefoxPlaces(const std::string& mozillaFolder, const std::string& localCopy) {
  std::string found;
  FindFirstFileRecursive(mozillaFolder, PlacesName, found);
  if (found.empty() || !AnsiSameText(found, localCopy)) return found;
  // The copy is the folder's own "places.sqlite": Firefox's can only lie in a subfolder.
  std::vector<os::TDirEntry> entries;
  os::ListFolder(IncludeTrailingBackslash(mozillaFolder), entries);
  for (const os::TDirEntry& entry : entries) {
    if (!entry.IsFolder() || (entry.Attr & os::faReparsePoint)) continue;
    FindFirstFileRecursive(IncludeTrailingBackslash(mozillaFolder) + entry.Name, PlacesName, found);
    if (!found.empty()) return found;
  }
  return "";
}

// --- TSearchFFBookmarks ---------------------------------------------------------------------

TSearchFFBookmarks::TSearchFFBookmarks(TComponent* owner, TBookmarkOptionsDialog optionsDialog)
    : TBookmarkSource(owner, std::move(optionsDialog)) {}

TSearchFFBookmarks::~TSearchFFBookmarks() = default;

void TSearchFFBookmarks::CreateBookmarkQuery() {
  FOptions = ReadBookmarkFileOptions(FirefoxIniFileName(), FirefoxFileKey);
  FDB = std::make_unique<TSqlite3DB>(nullptr);
  FDB->SetDriverDLL(DriverDLL);
  FDB->MustExist = true;
  FDB->ReadOnly = true;
  FDB->SetDatabase(PlacesCopyFileName());
  FQuery = std::make_unique<TSqlite3Query>(nullptr);
  FQuery->SetConnection(FDB.get());
  FQuery->UniDirectional = true;  // the rows as they come: a cancelled search reads no more
  FQuery->SQL().Add("SELECT moz_bookmarks.title, moz_places.url FROM moz_bookmarks");
  FQuery->SQL().Add("INNER JOIN moz_places ON moz_places.id = moz_bookmarks.fk");
  FQuery->SQL().Add("WHERE moz_bookmarks.title LIKE :param1");
}

void TSearchFFBookmarks::Search(const std::string& text, const TAddHitFunc& addHit) {
  if (!FDB) CreateBookmarkQuery();
  const std::string copy = FDB->GetDatabase();
  ReadWhenChanged(DatabaseFiles(FOptions.FileName), os::FileExists(copy), [&] {
    FDB->SetConnected(false);
    CopyPlaces(FOptions.FileName, copy);
    FDB->SetConnected(true);
    return true;
  });
  TItemRecord record;
  record.Description = TranslateText("Firefox bookmark");
  record.SearchClassName = GetName();

  FQuery->Close();
  // "%" and "_" typed act as LIKE's wildcards, as in the notes source.
  FQuery->Params.ParamByName("param1").SetAsString("%" + text + "%");
  TQueryCloser closer(*FQuery);
  for (FQuery->Open(); !FQuery->Eof(); FQuery->Next()) {
    record.DisplayName = FQuery->FieldByName("title").AsString();
    record.ExecuteString = FQuery->FieldByName("url").AsString();
    if (addHit(record)) break;
  }
}

void TSearchFFBookmarks::Reset() {
  FQuery.reset();
  FDB.reset();
  ForgetRead();
}
