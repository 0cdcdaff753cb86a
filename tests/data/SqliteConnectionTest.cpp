#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

// The real library with some entry points hidden, as a stub library would lack them.
std::function<void(TSqlite3DB&)> Hiding(std::set<std::string> hidden) {
  return [hidden](TSqlite3DB& db) {
    db.Loader = TLibraryLoader::System();
    auto symbol = db.Loader.Symbol;
    db.Loader.Symbol = [symbol, hidden](void* library, const char* name) -> void* {
      return hidden.count(name) ? nullptr : symbol(library, name);
    };
  };
}

std::string ConnectError(TSqlite3DB& db) {
  return ThrownMessage<Exception>([&] { db.SetConnected(true); });
}

TEST(SqliteConnectionTest, AFailedConnectSaysWhyAndKeepsNothingOpen) {
  TSqlite3InlineSQL script(nullptr);
  script.SQL = {"insert into nowhere values (1);"};
  TSqlite3Pragma pragma(nullptr);
  pragma.TempStore = "1 2";
  const struct {
    const char* Name;
    std::function<void(TSqlite3DB&)> SetUp;
    const char* Error;
  } cases[] = {
      {"an entry point missing", Hiding({"sqlite3_bind_text16"}), "DLL::SQlite3BindText16 not found"},
      {"the first missing is named", Hiding({"sqlite3_step", "sqlite3_close"}), "DLL::SQlite3Close not found"},
      {"no library", [](TSqlite3DB& db) { db.SetDriverDLL("no-such-sqlite-library.dll"); },
       "Could not load SQLite library(no-such-sqlite-library.dll)"},
      {"no database name", [](TSqlite3DB& db) { db.SetDatabase(""); }, "Missing database property"},
      {"a database that must exist",
       [](TSqlite3DB& db) {
         db.MustExist = true;
         db.DefaultDir = "nowhere";
         db.SetDatabase("missing.db");
       },
       "Database nowhere\\missing.db does not exist"},
      // The library's own message, however lazily it opens.
      {"a file that is no database",
       [](TSqlite3DB& db) { testpaths::WriteText(db.GetDatabase(), std::string(4096, 'x')); },
       "Cannot open database: file is not a database"},
      {"a failing inline script",
       [&](TSqlite3DB& db) {
         db.SetSqliteInlineSQL(&script);
         db.ExecuteInlineSQL = true;
       },
       "no such table: nowhere"},
      {"a failing pragma", [&](TSqlite3DB& db) { db.SetSqlitePragma(&pragma); }, "near \"2\": syntax error"},
      {"a failing AfterConnect",
       [](TSqlite3DB& db) { db.AfterConnect = [](TSqlite3DB*) { throw ESqlite3Error("refused"); }; }, "refused"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto db = NewConnection("sqlite_connect");
    c.SetUp(*db);
    EXPECT_EQ(ConnectError(*db), c.Error);
    EXPECT_FALSE(db->GetConnected());
    EXPECT_EQ(db->Handle(), nullptr);
    EXPECT_EQ(db->Library(), nullptr);  // a library that lacks an entry point is never kept
  }
}

TEST(SqliteConnectionTest, ExecuteRunsEveryStatementAndReportsErrors) {
  auto db = NewDatabase("sqlite_exec", "");
  EXPECT_EQ(db->ExecuteSQL(""), 0);
  EXPECT_EQ(db->ExecuteSQL("  ;  -- nothing\n"), 0);
  db->ExecuteSQL("create table t (a); insert into t values (1);\r\n insert into t values (2);  ");
  db->ExecuteSQL("insert into t values (?1); insert into t values (?1 + 1)", {TSqlValue::OfInteger(10)});
  EXPECT_EQ(db->RowsAffected(), 1);
  EXPECT_EQ(Scalar(*db, "select group_concat(a) from t"), "1,2,10,11");
  db->ExecuteSQL("select * from t");  // a select that returns rows runs to its end
  EXPECT_EQ(ThrownMessage<EDatabaseError>([&] { db->ExecuteSQL("insert into nowhere values (1)"); }),
            "no such table: nowhere");
}

TEST(SqliteConnectionTest, TransactionsAndAnInlineScriptThatFailsIsRolledBack) {
  auto db = NewDatabase("sqlite_tx", "create table t (a)");
  db->StartTransactionAs("immediate");
  EXPECT_TRUE(db->InTransaction());
  db->ExecuteSQL("insert into t values (1)");
  db->RollBack();
  EXPECT_FALSE(db->InTransaction());
  db->ExecuteSQL("insert into t values (2)");

  TSqlite3InlineSQL script(nullptr);
  script.SQL = {"insert into t values (3);", "insert into nowhere values (4);"};
  db->SetConnected(false);
  db->SetSqliteInlineSQL(&script);
  db->ExecuteInlineSQL = true;
  EXPECT_THROW(db->SetConnected(true), EDatabaseError);
  EXPECT_FALSE(db->ExecuteInlineSQL);
  EXPECT_EQ(Scalar(*db, "select count(*) || ',' || sum(a) from t"), "1,2");
}

// A second connection holds the write lock: a read waits TimeOut once, tells OnBusy once and ends
// its rows; a write waits as long, tells nobody and raises. A second wait would show in the time.
TEST(SqliteConnectionTest, ALockedDatabaseIsWaitedForOnceWithinTheTimeOut) {
  auto db = NewDatabase("sqlite_busy", "create table t (a); insert into t values (1)");
  auto other = Connection(db->GetDatabase());
  other->SetConnected(true);
  auto query = NewQuery(*db, {"select a from t"});
  query->Open();  // the schema is read before the lock
  query->Close();
  other->StartExclusiveTransaction();
  int busy = 0;
  db->OnBusy = [&](TSqlite3DB* sender) {
    EXPECT_EQ(sender, db.get());
    ++busy;
  };
  constexpr int TimeOut = 400;
  db->SetTimeOut(TimeOut);
  const auto waitedOnce = [&](const std::function<void()>& access, int busyCalls) {
    busy = 0;
    const auto start = std::chrono::steady_clock::now();
    access();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(TimeOut - 50));
    EXPECT_LT(waited, std::chrono::milliseconds(TimeOut + 250));
    EXPECT_EQ(busy, busyCalls);
  };
  waitedOnce([&] { query->Open(); }, 1);
  EXPECT_TRUE(query->IsEmpty());
  waitedOnce([&] { EXPECT_THROW(db->ExecuteSQL("insert into t values (2)"), EDatabaseError); }, 0);
  other->RollBack();
  query->Close();
  query->Open();
  EXPECT_EQ(query->GetRecordCount(), 1);
}

TEST(SqliteConnectionTest, ConnectingTwiceKeepsOneDatabaseAndDisconnectClosesTheQueriesButKeepsTheLibrary) {
  auto db = NewDatabase("sqlite_disc", "create table t (a); insert into t values (1); insert into t values (2)");
  sqlite3* handle = db->Handle();
  db->SetConnected(true);  // connecting again keeps the one database
  db->Open();
  EXPECT_EQ(db->Handle(), handle);
  auto query = NewQuery(*db, {"select * from t"}), forward = NewQuery(*db, {"select * from t"});
  forward->UniDirectional = true;
  query->Open();
  forward->Open();
  int disconnects = 0;
  db->AfterDisconnect = [&](TSqlite3DB*) { ++disconnects; };
  db->SetConnected(false);
  EXPECT_FALSE(query->Active());
  EXPECT_FALSE(forward->Active());
  db->SetConnected(false);
  EXPECT_EQ(disconnects, 1);
  query->Open();  // connects again
  EXPECT_EQ(query->GetRecordCount(), 2);
}

TEST(SqliteConnectionTest, AConnectionWaitsForALockFromItsFirstReadOn) {
  auto writer = NewDatabase("sqlite_open_wait", "create table t (a integer)");
  writer->ExecuteSQL("begin exclusive");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    writer->ExecuteSQL("commit");
  });
  auto reader = Connection(writer->GetDatabase());
  reader->SetTimeOut(10000);
  EXPECT_NO_THROW(reader->SetConnected(true));
  release.join();
}

TEST(SqliteConnectionTest, AReadOnlyConnectionRefusesToWrite) {
  auto reader = Connection(NewDatabase("sqlite_read_only", "create table t (a integer)")->GetDatabase());
  reader->ReadOnly = true;
  reader->SetConnected(true);
  EXPECT_NO_THROW(reader->ExecuteSQL("select count(*) from t"));
  EXPECT_THROW(reader->ExecuteSQL("insert into t values (1)"), Exception);
}

}  // namespace
