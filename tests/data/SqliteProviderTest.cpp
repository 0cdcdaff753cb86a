// What the query offers as a dataset beyond what the sources call: running a statement again,
// blob streams, limits, bookmarks, the master/detail filter and the provider operations.
#include <gtest/gtest.h>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

// After ExecSQL a plain Open runs the statement again and stays closed, until the SQL changes;
// a statement that fails under AutoCommit leaves no transaction open.
TEST(SqliteExecTest, ExecSQLRunsAgainOnOpenUntilTheSQLChanges) {
  auto db = NewDatabase("sqlite_execsql", "create table t (a)");
  auto query = NewQuery(*db, {"insert into t values (:a)"});
  query->Params.ParamByName("a").SetAsInteger(1);
  query->ExecSQL();
  EXPECT_FALSE(query->Active());
  query->Open();
  EXPECT_FALSE(query->Active());
  EXPECT_EQ(Scalar(*db, "select count(*) from t"), "2");
  query->SetSQL({"select a from t"});
  query->Open();
  EXPECT_EQ(query->GetRecordCount(), 2);

  query->AutoCommit = true;
  query->SetSQL({"insert into nowhere values (1)"});
  EXPECT_THROW(query->ExecSQL(), EDatabaseError);
  EXPECT_FALSE(db->InTransaction());
}

// A stream reads the field's bytes; writing needs an edit, a write stream starts empty, and
// Cancel gives the old bytes back.
TEST(SqliteBlobStreamTest, BlobStreamsReadWriteBackAndCancelUndoes) {
  auto db = NewDatabase("sqlite_blobs", "create table t (id integer, b blob); insert into t values (1, x'0102')");
  auto query = NewQuery(*db, {"select * from t"});
  query->Open();
  TField& blob = query->FieldByName("b");
  char bytes[4] = {};
  EXPECT_EQ(query->CreateBlobStream(blob, TSqlite3BlobStream::bmRead)->Read(bytes, 4), 2u);
  EXPECT_EQ(std::string(bytes, 2), "\x01\x02");
  EXPECT_THROW(query->CreateBlobStream(blob, TSqlite3BlobStream::bmWrite), EDatabaseError);
  query->Edit();
  query->CreateBlobStream(blob, TSqlite3BlobStream::bmWrite)->Write("xyz", 3);
  EXPECT_EQ(blob.AsString(), "xyz");
  query->Cancel();
  EXPECT_EQ(blob.AsString(), "\x01\x02");
}

// A start without a limit asks for every row from there on.
TEST(SqliteLimitTest, AStartWithoutALimitTakesTheRestAndAFilterWrapsTheText) {
  auto db = NewDatabase("sqlite_start", "create table t (a integer)");
  for (int i = 1; i <= 30; ++i) db->ExecuteSQL("insert into t values (?1)", {TSqlValue::OfInteger(i)});
  auto query = NewQuery(*db, {"select a from t order by a;"});
  query->StartResult = 20;
  query->Open();
  EXPECT_EQ(query->SQLToRun(), "select a from t order by a\nlimit -1 offset 20");
  EXPECT_EQ(query->GetRecordCount(), 10);
  EXPECT_EQ(query->MaxResults, -1);
  query->Close();
  query->StartResult = 0;
  query->MaxResults = 3;
  query->Filter = "a > 10";
  query->Filtered = true;
  query->Open();
  EXPECT_EQ(query->SQLToRun(), "select * from (select a from t order by a\n) where (a > 10)\nlimit 3");
  EXPECT_EQ(Column(*query, "a"), "11;12;13;");
}

TEST(SqliteBookmarkTest, ABookmarkLeadsBackToItsRecord) {
  auto db = NewDatabase("sqlite_bookmarks", "create table t (a integer); insert into t values (1), (2), (3)");
  auto query = NewQuery(*db, {"select a from t"});
  query->Open();
  query->Next();
  const int32_t mark = query->GetBookmark();
  query->Last();
  query->GotoBookmark(mark);
  EXPECT_EQ(query->FieldByName("a").AsInteger(), 2);
  EXPECT_EQ(query->GetRecNo(), 2);
}

// Each pair detail=master becomes detail='master value' (trimmed, a blank last piece ignored),
// joined by " and "; a piece without "=" is refused, and so is a master that is its detail's.
TEST(SqliteMasterDetailTest, TheFilterOfTheMasterFieldsAndACircleRefused) {
  auto db = NewDatabase("sqlite_build_filter",
                        "create table c (id integer, name); insert into c values (7, 'O''B');"
                        "create table o (customer integer, item)");
  auto master = NewQuery(*db, {"select * from c"});
  TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = NewQuery(*db, {"select * from o"});
  detail->SetDataSource(&source);
  master->Open();
  const struct {
    const char* MasterFields;
    const char* Filter;  // the error's message when it raises
  } cases[] = {
      {"customer=id", "customer='7'"},
      {" customer = id; item=name; ", "customer='7' and item='O''B'"},
      {"customer", "Syntax error: Masterfields not build of a=b;... pairs"},
      {"customer=id;item", "Syntax error: Masterfields not build of a=b;... pairs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.MasterFields);
    detail->SetMasterFields(c.MasterFields);
    std::string filter;
    const std::string error = ThrownMessage<ESqlite3Error>([&] { filter = detail->BuildFilter(); });
    EXPECT_EQ(error.empty() ? filter : error, c.Filter);
  }
  TDataSource back(nullptr);
  back.SetDataSet(detail.get());
  EXPECT_EQ(ThrownMessage<EDatabaseError>([&] { master->SetDataSource(&back); }),
            "circular references are not allowed");
}

// The operations a data provider calls: statements with and without a result, the key fields,
// the table, transactions, the command text and a reset that reads the rows again.
TEST(SqliteProviderTest, ProviderOperations) {
  auto db = NewDatabase("sqlite_provider", "create table t (a integer, b); insert into t values (1, 'x')");
  auto query = NewQuery(*db, {"select * from t"});
  EXPECT_EQ(query->PSGetTableName(), "t");
  EXPECT_TRUE(query->PSIsSQLBased());
  EXPECT_EQ(query->PSGetQuoteChar(), "\"");
  TParams params;
  params.Add("v").SetAsString("y");
  EXPECT_EQ(query->PSExecuteStatement("insert into t values (2, :v)", &params, nullptr), 1);
  std::unique_ptr<TSqlite3BaseQuery> rows;
  TParams key;
  key.Add("a").SetAsInteger(2);
  query->PSExecuteStatement("select b from t where a = :a", &key, &rows);
  ASSERT_TRUE(rows && rows->Active());
  EXPECT_EQ(rows->FieldByName("b").AsString(), "y");
  query->Open();
  query->FieldByName("a").InKey = true;
  query->FieldByName("b").InKey = true;
  EXPECT_EQ(query->PSGetKeyFields(), "a;b");
  EXPECT_EQ(query->GetRecordCount(), 2);
  db->ExecuteSQL("insert into t values (3, 'z')");
  query->PSReset();
  EXPECT_TRUE(query->Active());
  EXPECT_EQ(query->GetRecordCount(), 3);

  query->PSStartTransaction();
  EXPECT_TRUE(db->InTransaction());
  db->ExecuteSQL("delete from t");
  query->PSEndTransaction(false);
  EXPECT_FALSE(db->InTransaction());
  EXPECT_EQ(Scalar(*db, "select count(*) from t"), "3");
  query->PSSetCommandText("select a from t where a > 1");
  query->Close();
  query->Open();
  EXPECT_EQ(Column(*query, "a"), "2;3;");
}

// A look-up that asks for a calculated or lookup field computes the fields of the row it finds,
// in the state of calculating; a lookup field whose dataset is closed is null.
TEST(SqliteSearchTest, LookupComputesTheCalculatedFieldsOfTheRowItFinds) {
  auto [db, customers, orders] = NewOrdersOfCustomers(
      "sqlite_lookup_calc", [](TSqlite3BaseQuery& q) { EXPECT_EQ(q.State(), TDataSetState::dsCalcFields); });
  orders->Open();
  EXPECT_EQ(orders->Lookup("qty", {"5"}, "name;twice"),
            (TSqlValues{TSqlValue::OfText("Bob"), TSqlValue::OfInteger(10)}));
  EXPECT_EQ(orders->Lookup("qty", {"1"}, "name;twice"), (TSqlValues{TSqlValue::OfNull(), TSqlValue::OfInteger(2)}));
  customers->Close();
  orders->Close();
  orders->Open();
  EXPECT_TRUE(orders->FieldByName("name").IsNull());
  EXPECT_EQ(orders->FieldByName("twice").AsInteger(), 4);
}

// The pragmas that are set run when the connection opens.
TEST(SqlitePragmaTest, PragmasRunOnConnect) {
  TSqlite3Pragma pragma(nullptr);
  pragma.TempCacheSize = 500;
  pragma.Synchronous = "0";
  auto db = NewConnection("sqlite_pragma");
  db->SetSqlitePragma(&pragma);
  db->SetConnected(true);
  EXPECT_EQ(Scalar(*db, "pragma cache_size"), "500");
  EXPECT_EQ(Scalar(*db, "pragma synchronous"), "0");
}

// A macro's keyword is checked ignoring case; another word raises.
TEST(SqliteUtilsTest, SyntaxCheckComparesIgnoringCase) {
  EXPECT_TRUE(SyntaxCheck("UPDATE", "update"));
  EXPECT_EQ(ThrownMessage<ESqlite3Error>([] { SyntaxCheck("updat", "update"); }),
            "SQL macro syntax error on sql, expected update");
}

}  // namespace
