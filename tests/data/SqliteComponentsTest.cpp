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

// A detail, its data source and its master freed in every order, each survivor used after each
// free: nothing reads what is gone. A detail whose source has gone (or that takes another) is no
// longer closed and reopened by the master it followed.
TEST(SqliteComponentsTest, AMasterItsSourceAndItsDetailFreedInAnyOrder) {
  auto db = NewDatabase("sqlite_freed_master",
                        "create table c (id integer); insert into c values (1), (2);"
                        "create table o (customer integer); insert into o values (1), (1), (2)");
  enum { kMaster, kSource, kDetail };
  const int orders[][3] = {{kMaster, kSource, kDetail}, {kMaster, kDetail, kSource}, {kSource, kMaster, kDetail},
                           {kSource, kDetail, kMaster}, {kDetail, kMaster, kSource}, {kDetail, kSource, kMaster}};
  for (const auto& order : orders) {
    SCOPED_TRACE(std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]));
    auto master = NewQuery(*db, {"select * from c order by id"});
    auto source = std::make_unique<TDataSource>(nullptr);
    source->SetDataSet(master.get());
    auto detail = NewQuery(*db, {"select * from o"});
    detail->SetMasterFields("customer=id");
    detail->SetDataSource(source.get());
    master->Open();
    detail->Open();
    ASSERT_EQ(detail->GetRecordCount(), 2);
    for (const int gone : order) {
      if (gone == kMaster) master.reset();
      if (gone == kSource) source.reset();
      if (gone == kDetail) detail.reset();
      if (detail && !source) {
        detail->Close();
        detail->Open();  // a plain query now: every row
      }
      if (master) {
        master->First();
        master->Next();
        master->GetRecNo();
      }
      if (detail && !source) {
        EXPECT_TRUE(detail->Active());
        EXPECT_EQ(detail->GetRecordCount(), 3);
      }
      if (detail && source && !master) {
        EXPECT_EQ(ThrownMessage<ESqlite3Error>([&] { detail->Open(); }), "master dataset undefined");
      }
    }
  }
  // Another source, or none, takes the detail out of the master's hands too.
  auto master = NewQuery(*db, {"select * from c order by id"});
  TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = NewQuery(*db, {"select * from o"});
  detail->SetMasterFields("customer=id");
  detail->SetDataSource(&source);
  master->Open();
  detail->Open();
  detail->SetDataSource(nullptr);
  detail->Close();
  detail->Open();
  master->Next();
  EXPECT_TRUE(detail->Active());
  EXPECT_EQ(detail->GetRecordCount(), 3);
}

}  // namespace
