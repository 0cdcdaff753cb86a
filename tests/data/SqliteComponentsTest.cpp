// The components a connection or a query names may be freed before it: it forgets them, and
// nothing reads what is gone (AddressSanitizer watches the native run).
#include <gtest/gtest.h>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

TEST(SqliteComponentsTest, AConnectionForgetsItsFreedCompanions) {
  auto db = NewConnection("sqlite_freed_companions");
  auto pragma = std::make_unique<TSqlite3Pragma>(nullptr);
  pragma->TempStore = "1 2";  // would fail the connect
  auto script = std::make_unique<TSqlite3InlineSQL>(nullptr);
  script->SQL = {"create table t (a);"};
  auto log = std::make_unique<TSqlite3Log>(nullptr);
  db->SetSqlitePragma(pragma.get());
  db->SetSqliteInlineSQL(script.get());
  db->SetSqliteLog(log.get());
  db->ExecuteInlineSQL = true;
  pragma.reset();
  script.reset();
  log.reset();
  EXPECT_EQ(db->GetSqlitePragma(), nullptr);
  EXPECT_EQ(db->GetSqliteInlineSQL(), nullptr);
  EXPECT_EQ(db->GetSqliteLog(), nullptr);
  db->SetConnected(true);
  EXPECT_EQ(Scalar(*db, "select count(*) from sqlite_master"), "0");  // the script is gone too
  // Freed after the connection, the companions have nobody to tell.
  TSqlite3Pragma later(nullptr);
  db->SetSqlitePragma(&later);
  db.reset();
}

TEST(SqliteComponentsTest, AQueryForgetsItsFreedUpdateSQLMasterAndLookupDataset) {
  auto db = NewDatabase("sqlite_freed_update",
                        "create table t (id integer, v); insert into t values (1, 'a');"
                        "create table c (id integer, name); insert into c values (1, 'Ann')");
  auto update = std::make_unique<TSqlite3UpdateSQL>(nullptr);
  update->UpdateSQL = {"update t set v = :v where id = :id"};
  auto query = NewQuery(*db, {"select * from t"});
  query->SetUpdateSQL(update.get());
  auto names = NewQuery(*db, {"select * from c"});
  names->Open();
  query->AddLookupField({"name", TFieldType::ftString, 20}, {"id", names.get(), "id", "name"});
  auto source = std::make_unique<TDataSource>(nullptr);
  source->SetDataSet(names.get());
  auto detail = NewQuery(*db, {"select * from t"});
  detail->SetMasterFields("id=id");
  detail->SetDataSource(source.get());

  query->Open();
  EXPECT_EQ(query->FieldByName("name").AsString(), "Ann");
  names.reset();
  EXPECT_EQ(source->GetDataSet(), nullptr);
  query->Close();
  query->Open();
  EXPECT_TRUE(query->FieldByName("name").IsNull());
  update.reset();
  EXPECT_EQ(query->GetUpdateSQL(), nullptr);
  query->Edit();
  query->FieldByName("v").SetAsString("b");
  EXPECT_EQ(ThrownMessage<ESqlite3Error>([&] { query->Post(); }), "Missing TSqlite3UpdateSQL component");
  query->Cancel();

  EXPECT_EQ(ThrownMessage<ESqlite3Error>([&] { detail->Open(); }), "master dataset undefined");
  source.reset();
  EXPECT_EQ(detail->GetDataSource(), nullptr);
  detail->Open();  // no master any more: every row
  EXPECT_EQ(Column(*detail, "v"), "a;");
}

}  // namespace
