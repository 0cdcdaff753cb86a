// The dataset as its users see it: the events it tells, what a failed write asks, the field
// definitions of a closed query, and a detail's fields that its master answers.
#include <gtest/gtest.h>

#include <functional>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

struct TEventLog {
  std::string Text;
  void Add(const std::string& name) { Text += (Text.empty() ? "" : " ") + name; }
  std::string Take() { return std::exchange(Text, {}); }
};

void Listen(TSqlite3BaseQuery& query, TEventLog& log) {
  const std::pair<TDataSetNotifyEvent TSqlite3BaseQuery::*, const char*> events[] = {
      {&TSqlite3BaseQuery::BeforeOpen, "BeforeOpen"},     {&TSqlite3BaseQuery::AfterOpen, "AfterOpen"},
      {&TSqlite3BaseQuery::BeforeClose, "BeforeClose"},   {&TSqlite3BaseQuery::AfterClose, "AfterClose"},
      {&TSqlite3BaseQuery::BeforeInsert, "BeforeInsert"}, {&TSqlite3BaseQuery::AfterInsert, "AfterInsert"},
      {&TSqlite3BaseQuery::BeforeEdit, "BeforeEdit"},     {&TSqlite3BaseQuery::AfterEdit, "AfterEdit"},
      {&TSqlite3BaseQuery::BeforePost, "BeforePost"},     {&TSqlite3BaseQuery::AfterPost, "AfterPost"},
      {&TSqlite3BaseQuery::BeforeCancel, "BeforeCancel"}, {&TSqlite3BaseQuery::AfterCancel, "AfterCancel"},
      {&TSqlite3BaseQuery::BeforeDelete, "BeforeDelete"}, {&TSqlite3BaseQuery::AfterDelete, "AfterDelete"},
      {&TSqlite3BaseQuery::BeforeScroll, "BeforeScroll"}, {&TSqlite3BaseQuery::AfterScroll, "AfterScroll"},
  };
  for (const auto& [event, name] : events)
    query.*event = [&log, &query, name = std::string(name)](TSqlite3BaseQuery& sender) {
      EXPECT_EQ(&sender, &query);
      log.Add(name);
    };
}

TEST(SqliteDataSetTest, EveryStepTellsItsEventsInOrder) {
  auto db = NewDatabase("sqlite_events", "create table t (id integer, v); insert into t values (1, 'a'), (2, 'b')");
  TSqlite3UpdateSQL update(nullptr);
  update.UpdateSQL = {"update t set v = :v where id = :id"};
  update.DeleteSQL = {"delete from t where id = :id"};
  auto query = NewQuery(*db, {"select * from t order by id"});
  query->SetUpdateSQL(&update);
  TEventLog log;
  Listen(*query, log);
  query->OnNewRecord = [&](TSqlite3BaseQuery& q) {
    log.Add("NewRecord");
    q.FieldByName("v").SetAsString("new");
  };
  const struct {
    const char* Step;
    std::function<void()> Action;
    const char* Events;
    bool Modified;
  } steps[] = {
      {"open", [&] { query->Open(); }, "BeforeOpen AfterOpen AfterScroll", false},
      {"next", [&] { query->Next(); }, "BeforeScroll AfterScroll", false},
      {"edit and set",
       [&] {
         query->FieldByName("v").OnChange = [&](TField& field) { log.Add("Change:" + field.FieldName); };
         query->Edit();
         query->FieldByName("v").SetAsString("x");
       },
       "BeforeEdit AfterEdit Change:v", true},
      {"post", [&] { query->Post(); }, "BeforePost AfterPost", false},
      {"insert", [&] { query->Insert(); }, "BeforeInsert BeforeScroll NewRecord Change:v AfterInsert AfterScroll",
       false},
      {"cancel", [&] { query->Cancel(); }, "BeforeCancel AfterCancel", false},
      {"delete", [&] { query->Delete(); }, "BeforeDelete BeforeScroll AfterDelete AfterScroll", false},
      {"locate", [&] { EXPECT_TRUE(query->Locate("id", {"1"}, {})); }, "BeforeScroll AfterScroll", false},
      {"close", [&] { query->Close(); }, "BeforeClose AfterClose", false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Step);
    step.Action();
    EXPECT_EQ(log.Take(), step.Events);
    EXPECT_EQ(query->Modified(), step.Modified);
  }
  EXPECT_EQ(Scalar(*db, "select group_concat(id || v) from t"), "1a");
}

TEST(SqliteDataSetTest, AFailedWriteAsksWhetherToFailAbortOrRetry) {
  auto db = NewDatabase("sqlite_post_error", "create table t (id integer, v not null); insert into t values (1, 'a')");
  TSqlite3UpdateSQL update(nullptr);
  update.UpdateSQL = {"update t set v = :v where id = :id"};
  update.DeleteSQL = {"delete from nowhere where id = :id"};
  auto query = NewQuery(*db, {"select * from t"});
  query->SetUpdateSQL(&update);
  query->Open();
  const struct {
    TDataAction Action;
    const char* Raised;
    const char* Written;
  } cases[] = {
      {TDataAction::daFail, "NOT NULL constraint failed: t.v", "a"},
      {TDataAction::daAbort, "Operation aborted", "a"},
      {TDataAction::daRetry, "", "fixed"},  // the handler mends the value, and the post runs again
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Raised);
    int asked = 0;
    query->OnPostError = [&](TSqlite3BaseQuery& q, const EDatabaseError& error, TDataAction& action) {
      ++asked;
      EXPECT_STREQ(error.what(), "NOT NULL constraint failed: t.v");
      action = c.Action;
      if (action == TDataAction::daRetry) q.FieldByName("v").SetAsString("fixed");
    };
    query->Edit();
    query->FieldByName("v").Clear();
    EXPECT_EQ(ThrownMessage<Exception>([&] { query->Post(); }), c.Raised);
    EXPECT_EQ(asked, 1);
    query->Cancel();
    EXPECT_EQ(Scalar(*db, "select v from t"), c.Written);
  }
  // The layer's own refusals are no database errors: nobody is asked.
  query->OnPostError = [](TSqlite3BaseQuery&, const EDatabaseError&, TDataAction&) { ADD_FAILURE(); };
  query->ReadOnly = true;
  query->Edit();
  EXPECT_THROW(query->Post(), ESqlite3Error);
  query->Cancel();
  query->ReadOnly = false;
  query->OnDeleteError = [](TSqlite3BaseQuery&, const EDatabaseError&, TDataAction& action) {
    action = TDataAction::daAbort;
  };
  EXPECT_THROW(query->Delete(), EAbort);
  EXPECT_EQ(query->GetRecordCount(), 1);
}

TEST(SqliteDataSetTest, AWrittenBlobStreamMarksTheRecordModified) {
  auto db = NewDatabase("sqlite_blob_modified", "create table t (b blob); insert into t values (x'01')");
  auto query = NewQuery(*db, {"select * from t"});
  query->Open();
  query->Edit();
  EXPECT_FALSE(query->Modified());
  {
    auto stream = query->CreateBlobStream(query->FieldByName("b"), TSqlite3BlobStream::bmReadWrite);
    const char more[] = {2, 3};
    stream->Position = stream->Size();
    stream->Write(more, sizeof more);
    EXPECT_TRUE(query->Modified());  // before the stream goes
  }
  EXPECT_EQ(query->FieldByName("b").AsString(), std::string("\x01\x02\x03"));
  query->Cancel();
  EXPECT_FALSE(query->Modified());
}

TEST(SqliteDataSetTest, AClosedQueryAnswersItsFieldDefinitionsWithoutRunningIt) {
  auto db = NewDatabase("sqlite_field_defs", "create table t (id integer, name varchar(20), d date)");
  auto query = NewQuery(*db, {"insert into t values (1, 'x', '2009-12-31') returning id, name, d as day"});
  query->ExecSQL();
  query->ExecSQL();
  std::string defs;
  for (const TFieldDef& def : query->FieldDefs())
    defs += def.Name + ":" + std::to_string(static_cast<int>(def.DataType)) + ":" + std::to_string(def.Size) + ";";
  EXPECT_EQ(defs, "id:3:12;name:1:20;day:9:10;");
  EXPECT_FALSE(query->Active());
  EXPECT_EQ(Scalar(*db, "select count(*) from t"), "2");
  EXPECT_EQ(ThrownMessage<ESqlite3Error>([] { TSqlite3Query(nullptr).FieldDefs(); }), "no query specified");
}

// The pair customer=id: the detail's customer is the master's id, also in a new record; the
// detail's own id, though its name stands in the text too, is its own.
TEST(SqliteDataSetTest, ADetailReadsItsLinkedFieldFromTheMaster) {
  auto db = NewDatabase("sqlite_detail_fields",
                        "create table c (id integer, name); insert into c values (42, 'A'), (7, 'B');"
                        "create table o (id integer, customer integer, item); insert into o values (1, 42, 'x')");
  auto master = NewQuery(*db, {"select * from c order by id desc"});
  TDataSource source(nullptr);
  source.SetDataSet(master.get());
  TSqlite3UpdateSQL update(nullptr);
  update.InsertSQL = {"insert into o (id, customer, item) values (:id, :customer, :item)"};
  auto detail = NewQuery(*db, {"select * from o"});
  detail->SetUpdateSQL(&update);
  detail->SetMasterFields("customer = id");
  detail->SetDataSource(&source);
  master->Open();
  detail->Open();
  EXPECT_EQ(detail->FieldByName("id").AsInteger(), 1);
  EXPECT_EQ(detail->FieldByName("customer").AsInteger(), 42);
  master->Next();
  EXPECT_TRUE(detail->IsEmpty());
  detail->Insert();
  detail->FieldByName("id").SetAsInteger(2);
  detail->FieldByName("item").SetAsString("y");
  EXPECT_EQ(detail->FieldByName("customer").AsInteger(), 7);
  detail->Post();
  EXPECT_EQ(Scalar(*db, "select group_concat(id || ':' || customer || item) from o"), "1:42x,2:7y");
}

// The record reads are the moves' own: a program moves, it does not read records itself.
template <class Q>
concept ReadsRecords = requires(Q& query) {
  query.GetRecord(TGetMode::gmNext, false);
};
static_assert(!ReadsRecords<TSqlite3Query>);
static_assert(ReadsRecords<TRecordReader>);

// A result without rows is at its end and at its start whichever way it is walked: opened
// empty, one-way or both ways, or emptied by deleting its only row.
TEST(SqliteDataSetTest, AnEmptyResultIsAtItsEndAndItsStart) {
  auto db = NewDatabase("sqlite_empty_result", "create table t (id integer); insert into t values (1)");
  TSqlite3UpdateSQL update(nullptr);
  update.DeleteSQL = {"delete from t where id = :id"};
  const struct {
    const char* Name;
    bool UniDirectional, DeleteTheRow;
  } cases[] = {
      {"opened empty", false, false}, {"one-way, opened empty", true, false}, {"its only row deleted", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRecordReader query(nullptr);
    query.SetConnection(db.get());
    query.SetUpdateSQL(&update);
    query.SetSQL({c.DeleteTheRow ? "select * from t" : "select * from t where id > 5"});
    query.UniDirectional = c.UniDirectional;
    query.Open();
    if (c.DeleteTheRow) {
      ASSERT_FALSE(query.Eof());
      query.Delete();
    }
    const std::vector<std::pair<const char*, std::function<void()>>> moves = {
        {"none", [] {}},
        {"First", [&] { query.First(); }},
        {"Next", [&] { query.Next(); }},
        {"Last", [&] { query.Last(); }},
        {"Prior", [&] { c.UniDirectional ? void() : query.Prior(); }},
    };
    for (const auto& [move, act] : moves) {
      SCOPED_TRACE(move);
      act();
      EXPECT_TRUE(query.IsEmpty());
      EXPECT_TRUE(query.Eof());
      EXPECT_TRUE(query.Bof());
      EXPECT_EQ(query.GetRecNo(), 0);
      EXPECT_EQ(query.GetRecord(TGetMode::gmNext, false), TGetResult::grEOF);
      if (!c.UniDirectional) {
        EXPECT_EQ(query.GetRecord(TGetMode::gmPrior, false), TGetResult::grBOF);
      }
      EXPECT_EQ(query.GetRecord(TGetMode::gmCurrent, false), TGetResult::grError);
      EXPECT_THROW(query.GetRecord(TGetMode::gmCurrent, true), EDatabaseError);
    }
  }
}

}  // namespace

namespace {

using namespace sqlitetest;

TEST(SqliteSearchTest, LocateWithPartialKeysAndCaseOptions) {
  auto db = NewDatabase("sqlite_locate",
                        "create table t (id integer, name, code);"
                        "insert into t values (1, 'a', 'x'), (2, 'AB', null), (3, 'abc', 'z'),"
                        "(4, 'ab', 'w')");
  auto query = NewQuery(*db, {"select * from t order by id"});
  query->Open();
  const TLocateOptions none, partial{false, true}, anyCase{true, false}, both{true, true};
  const struct {
    const char* Keys;
    std::vector<std::string> Values;
    TLocateOptions Options;
    int Found;  // the id; 0: none, and the scan ends on the last record
  } cases[] = {
      {"name", {"ab"}, none, 4},
      {"name", {"ab"}, partial, 3},
      {"name", {"ab"}, anyCase, 2},
      {"name", {"ab"}, both, 2},
      {"name", {"a"}, none, 1},
      {"name", {"abcd"}, partial, 0},  // a shorter name matches a partial key only by being it
      {"name;code", {"abc", "z"}, none, 3},
      {"name;code", {"abc", "w"}, none, 0},
      {"id", {"4"}, none, 4},
      {"", {}, none, 1},  // no keys: the first record
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Keys) + " " + (c.Values.empty() ? "" : c.Values[0]));
    query->SetRecNo(2);
    EXPECT_EQ(query->Locate(c.Keys, c.Values, c.Options), c.Found != 0);
    EXPECT_EQ(query->FieldByName("id").AsInteger(), c.Found ? c.Found : 4);
    EXPECT_FALSE(query->Eof());
  }
  EXPECT_EQ(query->Lookup("name", {"AB"}, "code"), TSqlValues{TSqlValue::OfNull()});
  EXPECT_EQ(query->Lookup("code", {"z"}, "id;name"), (TSqlValues{TSqlValue::OfInteger(3), TSqlValue::OfText("abc")}));
  EXPECT_EQ(query->FieldByName("id").AsInteger(), 3);
  EXPECT_TRUE(query->Lookup("name", {"ab "}, "code").empty());
  // An empty result finds nothing and stays empty.
  auto empty = NewQuery(*db, {"select * from t where id > 9"});
  empty->Open();
  EXPECT_FALSE(empty->Locate("name", {"a"}, {}));
  EXPECT_TRUE(empty->Eof());
  EXPECT_TRUE(empty->Bof());
}

}  // namespace
