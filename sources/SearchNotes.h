// The notes: short texts kept in "notes.sqlite" in the settings folder, found by typing part of
// their text. Typing the start of "notes" lists them all, typing the start of "addnote" offers
// a new one; a note runs by opening in a note window of the window layer.
//
// Threads: Search runs on the search worker, Execute and the note windows on the GUI thread,
// each through a connection of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/LorvexClasses.h"
#include "data/sqlite/SQLite3DB.h"
#include "data/sqlite/SQLite3Query.h"

// The table of the notes, as the program makes it.
extern const char* const NotesSchema;

// "notes.sqlite" in the settings folder.
std::string NotesFileName();

struct TNote {
  int64_t Id = 0;       // 0: a new note
  std::string Caption;  // of its window
  std::string Text;     // lines separated by CR LF
};

// Where the notes are kept.
struct TNotesDatabase {
  std::string FileName = NotesFileName();
  std::string DriverDLL;  // the SQLite library; empty: the connection's own

  // Opens Db on the notes; a database that is missing is made first, with its table.
  void Open(TSqlite3DB& db) const;
  // The note of that id; a note that is gone reads as a new note captioned "Note ".
  TNote Read(int64_t id) const;
  // Writes Text as the note's text; a new note (id 0) is added with the time of now.
  void Save(int64_t id, const std::string& text) const;
};

// The windows of the notes, from the window layer.
class TNoteWindows {
 public:
  virtual ~TNoteWindows() = default;
  // Opens a window on Note and returns at once.
  virtual void Open(const TNote& note) = 0;
  // The notes' icon for a row of the result list.
  virtual void LoadNoteIcon(TItemData& item) = 0;
};

// A note's row in the result list: its first line, cut to 30 characters, from where the typed
// text first occurs (after "...") unless every note is listed; "..." when there is more, and
// for a note with nothing to show.
std::string NoteDisplayName(const std::string& note, const std::string& typed, bool listingAll);

class TSearchNotes : public TSearchClass {
 public:
  TSearchNotes(TComponent* owner, std::shared_ptr<TNoteWindows> windows);
  ~TSearchNotes() override;

  // The name stays English, as the search order knows it; GetCaption translates it.
  std::string GetName() override { return "Notes"; }
  bool RememberInLastUsed() override { return false; }
  void LoadIcon(TItemData& item) override;
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Opens the note, or an empty one for "Add new note", in a window of its own.
  void Execute(TItemData& item) override;
  // Closes the search's connection; the next search opens it again.
  void Reset() override;

  const char* ClassName() const override { return "TSearchNotes"; }

  TNotesDatabase Database;

 private:
  void OpenSearchQuery();

  // The search's own: Execute reads through a connection of its own.
  std::unique_ptr<TSqlite3DB> FDB;
  std::unique_ptr<TSqlite3Query> FQuery;
  std::shared_ptr<TNoteWindows> FWindows;
};
