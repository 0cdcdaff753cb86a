// The database source: rows of the user's own databases, each found by a statement of the
// user's in which "#search#" stands for the typed text. The definitions live in
// "LorvexDatabase.ini": one section per database (its name), with "ConnectionString" and "SQL"
// (line breaks stored as "#13#10"); the sections' order is the order of searching.
//
// The databases are reached through TDatabaseConnector (ADO or ODBC on Windows, sources/win32; a
// fake in the tests), the dialogs and the record window through TDatabaseWindows (app/win32).
//
// Threads: Search runs on the search worker, which reads every row it reports into a snapshot;
// a hit names its row there, and Execute on the GUI thread reads the snapshot, never a
// connection. The connections are used by one search at a time; Reset and the options dialog's
// OK (no search runs then) drop the definitions, the connections and the snapshot. CancelSearch
// comes from the GUI thread while a statement may be blocked in a driver.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/LorvexClasses.h"
#include "core/RowList.h"
#include "core/qmMemIni.h"
#include "sources/SettingsSnapshot.h"

struct TDatabaseDefinition {
  std::string Name;
  std::string ConnectionString;
  std::string SQL;  // with real line breaks

  bool operator==(const TDatabaseDefinition&) const = default;
};
using TDatabaseDefinitions = std::vector<TDatabaseDefinition>;

// The definitions of the file, in file order.
TDatabaseDefinitions LoadDatabases(const TMemIniFile& ini);
// Writes the file anew: one section per definition, in list order.
void SaveDatabases(const TDatabaseDefinitions& databases, TMemIniFile& ini);

// The list the options dialog edits; a row's caption is the database's name.
using TDatabaseRows = TRowList<TDatabaseDefinition>;
TDatabaseRows NewDatabaseRows();
// Why Name cannot name a database of Rows (the row Editing aside, -1 for a new one): empty, it
// holds what a section name cannot, or another database has it already (ignoring case).
// Empty when it can.
std::string DatabaseNameError(const TDatabaseRows& rows, const std::string& name, int editing);

// The user's statement with the typed text as parameters. The markers "#search#" (case-sensitive)
// are found by SQL's own reading: each string literal holding one becomes one parameter, its
// content with every marker replaced by the text; a marker in plain SQL becomes a parameter of
// the text itself; a run in double quotes that holds a marker is taken as a string literal (many
// databases read "..." as a text), one without stays as it is; comments ("--" to the line's end,
// "/* */") and the other quoted identifiers ([name], `name`) are left as they are, markers and
// all, except that a comment holding a quote or bracket becomes one blank (a driver may count its
// "?" with a simpler reading). So the text is always a value, never a piece of SQL.
struct TSearchStatement {
  TStringList Pieces;  // the SQL around the parameters: one more than there are parameters
  TStringList Parameters;
  std::vector<bool> InLiteral;  // per parameter: it stands for a string literal of the SQL

  // The SQL with "?" for each parameter.
  std::string Text() const;
  // Whether every parameter stands for a string literal.
  bool OnlyInLiterals() const;
  // The SQL with each parameter written in as a string literal, its quotes doubled, for a
  // provider that takes no parameters; sound only when OnlyInLiterals.
  std::string LiteralText() const;
};
TSearchStatement BindSearchText(const std::string& sql, const std::string& text);

// The keys of a connection string in their order, each value as it means: a value in quotes
// ('...' or "...", a doubled quote one of it) without them, any other up to the next ";" outside
// braces, trimmed. An empty piece (";;") or one without "=" is no key.
struct TConnectionKey {
  std::string Name;
  std::string Value;

  bool operator==(const TConnectionKey&) const = default;
};
using TConnectionKeys = std::vector<TConnectionKey>;
TConnectionKeys ConnectionStringKeys(const std::string& connectionString);

// Whether a connection string names an OLE DB provider (a "Provider" key, any case). One that
// does not is an ODBC connection string, which ADO hands to its default provider, the OLE DB
// provider for ODBC.
bool NamesOleDbProvider(const std::string& connectionString);

// The ODBC connection string that a connection string for the OLE DB provider for ODBC
// ("Provider=MSDASQL", with or without a version) stands for; nothing for another provider or
// none. "Data Source" becomes DSN, "User ID" UID, "Password" PWD, the text of "Extended
// Properties" is taken as it stands, OLE DB's own keys ("Persist Security Info", "Prompt", ...)
// go, and any other key is passed on to the driver, as the provider does.
std::optional<std::string> OdbcConnectionOfMsdasql(const std::string& connectionString);

// One field of a row: its name and its value as text.
struct TDbField {
  std::string Name;
  std::string Value;

  bool operator==(const TDbField&) const = default;
};
using TDbRow = std::vector<TDbField>;
// Takes one row; false stops the statement.
using TDbRowFunc = std::function<bool(TDbRow&& row)>;

// What a session raises when its provider takes no parameters: the statement was refused as
// bound, before it ran.
class EParametersNotTaken : public Exception {
 public:
  using Exception::Exception;
};

// How long a database may take to open, and one statement to run, before it is given up.
constexpr int DatabaseLoginTimeoutSeconds = 5;
constexpr int DatabaseQueryTimeoutSeconds = 5;

// An open connection to one database. Made and used on the search worker; Cancel comes from
// another thread.
class TDatabaseSession {
 public:
  virtual ~TDatabaseSession() = default;
  // Runs Sql with Parameters ("?" in Sql) and hands each row to OnRow until it answers false.
  // Raises an Exception with the provider's message when the statement fails, an
  // EParametersNotTaken when the provider refuses parameters.
  virtual void Run(const std::string& sql, const TStringList& parameters, const TDbRowFunc& onRow) = 0;
  // Asks a running statement to end soon (from any thread); Run then raises.
  virtual void Cancel() {}
  // Whether the session may be kept for the next search, on another worker; one bound to the
  // search's COM apartment may not.
  virtual bool Lasting() const { return true; }
};

class TDatabaseConnector {
 public:
  virtual ~TDatabaseConnector() = default;
  // Bracket one search on the worker (its COM apartment).
  virtual void BeginSearch() {}
  virtual void EndSearch() {}
  // Raises an Exception with the provider's message when the database cannot be opened.
  virtual std::unique_ptr<TDatabaseSession> Open(const std::string& connectionString) = 0;
};

// Brackets one search with BeginSearch and EndSearch, however the search ends.
class TConnectorScope {
 public:
  explicit TConnectorScope(TDatabaseConnector& connector) : FConnector(connector) { FConnector.BeginSearch(); }
  ~TConnectorScope() { FConnector.EndSearch(); }
  TConnectorScope(const TConnectorScope&) = delete;
  TConnectorScope& operator=(const TConnectorScope&) = delete;

 private:
  TDatabaseConnector& FConnector;
};

// What the source shows in windows (the GUI thread's).
class TDatabaseWindows {
 public:
  virtual ~TDatabaseWindows() = default;
  // The database options dialog; true after OK, when the file is written.
  virtual bool ShowOptions() = 0;
  // The record window, listing Lines; it stays open after the call.
  virtual void ShowRecord(const TStringList& lines) = 0;
  virtual void LoadRecordIcon(TItemData& item) = 0;
};

class TSearchDatabase : public TSearchClass {
 public:
  TSearchDatabase(TComponent* owner, std::shared_ptr<TDatabaseConnector> connector,
                  std::shared_ptr<TDatabaseWindows> windows);

  std::string GetName() override { return "Database"; }
  bool HasOptions() override { return true; }
  bool RememberInLastUsed() override { return false; }
  void LoadIcon(TItemData& item) override;
  void ShowOptions() override;
  // A database that fails is skipped; once all are searched, the failures make one error
  // naming each failing database, unless the search was stopped. Each database's connection
  // is kept for the next search.
  void Search(const std::string& text, const TAddHitFunc& addHit) override;
  // Cancels the statement running now.
  void CancelSearch() override;
  // Shows every field of the hit's row, as the search read it; refused once the rows were
  // dropped.
  void Execute(TItemData& item) override;
  // Drops the definitions and closes the connections (no search runs meanwhile).
  void Reset() override;
  const char* ClassName() const override { return "TSearchDatabase"; }

  static constexpr const char* IniFileName = "LorvexDatabase.ini";

 private:
  struct TOneDatabase {
    TDatabaseDefinition Definition;
    std::unique_ptr<TDatabaseSession> Session;  // the worker's; kept between searches
  };
  using TDatabases = std::vector<std::unique_ptr<TOneDatabase>>;
  // The rows the last search reported, per database.
  using TRowSnapshot = std::vector<std::vector<TDbRow>>;

  static TDatabases ReadDatabases();
  // False when the search is to stop.
  bool SearchDatabase(size_t index, TOneDatabase& database, const std::string& text, TRowSnapshot& rows);
  void RunStatement(TDatabaseSession& session, const TSearchStatement& statement, const TDbRowFunc& onRow);
  bool ReportRow(size_t index, TDbRow&& row, TRowSnapshot& rows);

  std::shared_ptr<TDatabaseConnector> FConnector;
  std::shared_ptr<TDatabaseWindows> FWindows;
  TSettingsSnapshot<TDatabases> FDatabases;
  std::mutex FLock;  // guards FRows
  std::shared_ptr<TRowSnapshot> FRows;
  std::mutex FRunningLock;  // guards FRunning and FCancelled against CancelSearch
  TDatabaseSession* FRunning = nullptr;  // whose statement runs now
  bool FCancelled = false;

  TAddHitFunc FAddHit;  // of the running search (worker thread only)
  bool FStopped = false;
};
