// The SQLite connection: the library loaded at run time, one open database, transactions,
// pragmas, a script run on connect, and the statements the queries run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Persistent.h"
#include "data/sqlite/SQLite3Utils.h"

struct sqlite3;
struct sqlite3_stmt;

class TSqlite3BaseQuery;
class TSqlite3DB;

// How the library file is loaded; tests wrap the real loader to hide entry points.
struct TLibraryLoader {
  std::function<void*(const std::string&)> Load;
  std::function<void*(void*, const char*)> Symbol;
  std::function<void(void*)> Free;

  static TLibraryLoader System();  // the os seams
};

// The loaded SQLite library and its bound entry points. It stays loaded for as long as a
// connection or a statement holds it.
class TSqlite3Library {
 public:
  using TDestructor = void (*)(void*);
  using TCollation = int (*)(void*, int, const void*, int, const void*);

  // Loads FileName and binds every entry point by name. Null when the file cannot be loaded;
  // ESqlite3Error naming the first missing entry point (the library is then unloaded again).
  static std::shared_ptr<TSqlite3Library> Load(const std::string& fileName, const TLibraryLoader& loader);
  ~TSqlite3Library();
  TSqlite3Library(const TSqlite3Library&) = delete;
  TSqlite3Library& operator=(const TSqlite3Library&) = delete;

  int (*sqlite3_open)(const char*, sqlite3**) = nullptr;
  int (*sqlite3_close)(sqlite3*) = nullptr;
  int (*sqlite3_exec)(sqlite3*, const char*, int (*)(void*, int, char**, char**), void*, char**) = nullptr;
  const char* (*sqlite3_libversion)() = nullptr;
  const char* (*sqlite3_errmsg)(sqlite3*) = nullptr;
  int (*sqlite3_get_table)(sqlite3*, const char*, char***, int*, int*, char**) = nullptr;
  void (*sqlite3_free_table)(char**) = nullptr;
  void (*sqlite3_free)(void*) = nullptr;
  int (*sqlite3_complete)(const char*) = nullptr;
  int64_t (*sqlite3_last_insert_rowid)(sqlite3*) = nullptr;
  void (*sqlite3_interrupt)(sqlite3*) = nullptr;
  int (*sqlite3_busy_handler)(sqlite3*, int (*)(void*, int), void*) = nullptr;
  int (*sqlite3_busy_timeout)(sqlite3*, int) = nullptr;
  int (*sqlite3_changes)(sqlite3*) = nullptr;
  int (*sqlite3_prepare)(sqlite3*, const char*, int, sqlite3_stmt**, const char**) = nullptr;
  int (*sqlite3_finalize)(sqlite3_stmt*) = nullptr;
  int (*sqlite3_reset)(sqlite3_stmt*) = nullptr;
  int (*sqlite3_step)(sqlite3_stmt*) = nullptr;
  const void* (*sqlite3_column_blob)(sqlite3_stmt*, int) = nullptr;
  int (*sqlite3_column_bytes)(sqlite3_stmt*, int) = nullptr;
  int (*sqlite3_column_bytes16)(sqlite3_stmt*, int) = nullptr;
  int (*sqlite3_column_count)(sqlite3_stmt*) = nullptr;
  const char* (*sqlite3_column_decltype)(sqlite3_stmt*, int) = nullptr;
  double (*sqlite3_column_double)(sqlite3_stmt*, int) = nullptr;
  int (*sqlite3_column_int)(sqlite3_stmt*, int) = nullptr;
  int64_t (*sqlite3_column_int64)(sqlite3_stmt*, int) = nullptr;
  const char* (*sqlite3_column_name)(sqlite3_stmt*, int) = nullptr;
  const unsigned char* (*sqlite3_column_text)(sqlite3_stmt*, int) = nullptr;
  const void* (*sqlite3_column_text16)(sqlite3_stmt*, int) = nullptr;
  int (*sqlite3_column_type)(sqlite3_stmt*, int) = nullptr;
  int (*sqlite3_bind_blob)(sqlite3_stmt*, int, const void*, int, TDestructor) = nullptr;
  int (*sqlite3_bind_text16)(sqlite3_stmt*, int, const void*, int, TDestructor) = nullptr;
  int (*sqlite3_bind_parameter_count)(sqlite3_stmt*) = nullptr;
  int (*sqlite3_create_collation)(sqlite3*, const char*, int, void*, TCollation) = nullptr;
  // Beyond the classic set: statements prepared the modern way and values bound by type.
  int (*sqlite3_prepare_v2)(sqlite3*, const char*, int, sqlite3_stmt**, const char**) = nullptr;
  int (*sqlite3_bind_text)(sqlite3_stmt*, int, const char*, int, TDestructor) = nullptr;
  int (*sqlite3_bind_int64)(sqlite3_stmt*, int, int64_t) = nullptr;
  int (*sqlite3_bind_double)(sqlite3_stmt*, int, double) = nullptr;
  int (*sqlite3_bind_null)(sqlite3_stmt*, int) = nullptr;
  int (*sqlite3_open_v2)(const char*, sqlite3**, int, const char*) = nullptr;

 private:
  TSqlite3Library(void* handle, TLibraryLoader loader) : FHandle(handle), FLoader(std::move(loader)) {}
  void* FHandle;
  TLibraryLoader FLoader;
};

// Result codes of the library.
enum : int {
  SQLITE_OK = 0,
  SQLITE_ERROR = 1,
  SQLITE_BUSY = 5,
  SQLITE_MISUSE = 21,
  SQLITE_ROW = 100,
  SQLITE_DONE = 101,
};
enum : int { SQLITE_INTEGER = 1, SQLITE_FLOAT = 2, SQLITE_TEXT = 3, SQLITE_BLOB = 4, SQLITE_NULL = 5 };
enum : int { SQLITE_OPEN_READONLY = 0x01 };

// A value bound to a statement's numbered place.
struct TSqlValue {
  enum TKind { vkNull, vkInteger, vkFloat, vkText, vkBlob };
  TKind Kind = vkNull;
  int64_t Int = 0;
  double Float = 0;
  std::string Bytes;  // text in UTF-8, or a blob's bytes

  static TSqlValue OfNull() { return {}; }
  static TSqlValue OfInteger(int64_t v) { return {vkInteger, v, 0, {}}; }
  static TSqlValue OfFloat(double v) { return {vkFloat, 0, v, {}}; }
  static TSqlValue OfText(std::string v) { return {vkText, 0, 0, std::move(v)}; }
  static TSqlValue OfBlob(std::string v) { return {vkBlob, 0, 0, std::move(v)}; }
  bool operator==(const TSqlValue&) const = default;
};
using TSqlValues = std::vector<TSqlValue>;

// One prepared statement; finalized when it goes, and it keeps the library loaded meanwhile.
class TSqlite3Statement {
 public:
  TSqlite3Statement(std::shared_ptr<TSqlite3Library> library, sqlite3_stmt* statement)
      : FLibrary(std::move(library)), FStatement(statement) {}
  ~TSqlite3Statement();
  TSqlite3Statement(const TSqlite3Statement&) = delete;
  TSqlite3Statement& operator=(const TSqlite3Statement&) = delete;

  sqlite3_stmt* Handle() const { return FStatement; }
  const TSqlite3Library& Lib() const { return *FLibrary; }
  // Finalizes now; the library's result code.
  int Finalize();

 private:
  std::shared_ptr<TSqlite3Library> FLibrary;
  sqlite3_stmt* FStatement;
};

class TSqlite3Pragma : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TSqlite3Pragma"; }
  void describe(TPropertyVisitor& visitor) override;

  int32_t TempCacheSize = 0;
  int32_t DefaultCacheSize = 0;
  std::string DefaultSynchronous, DefaultTempStore, TempStore, Synchronous;

  std::string GetTempCacheSize() const { return "pragma cache_size=" + std::to_string(TempCacheSize); }
  std::string GetDefaultCacheSize() const { return "pragma default_cache_size=" + std::to_string(DefaultCacheSize); }
  std::string GetDefaultSynchronous() const { return "pragma default_synchronous=" + DefaultSynchronous; }
  std::string GetDefaultTempStore() const { return "pragma default_temp_store=" + DefaultTempStore; }
  std::string GetTempStore() const { return "pragma temp_store=" + TempStore; }
  std::string GetSynchronous() const { return "pragma synchronous=" + Synchronous; }
  // The pragma texts of the values that are set, in the order they are applied.
  std::vector<std::string> Statements() const;
};

class TSqlite3InlineSQL : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TSqlite3InlineSQL"; }
  void describe(TPropertyVisitor& visitor) override { visitor.Strings("SQL", SQL); }
  TStringList SQL;
};

// Kept for the component text; nothing reads it.
class TSqlite3Log : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TSqlite3Log"; }
  void describe(TPropertyVisitor& visitor) override;
  std::string LogFile;
  bool LogDebugOut = false, Append = false, LogSQL = false, LogInternals = false;
};

using TSqlite3NotifyEvent = std::function<void(TSqlite3DB* sender)>;

class TSqlite3DB : public TComponent {
 public:
  explicit TSqlite3DB(TComponent* owner);
  ~TSqlite3DB() override;
  const char* ClassName() const override { return "TSqlite3DB"; }
  // The published properties (the component references and events are not text).
  void describe(TPropertyVisitor& visitor) override;

  TSqlite3NotifyEvent AfterConnect, BeforeConnect, AfterDisconnect, BeforeDisconnect, OnBusy;
  bool ExecuteInlineSQL = false;
  std::string TransactionType;
  std::string DefaultDir;
  bool MustExist = false;
  // Opens the file for reading only: nothing run on the connection can change it.
  bool ReadOnly = false;
  std::string Version;
  std::string CharacterEncoding;
  // Tests replace the loader; the default is the system's.
  TLibraryLoader Loader = TLibraryLoader::System();

  // The companions a connection names; one that is freed is forgotten.
  TSqlite3InlineSQL* GetSqliteInlineSQL() const { return FSqliteInlineSQL; }
  void SetSqliteInlineSQL(TSqlite3InlineSQL* script);
  TSqlite3Pragma* GetSqlitePragma() const { return FSqlitePragma; }
  void SetSqlitePragma(TSqlite3Pragma* pragma);
  TSqlite3Log* GetSqliteLog() const { return FSqliteLog; }
  void SetSqliteLog(TSqlite3Log* log);

  const std::string& GetDatabase() const { return FDatabase; }
  void SetDatabase(const std::string& name);
  const std::string& GetDefaultExt();
  void SetDefaultExt(const std::string& ext) { FDefaultExt = ext; }
  const std::string& GetDriverDLL();
  void SetDriverDLL(const std::string& name) { FDriverDLL = name; }
  int32_t GetTimeOut() const { return FTimeOut; }
  void SetTimeOut(int32_t milliseconds);
  bool GetConnected() const { return FConnected; }
  void SetConnected(bool connected);  // setting the present state again does nothing

  void Open();
  bool LoadLibs();
  bool IsUTF8() const { return FUTF8; }
  bool InTransaction() const { return FInTransaction; }
  sqlite3* Handle() const { return FHandle; }
  // The loaded library; null while disconnected.
  const std::shared_ptr<TSqlite3Library>& Library() const { return FLibrary; }

  // Runs every statement of Sql; Values fill the numbered places of each.
  int ExecuteSQL(const std::string& sql, const TSqlValues& values = {});
  [[noreturn]] void RaiseSQLiteError();
  // Prepares the first statement of Sql with Values bound.
  std::unique_ptr<TSqlite3Statement> Prepare(const std::string& sql, const TSqlValues& values);
  // One step: true on a row, false when done. Raises on errors, and when the database is still
  // locked once the library has waited TimeOut for it.
  bool Step(TSqlite3Statement& statement);
  // A step to the next row of a result: a database still locked after TimeOut tells OnBusy,
  // when assigned, and ends the rows there.
  bool FetchRow(TSqlite3Statement& statement);
  int RowsAffected() const;
  int64_t LastInsertRowId() const;

  void StartTransactionAs(const std::string& kind);
  void StartTransaction();
  void StartDeferredTransaction();
  void StartImmediateTransaction();
  void StartExclusiveTransaction();
  void Commit();
  void RollBack();
  void ExecPragma();

  // Queries that use this connection register here, so that a disconnect closes them.
  void AttachQuery(TSqlite3BaseQuery* query);
  void DetachQuery(TSqlite3BaseQuery* query);

  // The full file name that a connect opens.
  std::string DatabaseFileName();

 protected:
  void Notification(TComponent& removed) override;

 private:
  void Connect();
  void OpenHandle(const std::string& fileName);
  void RunInlineSQL();
  void CloseQueries();
  void CloseHandle();  // closes what a connect opened, without the disconnect events
  void Disconnect();
  bool StepResult(int result);
  void RunTransactionStatement(const char* sql, bool inTransaction);
  void BindValues(sqlite3_stmt* statement, const TSqlValues& values);

  TSqlite3InlineSQL* FSqliteInlineSQL = nullptr;
  TSqlite3Pragma* FSqlitePragma = nullptr;
  TSqlite3Log* FSqliteLog = nullptr;
  std::string FDatabase;
  std::string FDefaultExt;
  std::string FDriverDLL;
  int32_t FTimeOut = 0;
  bool FConnected = false;
  bool FUTF8 = true;
  bool FInTransaction = false;
  sqlite3* FHandle = nullptr;
  std::shared_ptr<TSqlite3Library> FLibrary;
  std::vector<TSqlite3BaseQuery*> FQueries;
};

// Collations registered on every connection: CompareText and CompareStr over UTF-8 bytes.
int SystemNoCaseCollation(void* userData, int length1, const void* text1, int length2, const void* text2);
int SystemCollation(void* userData, int length1, const void* text1, int length2, const void* text2);
