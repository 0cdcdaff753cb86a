#include "sources/SearchNotes.h"

#include "core/Unicode.h"
#include "core/qmFileUtils.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

namespace {

const char* const AddNoteKey = "add note";
constexpr size_t HintLength = 100;
constexpr size_t ShownLength = 30;
// How long a connection waits for the other's write (the search's, a note window's) to end.
constexpr int32_t BusyTimeOut = 3000;

// The first Count characters of a UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count) {
  size_t end = 0;
  for (size_t n = 0; n < count && end < text.size(); ++n) end += Utf8CharLength(text, end);
  return text.substr(0, end);
}

// Typing the start of Word, English or translated, asks for it.
bool AsksFor(const char* word, const std::string& upperText) {
  return std::string_view(word).starts_with(upperText) || TranslateText(word).starts_with(upperText);
}

TDateTime NowAsDateTime() {
  const os::TLocalTime now = os::Now();
  return EncodeDate(now.Year, now.Month, now.Day) + EncodeTime(now.Hour, now.Minute, now.Second, 0);
}

}  // namespace

const char* const NotesSchema =
    "create table if not exists Notes (id integer primary key, data text, created datetime)";

std::string NotesFileName() { return SettingsFolder("Lorvex") + "notes.sqlite"; }

// --- TNotesDatabase ---------------------------------------------------------------------------

void TNotesDatabase::Open(TSqlite3DB& db) const {
  db.SetDriverDLL(DriverDLL);
  db.SetDatabase(FileName);
  db.SetTimeOut(BusyTimeOut);
  if (!os::FileExists(FileName)) {
    ForceDirectories(ExtractFilePath(FileName));
    db.Open();
    db.ExecuteSQL(NotesSchema);
  }
  db.MustExist = true;
  db.Open();
}

TNote TNotesDatabase::Read(int64_t id) const {
  TSqlite3DB db(nullptr);
  Open(db);
  TSqlite3Query query(nullptr);
  query.SetConnection(&db);
  query.SQL().Add("Select * from Notes");
  query.SQL().Add("WHERE id = :id");
  query.Params.ParamByName("id").SetAsInteger(id);
  query.Open();
  if (query.Eof()) return {0, "Note ", ""};
  return {query.FieldByName("id").AsInteger(), "Note " + query.FieldByName("created").AsString(),
          query.FieldByName("data").AsString()};
}

void TNotesDatabase::Save(int64_t id, const std::string& text) const {
  TSqlite3DB db(nullptr);
  Open(db);
  TSqlite3UpdateSQL update(nullptr);
  update.InsertSQL = {"INSERT INTO Notes (data, created) VALUES (:data, :created)"};
  update.UpdateSQL = {"UPDATE Notes SET data = :data WHERE id = :id"};
  TSqlite3Query query(nullptr);
  query.SetConnection(&db);
  query.SetUpdateSQL(&update);
  query.SQL().Add("Select * FROM Notes Where id = :id");
  query.Params.ParamByName("id").SetAsInteger(id);
  query.Open();
  if (id == 0) {
    query.Insert();
    query.FieldByName("id").SetAsInteger(0);
    query.FieldByName("created").SetAsDateTime(NowAsDateTime());
  } else {
    query.Edit();
  }
  query.FieldByName("data").SetAsString(text);
  query.Post();
}

// --- The rows ---------------------------------------------------------------------------------

std::string NoteDisplayName(const std::string& note, const std::string& typed, bool listingAll) {
  std::string shown = note;
  if (!listingAll) {
    // Upper-casing keeps the length, so the place holds in the note itself.
    const size_t position = AnsiUpperCase(note).find(AnsiUpperCase(typed));
    if (position != std::string::npos && position > 0) shown = "..." + note.substr(position);
  }
  std::string more;
  if (const size_t lineEnd = shown.find("\r\n"); lineEnd != std::string::npos) {
    shown.resize(lineEnd);
    more = "...";
  }
  std::string name = FirstCharacters(shown, ShownLength);
  if (name.size() < shown.size()) more = "...";
  name += more;
  return name.empty() ? "..." : name;
}

// --- TSearchNotes -----------------------------------------------------------------------------

TSearchNotes::TSearchNotes(TComponent* owner, std::shared_ptr<TNoteWindows> windows)
    : TSearchClass(owner), FWindows(std::move(windows)) {}

TSearchNotes::~TSearchNotes() = default;

void TSearchNotes::LoadIcon(TItemData& item) {
  if (FWindows) FWindows->LoadNoteIcon(item);
}

void TSearchNotes::OpenSearchQuery() {
  // A failed opening keeps nothing: the next search tries again.
  auto db = std::make_unique<TSqlite3DB>(nullptr);
  Database.Open(*db);
  FQuery = std::make_unique<TSqlite3Query>(nullptr);
  FQuery->SetConnection(db.get());
  FDB = std::move(db);
}

void TSearchNotes::Search(const std::string& text, const TAddHitFunc& addHit) {
  const std::string upperText = UpperCase(text);
  if (!FDB) OpenSearchQuery();
  TItemRecord record;
  record.Description = TranslateText("Notes");
  record.SearchClassName = GetName();
  TItemRecord addNote = record;
  addNote.DisplayName = TranslateText("Add new note");
  addNote.ExecuteString = AddNoteKey;
  if (AsksFor("ADDNOTE", upperText)) addHit(addNote);

  FQuery->Close();
  FQuery->SQL().Clear();
  const bool listingAll = AsksFor("NOTES", upperText);
  if (listingAll) {
    addHit(addNote);
    FQuery->SQL().Add("Select * from Notes");
  } else {
    FQuery->SQL().Add("Select * from Notes");
    FQuery->SQL().Add("WHERE data LIKE :data");
    FQuery->Params.ParamByName("data").SetAsString("%" + text + "%");
  }
  TQueryCloser closer(*FQuery);
  for (FQuery->Open(); !FQuery->Eof(); FQuery->Next()) {
    const std::string note = FQuery->FieldByName("data").AsString();
    record.Hint = FirstCharacters(note, HintLength);
    record.DisplayName = NoteDisplayName(note, text, listingAll);
    record.ExecuteString = FQuery->FieldByName("id").AsString();
    if (addHit(record)) break;
  }
}

void TSearchNotes::Execute(TItemData& item) {
  const std::string key = item.ExecuteString();
  const TNote note =
      SameText(key, AddNoteKey) ? TNote{0, TranslateText("Add new note"), ""} : Database.Read(TextToInteger(key));
  if (FWindows) FWindows->Open(note);
}

void TSearchNotes::Reset() {
  FQuery.reset();
  FDB.reset();
}
