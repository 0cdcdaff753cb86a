#include "data/sqlite/SQLite3DB.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "data/sqlite/SQLite3Query.h"
#include "os/os.h"

namespace {

// The library copies every text and blob it is given.
const TSqlite3Library::TDestructor kTransient = reinterpret_cast<TSqlite3Library::TDestructor>(-1);

template <class F>
void BindEntry(void* handle, const TLibraryLoader& loader, F& pointer, const char* name) {
  pointer = reinterpret_cast<F>(loader.Symbol(handle, name));
}

int CompareBytes(int length1, const void* text1, int length2, const void* text2, bool foldCase) {
  const auto* a = static_cast<const unsigned char*>(text1);
  const auto* b = static_cast<const unsigned char*>(text2);
  const int common = std::min(length1, length2);
  for (int i = 0; i < common; ++i) {
    int x = a[i], y = b[i];
    if (foldCase) {
      if (x >= 'a' && x <= 'z') x -= 32;
      if (y >= 'a' && y <= 'z') y -= 32;
    }
    if (x != y) return x - y;
  }
  return length1 - length2;
}

const char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

bool HasPathSeparator(const std::string& name) { return name.find_first_of("\\/") != std::string::npos; }

// The name as the library's file system wants it: on POSIX, backslashes become slashes.
std::string NativeFileName(const std::string& name) {
  if (kSeparator == '\\') return name;
  std::string result = name;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

}  // namespace

TLibraryLoader TLibraryLoader::System() {
  return {os::LoadDynamicLibrary, os::GetLibrarySymbol, os::FreeDynamicLibrary};
}

std::shared_ptr<TSqlite3Library> TSqlite3Library::Load(const std::string& fileName, const TLibraryLoader& loader) {
  void* handle = loader.Load(fileName);
  if (!handle) return nullptr;
  std::shared_ptr<TSqlite3Library> lib(new TSqlite3Library(handle, loader));
  // Bound and tested in this order; the first missing one is reported.
  auto& l = *lib;
  const struct {
    const char* message;
    bool present;
  } checks[] = {
#define LORVEX_BIND(member, message) {message, (BindEntry(handle, loader, l.member, #member), l.member != nullptr)}
      LORVEX_BIND(sqlite3_open, "DLL::SQlite3Open not found"),
      LORVEX_BIND(sqlite3_close, "DLL::SQlite3Close not found"),
      LORVEX_BIND(sqlite3_exec, "DLL::SQlite3Exe not found"),
      LORVEX_BIND(sqlite3_libversion, "DLL::SQliteLibversion not found"),
      LORVEX_BIND(sqlite3_errmsg, "DLL::SQlite3ErrorStringnot found"),
      LORVEX_BIND(sqlite3_get_table, "DLL::SQlite3GetTable not found"),
      LORVEX_BIND(sqlite3_free_table, "DLL::SQlite3FreeTable not found"),
      LORVEX_BIND(sqlite3_free, "DLL::SQlite3FreeMem not found"),
      LORVEX_BIND(sqlite3_complete, "DLL::SQlite3Complete not found"),
      LORVEX_BIND(sqlite3_last_insert_rowid, "DLL::SQlite3LastInsertRow not found"),
      LORVEX_BIND(sqlite3_interrupt, "DLL::SQlite3Cancel not found"),
      LORVEX_BIND(sqlite3_busy_timeout, "DLL::SQlite3Busytimeout not found"),
      LORVEX_BIND(sqlite3_busy_handler, "DLL::SQlite3BusyHandler not found"),
      LORVEX_BIND(sqlite3_changes, "DLL::SQlite3Changes not found"),
      LORVEX_BIND(sqlite3_prepare, "DLL::SQlite3Prepare not found"),
      LORVEX_BIND(sqlite3_finalize, "DLL::SQlite3Finalize not found"),
      LORVEX_BIND(sqlite3_reset, "DLL::SQlite3Reset not found"),
      LORVEX_BIND(sqlite3_step, "DLL::SQlite3Step not found"),
      LORVEX_BIND(sqlite3_column_blob, "DLL::SQlite3ColumnBlob not found"),
      LORVEX_BIND(sqlite3_column_bytes, "DLL::SQlite3ColumnBytes not found"),
      LORVEX_BIND(sqlite3_column_bytes16, "DLL::SQlite3ColumnBytes16 not found"),
      LORVEX_BIND(sqlite3_column_count, "DLL::SQlite3ColumnCount not found"),
      LORVEX_BIND(sqlite3_column_decltype, "DLL::SQlite3ColumnDeclType not found"),
      LORVEX_BIND(sqlite3_column_double, "DLL::SQlite3ColumnDouble not found"),
      LORVEX_BIND(sqlite3_column_int, "DLL::SQlite3ColumnInt not found"),
      LORVEX_BIND(sqlite3_column_int64, "DLL::SQlite3ColumnInt64 not found"),
      LORVEX_BIND(sqlite3_column_name, "DLL::SQlite3ColumnName not found"),
      LORVEX_BIND(sqlite3_column_text, "DLL::SQlite3ColumnText not found"),
      LORVEX_BIND(sqlite3_column_text16, "DLL::SQlite3ColumnText16 not found"),
      LORVEX_BIND(sqlite3_column_type, "DLL::SQlite3COlumnTypenot found"),
      LORVEX_BIND(sqlite3_bind_blob, "DLL::SQlite3BindBlob not found"),
      LORVEX_BIND(sqlite3_bind_text16, "DLL::SQlite3BindText16 not found"),
      LORVEX_BIND(sqlite3_bind_parameter_count, "DLL::SQlite3BindParameterCount not found"),
      LORVEX_BIND(sqlite3_create_collation, "DLL::SQlite3CreateCollation not found"),
      LORVEX_BIND(sqlite3_prepare_v2, "DLL::SQlite3PrepareV2 not found"),
      LORVEX_BIND(sqlite3_bind_text, "DLL::SQlite3BindText not found"),
      LORVEX_BIND(sqlite3_bind_int64, "DLL::SQlite3BindInt64 not found"),
      LORVEX_BIND(sqlite3_bind_double, "DLL::SQlite3BindDouble not found"),
      LORVEX_BIND(sqlite3_bind_null, "DLL::SQlite3BindNull not found"),
      LORVEX_BIND(sqlite3_open_v2, "DLL::SQlite3OpenV2 not found"),
#undef LORVEX_BIND
  };
  // A library that lacks one is unloaded again (by the shared pointer), so that no entry
  // point that was not found can ever be called.
  for (const auto& check : checks)
    if (!check.present) throw ESqlite3Error(check.message);
  return lib;
}

TSqlite3Library::~TSqlite3Library() {
  if (FLoader.Free) FLoader.Free(FHandle);
}

TSqlite3Statement::~TSqlite3Statement() { Finalize(); }

int TSqlite3Statement::Finalize() {
  if (!FStatement) return SQLITE_OK;
  FLibrary->sqlite3_reset(FStatement);
  const int result = FLibrary->sqlite3_finalize(FStatement);
  FStatement = nullptr;
  return result;
}

std::vector<std::string> TSqlite3Pragma::Statements() const {
  std::vector<std::string> result;
  if (TempCacheSize != 0) result.push_back(GetTempCacheSize());
  if (DefaultCacheSize != 0) result.push_back(GetDefaultCacheSize());
  if (!DefaultSynchronous.empty()) result.push_back(GetDefaultSynchronous());
  if (!DefaultTempStore.empty()) result.push_back(GetDefaultTempStore());
  if (!TempStore.empty()) result.push_back(GetTempStore());
  if (!Synchronous.empty()) result.push_back(GetSynchronous());
  return result;
}

void TSqlite3Pragma::describe(TPropertyVisitor& visitor) {
  visitor.Integer("TempCacheSize", TempCacheSize);
  visitor.Integer("DefaultCacheSize", DefaultCacheSize);
  visitor.String("DefaultSynchronous", DefaultSynchronous);
  visitor.String("DefaultTempStore", DefaultTempStore);
  visitor.String("TempStore", TempStore);
  visitor.String("Synchronous", Synchronous);
}

void TSqlite3Log::describe(TPropertyVisitor& visitor) {
  visitor.String("LogFile", LogFile);
  visitor.Boolean("LogDebugOut", LogDebugOut);
  visitor.Boolean("Append", Append);
  visitor.Boolean("LogSQL", LogSQL);
  visitor.Boolean("LogInternals", LogInternals);
}

int SystemNoCaseCollation(void*, int length1, const void* text1, int length2, const void* text2) {
  return CompareBytes(length1, text1, length2, text2, true);
}

int SystemCollation(void*, int length1, const void* text1, int length2, const void* text2) {
  return CompareBytes(length1, text1, length2, text2, false);
}

TSqlite3DB::TSqlite3DB(TComponent* owner) : TComponent(owner) {}

TSqlite3DB::~TSqlite3DB() {
  try {
    SetConnected(false);
  } catch (...) {
    // A destructor must not throw; the handle is released below regardless.
  }
  for (TSqlite3BaseQuery* query : FQueries) query->ConnectionGone(this);
  if (FHandle && FLibrary) FLibrary->sqlite3_close(FHandle);
}

void TSqlite3DB::describe(TPropertyVisitor& visitor) {
  visitor.Integer("TimeOut", FTimeOut, [this](int32_t v) { SetTimeOut(v); });
  visitor.String("CharacterEncoding", CharacterEncoding);
  visitor.String("TransactionType", TransactionType);
  visitor.String("Database", FDatabase, [this](const std::string& v) { SetDatabase(v); });
  visitor.String("DefaultExt", GetDefaultExt(), [this](const std::string& v) { SetDefaultExt(v); });
  visitor.String("DefaultDir", DefaultDir);
  visitor.String("Version", Version);
  visitor.String("DriverDLL", GetDriverDLL(), [this](const std::string& v) { SetDriverDLL(v); });
  visitor.Boolean("Connected", FConnected, [this](bool v) { SetConnected(v); });
  visitor.Boolean("MustExist", MustExist);
  visitor.Boolean("ExecuteInlineSQL", ExecuteInlineSQL);
}

void TSqlite3DB::SetSqliteInlineSQL(TSqlite3InlineSQL* script) {
  FSqliteInlineSQL = script;
  FreeNotification(script);
}

void TSqlite3DB::SetSqlitePragma(TSqlite3Pragma* pragma) {
  FSqlitePragma = pragma;
  FreeNotification(pragma);
}

void TSqlite3DB::SetSqliteLog(TSqlite3Log* log) {
  FSqliteLog = log;
  FreeNotification(log);
}

void TSqlite3DB::Notification(TComponent& removed) {
  if (&removed == FSqlitePragma) FSqlitePragma = nullptr;
  if (&removed == FSqliteLog) FSqliteLog = nullptr;
  if (&removed == FSqliteInlineSQL) FSqliteInlineSQL = nullptr;
}

void TSqlite3DB::SetDatabase(const std::string& name) {
  FDatabase = TrimText(name);
  if (SameText(FDatabase, ":memory:")) return;
  const std::string fileName = FDatabase.substr(FDatabase.find_last_of("\\/") + 1);
  if (fileName.find('.') == std::string::npos) FDatabase += FDefaultExt;
}

const std::string& TSqlite3DB::GetDefaultExt() {
  if (FDefaultExt.empty()) FDefaultExt = ".sqb";
  return FDefaultExt;
}

const std::string& TSqlite3DB::GetDriverDLL() {
  if (FDriverDLL.empty()) FDriverDLL = "SQLite3.dll";
  return FDriverDLL;
}

void TSqlite3DB::SetTimeOut(int32_t milliseconds) {
  FTimeOut = milliseconds;
  if (FConnected) FLibrary->sqlite3_busy_timeout(FHandle, FTimeOut);
}

void TSqlite3DB::SetConnected(bool connected) {
  if (connected == FConnected) return;
  if (connected)
    Connect();
  else
    Disconnect();
}

void TSqlite3DB::Open() {
  SetConnected(true);
  if (!FLibrary) SetConnected(false);
}

bool TSqlite3DB::LoadLibs() {
  FLibrary = TSqlite3Library::Load(GetDriverDLL(), Loader);
  return FLibrary != nullptr;
}

std::string TSqlite3DB::DatabaseFileName() {
  if (SameText(FDatabase, ":memory:")) return FDatabase;
  if (!DefaultDir.empty()) {
    if (DefaultDir.back() != '\\' && DefaultDir.back() != '/') DefaultDir += '\\';
    return DefaultDir + FDatabase;
  }
  if (!HasPathSeparator(FDatabase)) {
    std::error_code error;
    return std::filesystem::current_path(error).string() + kSeparator + FDatabase;
  }
  return FDatabase;
}

void TSqlite3DB::Connect() {
  FUTF8 = CharacterEncoding.empty() || SameText(CharacterEncoding, "utf8");
  if (FDatabase.empty()) throw ESqlite3Error("Missing database property");
  const std::string name = DatabaseFileName();
  const bool inMemory = SameText(name, ":memory:");
  if (MustExist && !inMemory && !os::FileExists(name)) throw EDatabaseError("Database " + name + " does not exist");
  if (!FLibrary && !LoadLibs()) throw ESqlite3Error("Could not load SQLite library(" + GetDriverDLL() + ")");
  Version = FLibrary->sqlite3_libversion();
  FHandle = nullptr;
  if (BeforeConnect) BeforeConnect(this);
  // The library knows the in-memory database by its name in small letters only; any other
  // spelling would be a file of that name.
  OpenHandle(inMemory ? ":memory:" : NativeFileName(name));
  FLibrary->sqlite3_create_collation(FHandle, "systemnocase", 1, this, SystemNoCaseCollation);
  FLibrary->sqlite3_create_collation(FHandle, "system", 1, this, SystemCollation);
  // A connection whose own set-up failed is no connection: it closes and the failure is reported.
  try {
    if (AfterConnect) AfterConnect(this);
    if (FSqlitePragma) ExecPragma();
    if (ExecuteInlineSQL && FSqliteInlineSQL) RunInlineSQL();
  } catch (...) {
    CloseHandle();
    throw;
  }
}

void TSqlite3DB::OpenHandle(const std::string& fileName) {
  // Texts are UTF-8 in this program, which is what the library takes for file names.
  const int opened = ReadOnly ? FLibrary->sqlite3_open_v2(fileName.c_str(), &FHandle, SQLITE_OPEN_READONLY, nullptr)
                              : FLibrary->sqlite3_open(fileName.c_str(), &FHandle);
  std::string failure;
  if (opened != SQLITE_OK || !FHandle) {
    failure = FHandle ? FLibrary->sqlite3_errmsg(FHandle) : "out of memory";
  } else {
    // The library opens lazily: reading the schema tells a database from a folder or a foreign file.
    // That read already waits for another connection's lock, as every later one does.
    FConnected = true;
    if (FTimeOut > 0) FLibrary->sqlite3_busy_timeout(FHandle, FTimeOut);
    try {
      ExecuteSQL("select count(*) from sqlite_master");
    } catch (const Exception& e) {
      failure = e.Message();
    }
  }
  if (!failure.empty()) {
    CloseHandle();
    throw ESqlite3Error("Cannot open database: " + failure);
  }
  FConnected = true;
}

void TSqlite3DB::RunInlineSQL() {
  ExecuteInlineSQL = false;
  std::string script;
  for (const std::string& line : FSqliteInlineSQL->SQL) script += line + "\r\n";
  StartTransactionAs("");
  try {
    ExecuteSQL(script);
    Commit();
  } catch (...) {
    try {
      RollBack();
    } catch (...) {
      // The first failure is the one worth reporting.
    }
    throw;
  }
}

void TSqlite3DB::CloseQueries() {
  // Copied: a query that closes may detach itself.
  const std::vector<TSqlite3BaseQuery*> queries = FQueries;
  for (TSqlite3BaseQuery* query : queries) query->Close();
}

void TSqlite3DB::CloseHandle() {
  CloseQueries();
  if (FHandle) FLibrary->sqlite3_close(FHandle);
  FHandle = nullptr;
  FLibrary.reset();
  FConnected = false;
  FInTransaction = false;
}

void TSqlite3DB::Disconnect() {
  if (BeforeDisconnect) BeforeDisconnect(this);
  CloseQueries();
  if (FHandle && FLibrary->sqlite3_close(FHandle) != SQLITE_OK)
    throw ESqlite3Error(std::string("Cannot close database: ") + FLibrary->sqlite3_errmsg(FHandle));
  FHandle = nullptr;
  CloseHandle();
  if (AfterDisconnect) AfterDisconnect(this);
}

void TSqlite3DB::RaiseSQLiteError() {
  throw EDatabaseError(FLibrary && FHandle ? FLibrary->sqlite3_errmsg(FHandle) : "not connected");
}

void TSqlite3DB::BindValues(sqlite3_stmt* statement, const TSqlValues& values) {
  const TSqlite3Library& lib = *FLibrary;
  const int places = lib.sqlite3_bind_parameter_count(statement);
  for (int place = 1; place <= places && place <= static_cast<int>(values.size()); ++place) {
    const TSqlValue& value = values[static_cast<size_t>(place - 1)];
    int result = SQLITE_OK;
    switch (value.Kind) {
      case TSqlValue::vkNull:
        result = lib.sqlite3_bind_null(statement, place);
        break;
      case TSqlValue::vkInteger:
        result = lib.sqlite3_bind_int64(statement, place, value.Int);
        break;
      case TSqlValue::vkFloat:
        result = lib.sqlite3_bind_double(statement, place, value.Float);
        break;
      case TSqlValue::vkText:
        result = lib.sqlite3_bind_text(statement, place, value.Bytes.data(), static_cast<int>(value.Bytes.size()),
                                       kTransient);
        break;
      case TSqlValue::vkBlob:
        result = lib.sqlite3_bind_blob(statement, place, value.Bytes.data(), static_cast<int>(value.Bytes.size()),
                                       kTransient);
        break;
    }
    if (result != SQLITE_OK) RaiseSQLiteError();
  }
}

std::unique_ptr<TSqlite3Statement> TSqlite3DB::Prepare(const std::string& sql, const TSqlValues& values) {
  if (!FConnected) throw ESqlite3Error("no database connection");
  sqlite3_stmt* handle = nullptr;
  const char* tail = nullptr;
  if (FLibrary->sqlite3_prepare_v2(FHandle, sql.c_str(), static_cast<int>(sql.size()), &handle, &tail) != SQLITE_OK)
    RaiseSQLiteError();
  auto statement = std::make_unique<TSqlite3Statement>(FLibrary, handle);
  if (handle) BindValues(handle, values);
  return statement;
}

bool TSqlite3DB::StepResult(int result) {
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  RaiseSQLiteError();
}

bool TSqlite3DB::Step(TSqlite3Statement& statement) {
  return statement.Handle() && StepResult(FLibrary->sqlite3_step(statement.Handle()));
}

bool TSqlite3DB::FetchRow(TSqlite3Statement& statement) {
  if (!statement.Handle()) return false;
  // The library has already waited TimeOut for the lock.
  const int result = FLibrary->sqlite3_step(statement.Handle());
  if (result == SQLITE_BUSY && OnBusy) {
    OnBusy(this);
    return false;
  }
  return StepResult(result);
}

int TSqlite3DB::ExecuteSQL(const std::string& sql, const TSqlValues& values) {
  if (!FConnected) throw ESqlite3Error("no database connection");
  const char* rest = sql.c_str();
  const char* end = rest + sql.size();
  while (rest < end) {
    sqlite3_stmt* handle = nullptr;
    const char* tail = nullptr;
    if (FLibrary->sqlite3_prepare_v2(FHandle, rest, static_cast<int>(end - rest), &handle, &tail) != SQLITE_OK)
      RaiseSQLiteError();
    rest = tail && tail > rest ? tail : end;
    if (!handle) continue;  // blanks, comments or a lone ";"
    TSqlite3Statement statement(FLibrary, handle);
    BindValues(handle, values);
    while (Step(statement)) {
    }
    if (statement.Finalize() != SQLITE_OK) RaiseSQLiteError();
  }
  return SQLITE_OK;
}

int TSqlite3DB::RowsAffected() const { return FConnected ? FLibrary->sqlite3_changes(FHandle) : -1; }

int64_t TSqlite3DB::LastInsertRowId() const { return FConnected ? FLibrary->sqlite3_last_insert_rowid(FHandle) : -1; }

void TSqlite3DB::RunTransactionStatement(const char* sql, bool inTransaction) {
  if (!FConnected) SetConnected(true);
  if (!FConnected) return;
  ExecuteSQL(sql);
  FInTransaction = inTransaction;
}

void TSqlite3DB::StartTransactionAs(const std::string& kind) {
  const std::string k = kind.empty() ? TransactionType : kind;
  if (SameText(k, "DEFERRED"))
    StartDeferredTransaction();
  else if (SameText(k, "IMMEDIATE"))
    StartImmediateTransaction();
  else if (SameText(k, "EXCLUSIVE"))
    StartExclusiveTransaction();
  else
    StartTransaction();
}

void TSqlite3DB::StartTransaction() { RunTransactionStatement("begin transaction", true); }
void TSqlite3DB::StartDeferredTransaction() { RunTransactionStatement("begin deferred transaction", true); }
void TSqlite3DB::StartImmediateTransaction() { RunTransactionStatement("begin immediate transaction", true); }
void TSqlite3DB::StartExclusiveTransaction() { RunTransactionStatement("begin exclusive transaction", true); }
void TSqlite3DB::Commit() { RunTransactionStatement("commit transaction", false); }
void TSqlite3DB::RollBack() { RunTransactionStatement("rollback transaction", false); }

void TSqlite3DB::ExecPragma() {
  if (!FConnected) SetConnected(true);
  if (!FConnected || !FSqlitePragma) return;
  for (const std::string& statement : FSqlitePragma->Statements()) ExecuteSQL(statement);
}

void TSqlite3DB::AttachQuery(TSqlite3BaseQuery* query) {
  if (std::find(FQueries.begin(), FQueries.end(), query) == FQueries.end()) FQueries.push_back(query);
}

void TSqlite3DB::DetachQuery(TSqlite3BaseQuery* query) { std::erase(FQueries, query); }
