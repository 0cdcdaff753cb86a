#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <set>

#include "data/sqlite/SQLite3DB.h"
#include "data/sqlite/SQLite3Query.h"
#include "tests/data/SqliteTestSupport.h"

namespace {

using sqlitetest::NewConnection;
using sqlitetest::NewDatabase;

// The real library with some entry points hidden, as a stub library would lack them.
TLibraryLoader Hiding(std::set<std::string> hidden) {
  TLibraryLoader loader = TLibraryLoader::System();
  auto symbol = loader.Symbol;
  loader.Symbol = [symbol, hidden](void* library, const char* name) -> void* {
    return hidden.count(name) ? nullptr : symbol(library, name);
  };
  return loader;
}

std::string ConnectError(TSqlite3DB& db) {
  try {
    db.SetConnected(true);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

TEST(SqliteConnectionTest, AMissingEntryPointIsNamedAndTheConnectFails) {
  auto db = NewConnection("sqlite_stub");
  db->Loader = Hiding({"sqlite3_bind_text16"});
  EXPECT_EQ(ConnectError(*db), "DLL::SQlite3BindText16 not found");
  EXPECT_FALSE(db->GetConnected());
  db->Loader = Hiding({"sqlite3_step", "sqlite3_close"});
  EXPECT_EQ(ConnectError(*db), "DLL::SQlite3Close not found");
  db->Loader = Hiding({"sqlite3_bind_null"});
  EXPECT_EQ(ConnectError(*db), "DLL::SQlite3BindNull not found");
  db->Loader = Hiding({"sqlite3_prepare_v2"});
  EXPECT_EQ(ConnectError(*db), "DLL::SQlite3PrepareV2 not found");
  // Each failed load left nothing behind: the full library connects.
  db->Loader = TLibraryLoader::System();
  db->SetConnected(true);
  EXPECT_TRUE(db->GetConnected());
  EXPECT_FALSE(db->Version.empty());
}

TEST(SqliteConnectionTest, ALibraryThatDoesNotLoad) {
  auto db = NewConnection("sqlite_nolib");
  db->SetDriverDLL("no-such-sqlite-library.dll");
  EXPECT_EQ(ConnectError(*db), "Could not load SQLite library(no-such-sqlite-library.dll)");
  EXPECT_FALSE(db->GetConnected());
}

TEST(SqliteConnectionTest, DatabaseNamesAndDefaults) {
  TSqlite3DB db(nullptr);
  EXPECT_EQ(db.GetDriverDLL(), "SQLite3.dll");
  db.SetDatabase("  notes\t");
  EXPECT_EQ(db.GetDatabase(), "notes");
  EXPECT_EQ(db.GetDefaultExt(), ".sqb");
  db.SetDatabase("notes");
  EXPECT_EQ(db.GetDatabase(), "notes.sqb");
  db.SetDatabase(":MEMORY:");
  EXPECT_EQ(db.GetDatabase(), ":MEMORY:");
  EXPECT_EQ(db.DatabaseFileName(), ":MEMORY:");
  db.SetDatabase("a.db");
  db.DefaultDir = "C:\\data";
  EXPECT_EQ(db.DatabaseFileName(), "C:\\data\\a.db");
  EXPECT_EQ(db.DefaultDir, "C:\\data\\");
  db.DefaultDir.clear();
  db.SetDatabase("C:\\x\\a.db");
  EXPECT_EQ(db.DatabaseFileName(), "C:\\x\\a.db");
  EXPECT_EQ(ConnectError(*std::make_unique<TSqlite3DB>(nullptr)), "Missing database property");
}

// Records the names of the published properties and sets the ones named in Values.
class TNameRecorder : public TPropertyVisitor {
 public:
  std::vector<std::string> Names;
  void Integer(const char* name, int32_t, const Setter<int32_t>& set) override {
    Names.push_back(name);
    if (std::string(name) == "TimeOut") set(250);
  }
  void Boolean(const char* name, bool, const Setter<bool>&) override { Names.push_back(name); }
  void String(const char* name, const std::string&, const Setter<const std::string&>& set) override {
    Names.push_back(name);
    if (std::string(name) == "Database") set(" notes ");
  }
  void Enumeration(const char* name, int, std::span<const char* const>, const Setter<int>&) override {
    Names.push_back(name);
  }
  void Strings(const char* name, TStringList&) override { Names.push_back(name); }
  void Collection(const char* name, TCollection&) override { Names.push_back(name); }
  void Object(const char* name, TPersistent&) override { Names.push_back(name); }
};

TEST(SqliteConnectionTest, PublishedPropertiesGoThroughTheirSetters) {
  TSqlite3DB db(nullptr);
  TNameRecorder recorder;
  db.describe(recorder);
  EXPECT_EQ(recorder.Names,
            (std::vector<std::string>{"TimeOut", "CharacterEncoding", "TransactionType", "Database", "DefaultExt",
                                      "DefaultDir", "Version", "DriverDLL", "Connected", "MustExist",
                                      "ExecuteInlineSQL"}));
  EXPECT_EQ(db.GetTimeOut(), 250);
  EXPECT_EQ(db.GetDatabase(), "notes");  // trimmed; the extension was read only after the name
}

TEST(SqliteConnectionTest, OpeningChecksTheFile) {
  auto missing = NewConnection("sqlite_open", "missing.db");
  missing->MustExist = true;
  EXPECT_EQ(ConnectError(*missing), "Database " + missing->GetDatabase() + " does not exist");

  // A folder, and a file that is no database: the library's own message, nothing kept open.
  auto folder = NewConnection("sqlite_open2", "");
  folder->SetDatabase(testpaths::FreshFolder("sqlite_open2") + "sub.db");
  std::filesystem::create_directories(folder->GetDatabase());
  const std::string error = ConnectError(*folder);
  EXPECT_EQ(error.rfind("Cannot open database: ", 0), 0u) << error;
  EXPECT_GT(error.size(), std::strlen("Cannot open database: "));
  EXPECT_FALSE(folder->GetConnected());
  EXPECT_EQ(folder->Library(), nullptr);

  auto foreign = NewConnection("sqlite_open3", "foreign.db");
  ASSERT_TRUE(os::WriteFileReplacing(foreign->GetDatabase(), std::string(4096, 'x')));
  EXPECT_EQ(ConnectError(*foreign).rfind("Cannot open database: ", 0), 0u);
}

TEST(SqliteConnectionTest, ConnectingTwiceKeepsOneDatabase) {
  auto db = NewDatabase("sqlite_twice", "create table t (a)");
  sqlite3* handle = db->Handle();
  db->SetConnected(true);
  EXPECT_EQ(db->Handle(), handle);
  db->Open();
  EXPECT_EQ(db->Handle(), handle);
  db->SetConnected(false);
  EXPECT_EQ(db->Handle(), nullptr);
  db->SetConnected(false);
  db->SetConnected(true);
  EXPECT_EQ(db->ExecuteSQL("insert into t values (1)"), 0);
}

TEST(SqliteConnectionTest, ExecuteRunsEveryStatementAndReportsErrors) {
  auto db = NewDatabase("sqlite_exec", "");
  EXPECT_EQ(db->ExecuteSQL(""), 0);
  EXPECT_EQ(db->ExecuteSQL("  ;  -- nothing\n"), 0);
  db->ExecuteSQL("create table t (a); insert into t values (1);\r\n insert into t values (2);  ");
  db->ExecuteSQL("insert into t values (?1); insert into t values (?1 + 1)", {TSqlValue::OfInteger(10)});
  EXPECT_EQ(db->RowsAffected(), 1);
  // A select that returns rows runs to its end.
  db->ExecuteSQL("select * from t");
  try {
    db->ExecuteSQL("insert into nowhere values (1)");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("no such table: nowhere"), std::string::npos);
  }
  try {
    db->ExecuteSQL("create table u (a unique); insert into u values (1); insert into u values (1)");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("UNIQUE"), std::string::npos);
  }
}

TEST(SqliteConnectionTest, TransactionsAndInlineScripts) {
  auto db = NewDatabase("sqlite_tx", "create table t (a)");
  db->StartTransactionAs("immediate");
  EXPECT_TRUE(db->InTransaction());
  db->ExecuteSQL("insert into t values (1)");
  db->RollBack();
  EXPECT_FALSE(db->InTransaction());
  db->StartTransactionAs("whatever");
  db->ExecuteSQL("insert into t values (2)");
  db->Commit();

  TSqlite3InlineSQL script(nullptr);
  script.SQL = {"insert into t values (3);", "insert into nowhere values (4);"};
  db->SetConnected(false);
  db->SqliteInlineSQL = &script;
  db->ExecuteInlineSQL = true;
  EXPECT_THROW(db->SetConnected(true), EDatabaseError);
  EXPECT_FALSE(db->ExecuteInlineSQL);
  TSqlite3Query query(nullptr);
  query.SetConnection(db.get());
  query.SQL().Add("select count(*) as n, sum(a) as s from t");
  query.Open();
  EXPECT_EQ(query.FieldByName("n").AsInteger(), 1);  // the failing script was rolled back
  EXPECT_EQ(query.FieldByName("s").AsInteger(), 2);
}

TEST(SqliteConnectionTest, AFailingSetUpLeavesTheConnectionClosed) {
  TSqlite3InlineSQL script(nullptr);
  script.SQL = {"insert into nowhere values (1);"};
  TSqlite3Pragma pragma(nullptr);
  pragma.TempStore = "1 2";
  const std::function<void(TSqlite3DB&)> setUps[] = {
      [&](TSqlite3DB& db) {
        db.SqliteInlineSQL = &script;
        db.ExecuteInlineSQL = true;
      },
      [&](TSqlite3DB& db) { db.SqlitePragma = &pragma; },
      [](TSqlite3DB& db) { db.AfterConnect = [](TSqlite3DB*) { throw ESqlite3Error("refused"); }; },
  };
  for (const auto& setUp : setUps) {
    SCOPED_TRACE(&setUp - setUps);
    auto db = NewConnection("sqlite_setup");
    setUp(*db);
    EXPECT_NE(ConnectError(*db), "");
    EXPECT_FALSE(db->GetConnected());
    EXPECT_EQ(db->Handle(), nullptr);
  }
}

// A second connection holds the write lock: a read waits TimeOut once and ends its rows, a
// write waits as long and raises.
TEST(SqliteConnectionTest, ALockedDatabaseIsWaitedForOnceWithinTheTimeOut) {
  auto db = NewDatabase("sqlite_busy", "create table t (a); insert into t values (1)");
  auto other = NewConnection("sqlite_busy_other");
  other->SetDatabase(db->GetDatabase());
  other->SetConnected(true);
  TSqlite3Query query(nullptr);
  query.SetConnection(db.get());
  query.SQL().Add("select a from t");
  query.Open();  // the schema is read before the lock
  query.Close();
  other->StartExclusiveTransaction();
  int busy = 0;
  db->OnBusy = [&](TSqlite3DB* sender) {
    EXPECT_EQ(sender, db.get());
    ++busy;
  };
  db->SetTimeOut(300);
  using Clock = std::chrono::steady_clock;
  const auto waited = [](Clock::time_point start) {
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(milliseconds, 250);
    EXPECT_LT(milliseconds, 1500);
  };
  auto start = Clock::now();
  query.Open();
  waited(start);
  EXPECT_TRUE(query.IsEmpty());
  EXPECT_EQ(busy, 1);
  start = Clock::now();
  EXPECT_THROW(db->ExecuteSQL("insert into t values (2)"), EDatabaseError);
  waited(start);
  EXPECT_EQ(busy, 1);
  other->RollBack();
  query.Close();
  query.Open();
  EXPECT_EQ(query.GetRecordCount(), 1);
}

TEST(SqliteConnectionTest, PragmasAndTimeOut) {
  TSqlite3Pragma pragma(nullptr);
  pragma.TempCacheSize = 500;
  pragma.Synchronous = "OFF";
  EXPECT_EQ(pragma.Statements(), (std::vector<std::string>{"pragma cache_size=500", "pragma synchronous=OFF"}));
  auto db = NewConnection("sqlite_pragma");
  db->SqlitePragma = &pragma;
  db->SetTimeOut(5000);
  db->SetConnected(true);
  TSqlite3Query query(nullptr);
  query.SetConnection(db.get());
  query.SQL().Add("pragma cache_size");
  query.Open();
  EXPECT_EQ(query.Fields(0).AsInteger(), 500);
  db->SetTimeOut(10);
  EXPECT_EQ(db->GetTimeOut(), 10);
}

TEST(SqliteConnectionTest, DisconnectClosesTheQueriesAndKeepsTheLibraryForOpenStatements) {
  auto db = NewDatabase("sqlite_disc", "create table t (a); insert into t values (1); insert into t values (2)");
  TSqlite3Query query(nullptr), forward(nullptr);
  query.SetConnection(db.get());
  forward.SetConnection(db.get());
  query.SQL().Add("select * from t");
  forward.SQL().Add("select * from t");
  forward.UniDirectional = true;
  query.Open();
  forward.Open();
  int disconnects = 0;
  db->AfterDisconnect = [&](TSqlite3DB*) { ++disconnects; };
  db->SetConnected(false);
  EXPECT_FALSE(query.Active());
  EXPECT_FALSE(forward.Active());
  EXPECT_EQ(disconnects, 1);
  // Opening again connects again.
  query.Open();
  EXPECT_EQ(query.GetRecordCount(), 2);
}

TEST(SqliteConnectionTest, CollationsCompareBytes) {
  auto db = NewDatabase("sqlite_coll", "create table t (a); insert into t values ('b'); insert into t values ('A');"
                                       "insert into t values ('a')");
  TSqlite3Query query(nullptr);
  query.SetConnection(db.get());
  query.SQL().Add("select a from t order by a collate systemnocase, a collate system");
  query.Open();
  std::string order;
  for (; !query.Eof(); query.Next()) order += query.Fields(0).AsString();
  EXPECT_EQ(order, "Aab");
  EXPECT_LT(SystemNoCaseCollation(nullptr, 2, "ab", 3, "ABc"), 0);
  EXPECT_EQ(SystemNoCaseCollation(nullptr, 2, "ab", 2, "AB"), 0);
  EXPECT_GT(SystemCollation(nullptr, 2, "ab", 2, "AB"), 0);
}

}  // namespace
