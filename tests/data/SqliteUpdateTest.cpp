#include <gtest/gtest.h>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

const char* const kNotesSchema = "create table Notes (id integer primary key, data text, created datetime)";

// A query over Db with the given update SQL (TSqlite3UpdateSQL holds InsertSQL, UpdateSQL and DeleteSQL).
std::unique_ptr<TSqlite3Query> NewUpdatingQuery(TSqlite3DB& db, const std::string& sql, TSqlite3UpdateSQL& update) {
  auto query = NewQuery(db, {sql});
  query->SetUpdateSQL(&update);
  return query;
}

TEST(SqliteUpdateTest, MacrosExpandToBoundStatements) {
  auto db = NewDatabase("sqlite_macro",
                        "create table t (a integer, b integer, data text, c text);"
                        "insert into t values (1, 2, 'Hello', 'x')");
  TSqlite3UpdateSQL update(nullptr);
  update.UpdateSQL = {"UPDATE Notes SET data = :data WHERE id = :a"};
  update.InsertSQL = {"insert into t (a, b, c) values (:a, null, abc)"};
  update.DeleteSQL = {"delete from t where a = :a and b = :b and c <> ':a'"};
  auto query = NewUpdatingQuery(*db, "select * from t", update);
  query->Open();
  TSqlStatement statement = query->ExpandUpdateMacro();
  EXPECT_EQ(statement.SQL, "update Notes set data=?1 where  id = ?2");
  EXPECT_EQ(statement.Values, (TSqlValues{TSqlValue::OfText("Hello"), TSqlValue::OfInteger(1)}));
  statement = query->ExpandInsertMacro();
  EXPECT_EQ(statement.SQL, "insert into t (a,b,c) values (?1,null,?2)");
  EXPECT_EQ(statement.Values, (TSqlValues{TSqlValue::OfInteger(1), TSqlValue::OfText("abc")}));
  EXPECT_EQ(query->ExpandDeleteMacro().SQL, "delete from t where  a = ?1 and b = ?2 and c <> ':a'");
  update.InsertSQL = {"insert into t values (1)"};
  EXPECT_EQ(ThrownMessage<ESqlite3Error>([&] { query->ExpandInsertMacro(); }),
            "SQL macro syntax error on insertsql, expected ( or *");
  update.UpdateSQL = {"UPDATE t * WHERE a = :a"};
  EXPECT_EQ(query->ExpandUpdateMacro().SQL, "update t set a=?1,b=?2,data=?3,c=?4 where  a = ?5");
  update.UpdateSQL = {"UPDATE t SET b = :b ! a comment", "WHERE a = :nope"};
  EXPECT_THROW(query->ExpandUpdateMacro(), EDatabaseError);
  update.UpdateSQL = {"UPDATE t PUT b = :b WHERE a = :a"};
  EXPECT_THROW(query->ExpandUpdateMacro(), ESqlite3Error);
}

TEST(SqliteUpdateTest, EditingTheKeyUpdatesTheRowAsLoaded) {
  for (const bool oneWay : {false, true}) {
    SCOPED_TRACE(oneWay ? "one-way" : "two-way");
    auto db = NewDatabase("sqlite_key", "create table t (id integer, v); insert into t values (1, 'one'), (2, 'two')");
    TSqlite3UpdateSQL update(nullptr);
    update.UpdateSQL = {"update t set id = :id, v = :v where id = :id"};
    update.DeleteSQL = {"delete from t where id = :id"};
    auto query = NewUpdatingQuery(*db, "select * from t order by id", update);
    query->UniDirectional = oneWay;
    query->Open();
    query->Edit();
    query->FieldByName("id").SetAsInteger(10);
    query->FieldByName("v").SetAsString("ten");
    query->Post();
    EXPECT_EQ(query->FieldByName("id").AsInteger(), 10);
    EXPECT_EQ(Scalar(*db, "select group_concat(id || v, ',') from (select * from t order by id)"), "2two,10ten");
    query->Delete();
    EXPECT_EQ(Scalar(*db, "select group_concat(id, ',') from t"), "2");
  }
}

TEST(SqliteUpdateTest, AnAppendedRowIsFoundAgainAndARowThatIsGoneIsAnError) {
  auto db = NewDatabase("sqlite_append", kNotesSchema);
  TSqlite3UpdateSQL update(nullptr);
  update.InsertSQL = {"INSERT INTO Notes (data) VALUES (:data)"};
  update.UpdateSQL = {"UPDATE Notes SET data = :data WHERE id = :id"};
  update.DeleteSQL = {"DELETE FROM Notes WHERE id = :id"};
  auto query = NewUpdatingQuery(*db, "select * from Notes", update);
  query->AutoCommit = true;
  query->Open();
  for (const char* text : {"first", "second"}) {
    query->Append();
    query->FieldByName("data").SetAsString(text);
    query->Post();
  }
  EXPECT_EQ(query->FieldByName("id").AsInteger(), 2);
  query->Edit();
  query->FieldByName("data").SetAsString("zweite");
  query->Post();
  EXPECT_EQ(Scalar(*db, "select group_concat(data, ',') from Notes"), "first,zweite");

  db->ExecuteSQL("delete from Notes");
  query->Edit();
  query->FieldByName("data").SetAsString("lost");
  EXPECT_EQ(ThrownMessage<EDatabaseError>([&] { query->Post(); }), "The row to update was not found in table Notes");
  EXPECT_EQ(query->State(), TDataSetState::dsEdit);
  query->Cancel();
  EXPECT_THROW(query->Delete(), EDatabaseError);
  EXPECT_EQ(query->GetRecordCount(), 2);  // the row stays
}

TEST(SqliteUpdateTest, AFailingPostIsRolledBackAndKeepsTheRow) {
  auto db = NewDatabase("sqlite_rollback", "create table t (id integer, v not null); insert into t values (1, 'a')");
  TSqlite3UpdateSQL update(nullptr);
  update.UpdateSQL = {"update t set v = :v where id = :id"};
  auto query = NewUpdatingQuery(*db, "select * from t", update);
  query->AutoCommit = true;
  query->Open();
  query->Edit();
  query->FieldByName("v").Clear();
  EXPECT_THROW(query->Post(), EDatabaseError);
  EXPECT_FALSE(db->InTransaction());
  EXPECT_EQ(query->State(), TDataSetState::dsEdit);
  query->Cancel();
  EXPECT_EQ(query->FieldByName("v").AsString(), "a");
}

TEST(SqliteUpdateTest, PostingWithoutUpdateSQLOrReadOnlyRaises) {
  auto db = NewDatabase("sqlite_closedpost", kNotesSchema + std::string("; insert into Notes (data) values ('kept')"));
  auto query = NewQuery(*db, {"select * from Notes"});
  query->Open();
  query->Insert();
  EXPECT_THROW(query->Post(), ESqlite3Error);
  query->Cancel();
  query->ReadOnly = true;
  query->Edit();
  EXPECT_THROW(query->Post(), ESqlite3Error);
  query->Cancel();
  EXPECT_THROW(query->Delete(), ESqlite3Error);
  EXPECT_THROW(query->FieldByName("data").SetAsString("x"), EDatabaseError);
}

// A detail that cannot follow its master goes to the application's handler.
TEST(SqliteUpdateTest, MasterAndDetail) {
  auto db = NewDatabase("sqlite_master",
                        "create table c (id integer, name); insert into c values (42, 'A'), (7, 'B');"
                        "create table o (customer integer, item); insert into o values (42, 'x'), (42, 'y'), (7, 'z')");
  auto master = NewQuery(*db, {"select * from c order by id desc"});
  TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = NewQuery(*db, {"select * from o order by item"});
  detail->SetMasterFields("customer=id");
  detail->SetDataSource(&source);
  master->Open();
  detail->Open();
  EXPECT_EQ(Column(*detail, "item"), "x;y;");
  master->Next();
  EXPECT_EQ(Column(*detail, "item"), "z;");
  master->Close();
  EXPECT_EQ(Column(*detail, "item"), "closed");
  master->SetSQL({"select * from c order by id"});
  master->Open();
  EXPECT_EQ(Column(*detail, "item"), "z;");

  detail->SetMasterFields("customer=nothing");
  std::vector<TComponent*> failed;
  DataSetExceptionHandler() = [&](std::exception_ptr, TComponent& dataSet) { failed.push_back(&dataSet); };
  master->Next();
  DataSetExceptionHandler() = nullptr;
  EXPECT_EQ(failed, std::vector<TComponent*>{detail.get()});
  EXPECT_EQ(master->FieldByName("id").AsInteger(), 42);

  const auto failure = std::make_exception_ptr(EDatabaseError("no such table: x"));
  const EUpdateError error = master->PSGetUpdateException(failure, nullptr);
  EXPECT_STREQ(error.what(), "no such table: x");
  EXPECT_EQ(error.OriginalException, failure);
}

}  // namespace
