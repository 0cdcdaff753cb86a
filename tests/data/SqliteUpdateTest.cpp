#include <gtest/gtest.h>

#include "data/sqlite/SQLite3DB.h"
#include "data/sqlite/SQLite3Query.h"
#include "tests/data/SqliteTestSupport.h"

namespace {

using sqlitetest::NewConnection;
using sqlitetest::NewDatabase;

const char* const kNotesSchema = "create table Notes (id integer primary key, data text, created datetime)";

std::unique_ptr<TSqlite3Query> NewQuery(TSqlite3DB& db, const TStringList& sql) {
  auto query = std::make_unique<TSqlite3Query>(nullptr);
  query->SetConnection(&db);
  query->SetSQL(sql);
  return query;
}

std::string Scalar(TSqlite3DB& db, const std::string& sql) {
  auto query = NewQuery(db, {sql});
  query->Open();
  return query->Fields(0).AsString();
}

// The items of an open detail, or "closed".
std::string Column(TSqlite3Query& query) {
  if (!query.Active()) return "closed";
  std::string result;
  for (query.First(); !query.Eof(); query.Next()) result += query.FieldByName("item").AsString() + ";";
  return result;
}

// The note window's save: a connection of its own, the load SQL, the two macros.
void SaveNote(const std::string& file, int id, const std::string& text) {
  TSqlite3DB db(nullptr);
  db.SetDriverDLL(sqlitetest::LibraryPath());
  db.MustExist = true;
  db.SetDatabase(file);
  db.Open();
  TSqlite3UpdateSQL update(nullptr);
  update.InsertSQL = {"INSERT INTO Notes (data, created) VALUES (:data, :created)"};
  update.UpdateSQL = {"UPDATE Notes SET data = :data WHERE id = :id"};
  TSqlite3Query query(nullptr);
  query.SetConnection(&db);
  query.UpdateSQL = &update;
  query.SQL().Add("Select * FROM Notes Where id = :id");
  query.Params.ParamByName("id").SetAsInteger(id);
  query.Open();
  if (id == 0) {
    query.Insert();
    query.FieldByName("id").SetAsInteger(0);
    query.FieldByName("created").SetAsDateTime(EncodeDate(2009, 12, 31) + EncodeTime(13, 45, 10, 250));
  } else {
    query.Edit();
  }
  query.FieldByName("data").SetAsString(text);
  query.Post();
}

TEST(SqliteUpdateTest, TheNotesFlow) {
  auto db = NewDatabase("sqlite_notes", kNotesSchema);
  const std::string file = db->GetDatabase();
  SaveNote(file, 0, "Shopping\r\nmilk");
  SaveNote(file, 0, "M\xC3\xBCller called");
  EXPECT_EQ(Scalar(*db, "select hex(data) from Notes where id = 2"), "4DC3BC6C6C65722063616C6C6564");
  EXPECT_EQ(Scalar(*db, "select created || '' from Notes where id = 1"), "2009-12-31 13:45:10.250");

  // Search, as the notes source does.
  TSqlite3Query search(nullptr);
  search.SetConnection(db.get());
  search.SQL().Add("Select * from Notes");
  search.SQL().Add("WHERE data LIKE :data");
  search.Params.ParamByName("data").SetAsString("%MILK%");
  search.Open();
  ASSERT_FALSE(search.Eof());
  EXPECT_EQ(search.FieldByName("id").AsString(), "1");
  EXPECT_EQ(search.FieldByName("data").AsString(), "Shopping\r\nmilk");
  EXPECT_EQ(search.FieldByName("created").AsString(), "2009-12-31 13:45:10");
  search.Next();
  EXPECT_TRUE(search.Eof());
  search.Close();

  // Open one note, change it, save: only its data changes.
  SaveNote(file, 1, "Shopping\r\nbread");
  search.SQL().Clear();
  search.SQL().Add("Select * from Notes");
  search.SQL().Add("WHERE id = :id");
  search.Params.ParamByName("id").SetAsInteger(1);
  search.Open();
  EXPECT_EQ(search.FieldByName("data").AsString(), "Shopping\r\nbread");
  EXPECT_EQ(search.FieldByName("created").AsString(), "2009-12-31 13:45:10");
  EXPECT_EQ(Scalar(*db, "select count(*) from Notes"), "2");
}

TEST(SqliteUpdateTest, MacrosExpandToBoundStatements) {
  auto db = NewDatabase("sqlite_macro", "create table t (a integer, b integer, data text, c text);"
                                        "insert into t values (1, 2, 'Hello', 'x')");
  TSqlite3UpdateSQL update(nullptr);
  update.UpdateSQL = {"UPDATE Notes SET data = :data WHERE id = :a"};
  update.InsertSQL = {"insert into t (a, b, c) values (:a, null, abc)"};
  update.DeleteSQL = {"delete from t where a = :a and b = :b and c <> ':a'"};
  auto query = NewQuery(*db, {"select * from t"});
  query->UpdateSQL = &update;
  query->Open();
  TSqlStatement statement = query->ExpandUpdateMacro();
  EXPECT_EQ(statement.SQL, "update Notes set data=?1 where  id = ?2");
  EXPECT_EQ(statement.Values, (TSqlValues{TSqlValue::OfText("Hello"), TSqlValue::OfInteger(1)}));
  statement = query->ExpandInsertMacro();
  EXPECT_EQ(statement.SQL, "insert into t (a,b,c) values (?1,null,?2)");
  EXPECT_EQ(statement.Values, (TSqlValues{TSqlValue::OfInteger(1), TSqlValue::OfText("abc")}));
  statement = query->ExpandDeleteMacro();
  EXPECT_EQ(statement.SQL, "delete from t where  a = ?1 and b = ?2 and c <> ':a'");
  update.InsertSQL = {"insert into t values (1)"};
  try {
    query->ExpandInsertMacro();
    FAIL();
  } catch (const ESqlite3Error& e) {
    EXPECT_STREQ(e.what(), "SQL macro syntax error on insertsql, expected ( or *");
  }
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
    auto db = NewDatabase("sqlite_key", "create table t (id integer, v); insert into t values (1, 'one');"
                                        "insert into t values (2, 'two')");
    TSqlite3UpdateSQL update(nullptr);
    update.UpdateSQL = {"update t set id = :id, v = :v where id = :id"};
    update.DeleteSQL = {"delete from t where id = :id"};
    auto query = NewQuery(*db, {"select * from t order by id"});
    query->UpdateSQL = &update;
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
  auto query = NewQuery(*db, {"select * from Notes"});
  query->UpdateSQL = &update;
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
  query->Delete();
  EXPECT_EQ(Scalar(*db, "select group_concat(data, ',') from Notes"), "first");

  db->ExecuteSQL("delete from Notes");
  query->Edit();
  query->FieldByName("data").SetAsString("lost");
  try {
    query->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "The row to update was not found in table Notes");
  }
  EXPECT_EQ(query->State(), TDataSetState::dsEdit);
  EXPECT_FALSE(db->InTransaction());
  query->Cancel();
  EXPECT_THROW(query->Delete(), EDatabaseError);
  EXPECT_EQ(query->GetRecordCount(), 1);
  EXPECT_EQ(Scalar(*db, "select count(*) from Notes"), "0");
}

TEST(SqliteUpdateTest, AFailingPostIsRolledBackAndKeepsTheRow) {
  auto db = NewDatabase("sqlite_rollback", "create table t (id integer, v not null); insert into t values (1, 'a')");
  TSqlite3UpdateSQL update(nullptr);
  update.UpdateSQL = {"update t set v = :v where id = :id"};
  update.InsertSQL = {"insert into t (id, v) values (:id, :v)"};
  auto query = NewQuery(*db, {"select * from t"});
  query->UpdateSQL = &update;
  query->AutoCommit = true;
  query->Open();
  query->Edit();
  query->FieldByName("v").Clear();
  EXPECT_THROW(query->Post(), EDatabaseError);
  EXPECT_FALSE(db->InTransaction());
  EXPECT_EQ(query->State(), TDataSetState::dsEdit);
  query->Cancel();
  EXPECT_EQ(query->FieldByName("v").AsString(), "a");
  db->StartTransaction();  // no transaction was left open
  db->Commit();
  query->Append();
  query->FieldByName("id").SetAsInteger(2);
  query->FieldByName("v").SetAsString("b");
  query->Post();
  EXPECT_EQ(query->GetRecordCount(), 2);
  EXPECT_EQ(query->CurrentRowId(), 2);
  EXPECT_EQ(Scalar(*db, "select count(*) from t"), "2");
}

TEST(SqliteUpdateTest, PostingConnectsOrRaises) {
  auto db = NewDatabase("sqlite_closedpost", kNotesSchema);
  TSqlite3UpdateSQL update(nullptr);
  update.InsertSQL = {"INSERT INTO Notes (data) VALUES (:data)"};
  auto query = NewQuery(*db, {"select * from Notes"});
  query->UpdateSQL = &update;
  query->Open();
  query->Insert();
  query->FieldByName("data").SetAsString("kept");
  db->SetConnected(false);  // closes the query
  EXPECT_FALSE(query->Active());
  query->Open();
  query->Insert();
  query->FieldByName("data").SetAsString("kept");
  query->Post();
  EXPECT_EQ(Scalar(*db, "select data from Notes"), "kept");

  query->UpdateSQL = nullptr;
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

TEST(SqliteUpdateTest, TheFirefoxJoinOnTheBrowsersSchema) {
  auto db = NewDatabase(
      "sqlite_places",
      "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,"
      " visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,"
      " frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER , guid TEXT, foreign_count INTEGER DEFAULT 0"
      " NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT, origin_id INTEGER);"
      "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,"
      " position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER,"
      " lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL"
      " DEFAULT 1);");
  const std::string longUrl = "https://example.org/" + std::string(400, 'p');
  db->ExecuteSQL("insert into moz_places (id, url) values (1, ?1), (2, 'https://mail.example/'),"
                 " (3, 'https://other.example/');"
                 "insert into moz_bookmarks (type, fk, title) values (1, 1, 'Webmail long'), (1, 2, 'GMAIL'),"
                 " (1, 3, 'News'), (1, 3, null)",
                 {TSqlValue::OfText(longUrl)});
  TSqlite3Query query(nullptr);
  query.SetConnection(db.get());
  query.SQL().Add("SELECT moz_bookmarks.title, moz_places.url FROM moz_bookmarks");
  query.SQL().Add("INNER JOIN moz_places ON moz_places.id = moz_bookmarks.fk");
  query.SQL().Add("WHERE moz_bookmarks.title LIKE :param1");
  query.Params.ParamByName("param1").SetAsString("%mail%");
  query.Open();
  std::vector<std::string> titles, urls;
  for (; !query.Eof(); query.Next()) {
    titles.push_back(query.FieldByName("title").AsString());
    urls.push_back(query.FieldByName("url").AsString());
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"Webmail long", "GMAIL"}));
  ASSERT_EQ(urls.size(), 2u);
  EXPECT_EQ(urls[0], longUrl);
}

TEST(SqliteUpdateTest, MasterAndDetail) {
  auto db = NewDatabase("sqlite_master",
                        "create table c (id integer, name); insert into c values (42, 'A'); insert into c values (7, 'B');"
                        "create table o (customer integer, item); insert into o values (42, 'x');"
                        "insert into o values (42, 'y'); insert into o values (7, 'z'); insert into o values (9, 'q')");
  auto master = NewQuery(*db, {"select * from c order by id desc"});
  TDataSource source(nullptr);
  source.DataSet = master.get();
  auto detail = NewQuery(*db, {"select * from o where item <> 'q' order by item limit 10"});
  detail->SetMasterFields("customer=id");
  detail->SetDataSource(&source);
  master->Open();
  EXPECT_EQ(detail->BuildFilter(), "customer='42'");
  detail->Open();
  EXPECT_EQ(Column(*detail), "x;y;");
  master->Next();
  EXPECT_EQ(Column(*detail), "z;");
  master->First();
  EXPECT_EQ(Column(*detail), "x;y;");
  master->Close();
  EXPECT_EQ(Column(*detail), "closed");
  master->SetSQL({"select * from c order by id"});
  master->Open();
  EXPECT_EQ(Column(*detail), "z;");

  // A detail that cannot follow goes to the application's handler; the master moves on.
  detail->SetMasterFields("customer=nothing");
  std::vector<TComponent*> failed;
  DataSetExceptionHandler() = [&](std::exception_ptr, TComponent& dataSet) { failed.push_back(&dataSet); };
  master->Next();
  DataSetExceptionHandler() = nullptr;
  EXPECT_EQ(failed, std::vector<TComponent*>{detail.get()});
  EXPECT_EQ(master->FieldByName("id").AsInteger(), 42);
  EXPECT_THROW(master->First(), EDatabaseError);

  detail->SetMasterFields("customer = id; item=name;");
  EXPECT_EQ(detail->BuildFilter(), "customer='7' and item='B'");
  detail->SetMasterFields("customer");
  try {
    detail->BuildFilter();
    FAIL();
  } catch (const ESqlite3Error& e) {
    EXPECT_STREQ(e.what(), "Syntax error: Masterfields not build of a=b;... pairs");
  }

  TDataSource back(nullptr);
  back.DataSet = detail.get();
  EXPECT_THROW(master->SetDataSource(&back), EDatabaseError);
}

TEST(SqliteUpdateTest, ProviderOperations) {
  auto db = NewDatabase("sqlite_provider", "create table t (a integer, b); insert into t values (1, 'x')");
  auto query = NewQuery(*db, {"select * from t"});
  EXPECT_EQ(query->PSGetTableName(), "t");
  TParams params;
  params.Add("v").SetAsString("y");
  EXPECT_EQ(query->PSExecuteStatement("insert into t values (2, :v)", &params, nullptr), 1);
  std::unique_ptr<TSqlite3BaseQuery> rows;
  query->PSExecuteStatement("select b from t where a = :a", nullptr, &rows);
  ASSERT_NE(rows, nullptr);
  EXPECT_TRUE(rows->Active());
  query->Open();
  query->FieldByName("a").InKey = true;
  EXPECT_EQ(query->PSGetKeyFields(), "a");
  query->PSReset();
  EXPECT_EQ(query->GetRecordCount(), 2);
  EXPECT_TRUE(query->PSIsSQLBased());
  EXPECT_EQ(query->PSGetQuoteChar(), "\"");
  const auto failure = std::make_exception_ptr(EDatabaseError("no such table: x"));
  const EUpdateError error = query->PSGetUpdateException(failure, nullptr);
  EXPECT_STREQ(error.what(), "no such table: x");
  EXPECT_EQ(error.OriginalException, failure);
}

}  // namespace
