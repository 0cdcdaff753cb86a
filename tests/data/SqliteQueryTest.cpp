#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

TEST(SqliteQueryTest, DuplicateColumnNamesAndTheRowId) {
  auto db = NewDatabase("sqlite_dup", "create table t (id integer, v); insert into t values (5, 'x')");
  auto query = NewQuery(*db, {"select id, id, id as ID, rowid, v from t"});
  query->Open();
  std::string names;
  for (int i = 0; i < query->FieldCount(); ++i) names += query->Fields(i).FieldName + ";";
  EXPECT_EQ(names, "id;id_1;ID_2;v;");
  EXPECT_EQ(query->CurrentRowId(), 1);
  EXPECT_THROW(query->FieldByName("nope"), EDatabaseError);
}

TEST(SqliteQueryTest, NullAndEmptyStayApartInTextWideTextAndBlobs) {
  auto db = NewDatabase("sqlite_null",
                        "create table t (s varchar(10), w nvarchar(10), b blob);"
                        "insert into t values (null, null, null), ('', '', x''), ('a', 'w\xC3\xBC', x'00ff')");
  auto query = NewQuery(*db, {"select * from t"});
  query->Open();
  for (const char* name : {"s", "w", "b"}) EXPECT_TRUE(query->FieldByName(name).IsNull()) << name;
  query->Next();
  for (const char* name : {"s", "w", "b"}) {
    EXPECT_FALSE(query->FieldByName(name).IsNull()) << name;
    EXPECT_EQ(query->FieldByName(name).AsString(), "") << name;
  }
  query->Next();
  EXPECT_EQ(query->FieldByName("w").AsWideString(), u"w\u00fc");
  EXPECT_EQ(query->FieldByName("b").AsString(), std::string("\0\xff", 2));
}

// Declared sizes (a browser's LONGVARCHAR is 255) never cut what the file holds.
TEST(SqliteQueryTest, LongTextsAndLargeIntegersAreReadWhole) {
  const std::string long300(300, 'L');
  auto db =
      NewDatabase("sqlite_long", "create table t (u, s varchar(10), l LONGVARCHAR, i integer, d TIMESTAMP, f real)");
  db->ExecuteSQL("insert into t values (?1, ?1, ?1, ?2, '2009-12-31 13:45:10.25', 2.5)",
                 {TSqlValue::OfText(long300), TSqlValue::OfInteger(int64_t{1} << 40)});
  auto query = NewQuery(*db, {"select * from t"});
  query->Open();
  for (const char* name : {"u", "s", "l"}) EXPECT_EQ(query->FieldByName(name).AsString(), long300) << name;
  EXPECT_EQ(query->FieldByName("i").AsInteger(), int64_t{1} << 40);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", query->FieldByName("d").AsDateTime()), "2009-12-31 13:45:10.250");
  EXPECT_EQ(query->FieldByName("f").AsFloat(), 2.5);
  query->FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(query->FieldByName("f").AsString(), "2,5");
}

TEST(SqliteQueryTest, ParametersAreBoundNeverPastedAndDatesTakeTheSQLiteForm) {
  auto db =
      NewDatabase("sqlite_params",
                  "create table t (a, b, f real); insert into t values ('x?y', 5, 1.5),"
                  "('O''Brien', 6, 2.25), ('?', 7, 0), (null, 8, null), ('', 9, null), ('M\xC3\xBCller', 10, null)");
  using TBind = std::function<void(TParams&)>;
  const struct {
    const char* Where;
    int Params;
    TBind Bind;
    const char* Found;
  } cases[] = {
      // A "?" in a constant before a parameter, and a value holding "?".
      {"a <> '?' and a = :a and b = :b", 2,
       [](TParams& p) { p.ParamByName("a").SetAsString("x?y"), p.ParamByName("b").SetAsInteger(5); }, "5;"},
      {"a <> '?' and a = :a and b = :b", 2,
       [](TParams& p) { p.ParamByName("a").SetAsString("O'Brien"), p.ParamByName("b").SetAsInteger(6); }, "6;"},
      {"b = :n or b = :n + 2", 1, [](TParams& p) { p.Items(0).SetAsInteger(5); }, "5;7;"},  // one value
      // The format settings (a comma locale) never reach a bound number.
      {"f = :f", 1, [](TParams& p) { p.ParamByName("f").SetAsFloat(2.25); }, "6;"},
      {"a is :a", 1, [](TParams& p) { p.ParamByName("a").Clear(); }, "8;"},
      {"a is :a", 1, [](TParams& p) { p.ParamByName("a").SetAsString(""); }, "9;"},
      {"a = :a", 1, [](TParams&) {}, "9;"},  // unassigned
      {"a = :a", 1, [](TParams& p) { p.ParamByName("a").SetAsString("M\xC3\xBCller"); }, "10;"},
      {"a = :a", 1, [](TParams& p) { p.ParamByName("a").SetAsString("' or 1=1 --"); }, ""},
  };
  std::unique_ptr<TSqlite3Query> query;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Where);
    // A text like the last one's reuses its query: each opening binds the values anew.
    const std::string sql = std::string("select b from t where ") + c.Where + " order by b";
    if (query && query->SQL()[0] == sql) {
      query->Close();
    } else {
      query = NewQuery(*db, {sql});
    }
    query->FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(query->Params.Count(), c.Params);
    c.Bind(query->Params);
    query->Open();
    EXPECT_EQ(Column(*query, "b"), c.Found);
  }
  EXPECT_EQ(Scalar(*db, "select count(*) from t"), "6");
  query = NewQuery(*db, {"select :d as d, :t as t"});  // dates take the SQLite form
  query->Params.ParamByName("d").SetAsDate(EncodeDate(2009, 12, 31));
  query->Params.ParamByName("t").SetAsDateTime(EncodeDate(2009, 12, 31) + EncodeTime(13, 45, 10, 250));
  query->Open();
  EXPECT_EQ(query->FieldByName("d").AsString(), "2009-12-31");
  EXPECT_EQ(query->FieldByName("t").AsString(), "2009-12-31 13:45:10.250");
}

// A text with its own limit is wrapped before the next limit or filter goes on; a comment at its
// end ends with its line, so that what is added after it is not commented out.
TEST(SqliteQueryTest, ALimitOrFilterGoesAroundTheTextOnALineOfItsOwn) {
  auto db = NewDatabase("sqlite_limit", "create table t (a integer); insert into t values (1), (2), (3), (4), (5)");
  for (const char* sql : {"select a from t order by a limit 5", "select a from t order by a -- all of them"}) {
    auto limited = NewQuery(*db, {sql});
    limited->MaxResults = 2;
    limited->Open();
    EXPECT_EQ(Column(*limited, "a"), "1;2;") << sql;
    limited->Filtered = true;
    limited->SetFilterText("a > 3");
    EXPECT_EQ(Column(*limited, "a"), "4;5;") << sql;
  }
}

TEST(SqliteQueryTest, RecordNumbersAnEmptyResultAndAMissingTable) {
  auto db = NewDatabase("sqlite_empty", "create table t (a integer); insert into t values (1), (2), (3)");
  auto query = NewQuery(*db, {"select a from t"});
  query->Open();
  // Out of range: 0 is before the first row, the count + 1 after the last.
  const struct {
    int Set, Read;
    bool Bof, Eof;
  } recNos[] = {{3, 3, false, false}, {9, 3, false, false}, {0, 1, true, false}, {4, 3, false, true}};
  for (const auto& r : recNos) {
    query->SetRecNo(r.Set);
    EXPECT_EQ(std::tuple(query->GetRecNo(), query->Bof(), query->Eof()), std::tuple(r.Read, r.Bof, r.Eof)) << r.Set;
  }
  auto empty = NewQuery(*db, {"select a from t where a > 10"});
  empty->Open();
  EXPECT_TRUE(empty->Eof());
  EXPECT_TRUE(empty->FieldByName("a").IsNull());
  EXPECT_THROW(NewQuery(*db, {"select * from nowhere"})->Open(), EDatabaseError);
}

TEST(SqliteQueryTest, UnidirectionalQueriesReadEveryRowOnce) {
  auto db = NewDatabase("sqlite_uni", "create table t (a integer); insert into t values (1), (2)");
  auto query = NewQuery(*db, {"select a from t"});
  query->UniDirectional = true;
  query->Open();
  EXPECT_EQ(query->GetRecordCount(), 0);
  std::string seen;
  for (; !query->Eof(); query->Next()) seen += query->FieldByName("a").AsString();
  EXPECT_EQ(seen, "12");
  EXPECT_THROW(query->Prior(), ESqlite3Error);
}

TEST(SqliteQueryTest, CalculatedAndLookupFieldsFollowTheCurrentRecord) {
  // Only calculated fields are set while calculating.
  auto [db, customers, orders] = NewOrdersOfCustomers(
      "sqlite_calc", [](TSqlite3BaseQuery& q) { EXPECT_THROW(q.FieldByName("qty").SetAsInteger(0), EDatabaseError); });
  orders->Open();
  EXPECT_EQ(Column(*orders, "name") + Column(*orders, "twice"), "Ann;Bob;;4;10;2;");
  orders->First();
  orders->Edit();
  orders->FieldByName("qty").SetAsInteger(7);
  EXPECT_EQ(orders->FieldByName("twice").AsInteger(), 14);
}

}  // namespace
