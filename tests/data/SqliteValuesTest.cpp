// How field and parameter values reach the file: what a post writes, read back with SQLite's own
// eyes, and the parameters that find those rows again.
#include <gtest/gtest.h>

#include <functional>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

TEST(SqliteValuesTest, BooleanAndDateWritesAsTheFileHoldsThem) {
  auto db = NewDatabase("sqlite_write_values",
                        "create table t (id integer primary key, flag boolean, d date, "
                        "tm time, dt datetime)");
  TSqlite3UpdateSQL update(nullptr);
  update.InsertSQL = {"insert into t (flag, d, tm, dt) values (:flag, :d, :tm, :dt)"};
  auto query = NewQuery(*db, {"select * from t"});
  query->SetUpdateSQL(&update);
  query->Open();
  const TDateTime newYearsEve = EncodeDate(2009, 12, 31);
  const struct {
    const char* Field;
    std::function<void(TField&)> Set;
    const char* Written;  // typeof and value; an error's message when it starts with "'"
  } cases[] = {
      {"flag", [](TField& f) { f.SetAsBoolean(true); }, "text:True"},
      {"flag", [](TField& f) { f.SetAsBoolean(false); }, "text:False"},
      {"flag", [](TField& f) { f.SetAsString("yes"); }, "text:True"},
      {"d", [](TField& f) { f.SetValue(TSqlValue::OfText("2009-12-31")); }, "text:2009-12-31"},
      {"d", [](TField& f) { f.SetValue(TSqlValue::OfText("31-12-2009")); }, "text:2009-12-31"},
      {"d", [&](TField& f) { f.SetValue(TSqlValue::OfInteger(static_cast<int64_t>(newYearsEve))); }, "text:2009-12-31"},
      {"d", [](TField& f) { f.SetValue(TSqlValue::OfText(" ")); }, "null:"},
      {"dt", [](TField& f) { f.SetValue(TSqlValue::OfText("2009-12-31 13:45:10.250")); },
       "text:2009-12-31 13:45:10.250"},
      {"dt", [&](TField& f) { f.SetValue(TSqlValue::OfInteger(static_cast<int64_t>(newYearsEve))); },
       "text:2009-12-31 00:00:00.000"},
      {"dt", [](TField& f) { f.SetAsString("31-12-2009 13:45"); }, "text:2009-12-31 13:45:00.000"},
      {"tm", [](TField& f) { f.SetValue(TSqlValue::OfText("13:45:10.250")); }, "text:13:45:10.250"},
      // Never another date.
      {"d", [](TField& f) { f.SetValue(TSqlValue::OfText("no date")); }, "'no date' is not a valid date"},
      {"dt", [](TField& f) { f.SetValue(TSqlValue::OfText("2009-12-31 25:00")); },
       "'2009-12-31 25:00' is not a valid date and time"},
      {"tm", [](TField& f) { f.SetValue(TSqlValue::OfText("noon")); }, "'noon' is not a valid time"},
      // Letters are not skipped: no half of the text is read as the moment.
      {"tm", [](TField& f) { f.SetValue(TSqlValue::OfText("3:30 PM")); }, "'3:30 PM' is not a valid time"},
      {"tm", [](TField& f) { f.SetValue(TSqlValue::OfText("3 PM")); }, "'3 PM' is not a valid time"},
      {"d", [](TField& f) { f.SetValue(TSqlValue::OfText("12/03/2024 abc")); }, "'12/03/2024 abc' is not a valid date"},
      {"d", [](TField& f) { f.SetValue(TSqlValue::OfText("2024-03-12abc")); }, "'2024-03-12abc' is not a valid date"},
      {"dt", [](TField& f) { f.SetValue(TSqlValue::OfText("2024-03-12 03:00:00 PM")); },
       "'2024-03-12 03:00:00 PM' is not a valid date and time"},
      {"dt", [](TField& f) { f.SetValue(TSqlValue::OfText("12-03-2024 3:00 pm")); },
       "'12-03-2024 3:00 pm' is not a valid date and time"},
      {"dt", [](TField& f) { f.SetValue(TSqlValue::OfText("12-03-2024 \xC3\xA0 3:00")); },
       "'12-03-2024 \xC3\xA0 3:00' is not a valid date and time"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Field) + " " + c.Written);
    const std::string before = Scalar(*db, "select count(*) from t");
    query->Insert();
    const std::string error = ThrownMessage<EConvertError>([&] {
      c.Set(query->FieldByName(c.Field));
      query->Post();
    });
    if (c.Written[0] == '\'') {
      EXPECT_EQ(error, c.Written);
      query->Cancel();
      EXPECT_EQ(Scalar(*db, "select count(*) from t"), before);
      continue;
    }
    EXPECT_EQ(error, "");
    const std::string column = c.Field;
    EXPECT_EQ(Scalar(*db, "select typeof(" + column + ") || ':' || ifnull(" + column +
                              ", '') from t order by id desc limit 1"),
              c.Written);
  }
  // A parameter finds the rows the layer posted, and the layer reads them back as it wrote them.
  auto found = NewQuery(*db, {"select flag from t where flag = :flag"});
  for (const bool flag : {true, false}) {
    SCOPED_TRACE(flag);
    found->Close();
    found->Params.ParamByName("flag").SetAsBoolean(flag);
    found->Open();
    EXPECT_EQ(found->GetRecordCount(), flag ? 2 : 1);
    EXPECT_EQ(found->FieldByName("flag").AsBoolean(), flag);
  }
}

TEST(SqliteValuesTest, FieldDataToTextTakesOwnFieldsAndGivesLiteralsOrPlaces) {
  auto db = NewDatabase("sqlite_field_text",
                        "create table t (i integer, s varchar(20), f real, d date, "
                        "b boolean, g blob, m text, n integer);"
                        "insert into t values (5, 'O''Brien', 2.5, '2009-12-31', 'True', "
                        "x'00ff', 'memo', null)");
  auto query = NewQuery(*db, {"select * from t"});
  auto other = NewQuery(*db, {"select * from t"});
  query->Open();
  other->Open();
  const struct {
    const char* Field;
    const char* Literal;  // an error's message when the text has no literal
  } cases[] = {
      {"i", "5"},
      {"s", "'O''Brien'"},
      {"f", "2.5"},
      {"d", "'2009-12-31'"},
      {"b", "'True'"},
      {"n", "null"},
      {"g", "No place to store a blob field"},
      {"m", "No place to store a blob field"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Field);
    TField& field = query->FieldByName(c.Field);
    std::string literal;
    const std::string error =
        ThrownMessage<EInvalidArgument>([&] { literal = query->FieldDataToText(field, nullptr); });
    EXPECT_EQ(error.empty() ? literal : error, c.Literal);
    TSqlValues values;
    const std::string place = query->FieldDataToText(field, &values);
    EXPECT_EQ(place, field.IsNull() ? "null" : "?1");
    EXPECT_EQ(values.size(), field.IsNull() ? 0u : 1u);
  }
  TSqlValues values;
  EXPECT_EQ(ThrownMessage<EInvalidArgument>([&] { query->FieldDataToText(other->FieldByName("i"), &values); }),
            "Only own fields are accepted");
  EXPECT_TRUE(values.empty());
}

}  // namespace

namespace {

using namespace sqlitetest;

// The first check that fails is the one reported, as its own class of error.
TEST(SqliteChecksTest, TheFirstFailingCheckIsReported) {
  auto db = NewDatabase("sqlite_checks", "create table t (id integer, v); insert into t values (1, 'a')");
  auto query = NewQuery(*db, {"select * from t"});
  query->Name = "Notes";
  auto prepare = [&](bool readOnly, const char* state) {
    query->Close();
    query->ReadOnly = readOnly;
    query->Open();
    query->FieldByName("id").Required = true;
    if (std::string(state) == "insert") query->Insert();
    if (std::string(state) == "edit") {
      query->Edit();
      query->FieldByName("id").Clear();
    }
  };
  const struct {
    const char* Name;
    std::function<void()> Action;
    bool Sqlite3Error;  // else EDatabaseError
    const char* Message;
  } cases[] = {
      {"neither SQL nor connection", [] { TSqlite3Query(nullptr).Open(); }, true, "no query specified"},
      {"no connection",
       [] {
         TSqlite3Query lone(nullptr);
         lone.SQL().Add("select 1");
         lone.Open();
       },
       true, "no database connection"},
      {"read-only before required",
       [&] {
         prepare(true, "insert");
         query->Post();
       },
       true, "Cannot post into a read-only dataset"},
      {"required before the update SQL",
       [&] {
         prepare(false, "edit");
         query->Post();
       },
       false, "id is required."},
      {"the update SQL",
       [&] {
         prepare(false, "insert");
         query->FieldByName("id").SetAsInteger(2);
         query->Post();
       },
       true, "Missing TSqlite3UpdateSQL component"},
      {"a record added to a read-only query",
       [&] {
         prepare(true, "browse");
         query->AppendRecord({});
       },
       true, "Cannot write to a read-only dataset"},
      {"a read-only delete",
       [&] {
         prepare(true, "browse");
         query->Delete();
       },
       true, "Cannot delete from a read-only dataset"},
      {"no current record",
       [&] {
         TRecordReader empty(nullptr);
         empty.Name = "Notes";
         empty.SetConnection(db.get());
         empty.SetSQL({"select * from t where id > 5"});
         empty.Open();
         EXPECT_EQ(empty.GetRecord(TGetMode::gmNext, true), TGetResult::grEOF);
         empty.GetRecord(TGetMode::gmCurrent, true);
       },
       false, "Notes: No Records"},
      {"a bookmark that is gone", [&] { query->GotoBookmark(17); }, false, "Notes: Bookmark not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      c.Action();
      ADD_FAILURE() << "nothing raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), std::string(c.Message));
      EXPECT_EQ(dynamic_cast<const ESqlite3Error*>(&e) != nullptr, c.Sqlite3Error);
      EXPECT_EQ(dynamic_cast<const EDatabaseError*>(&e) != nullptr, !c.Sqlite3Error);
    }
    if (query->Active()) query->Cancel();
  }
  EXPECT_EQ(Scalar(*db, "select group_concat(id) from t"), "1");
}

TEST(SqliteChecksTest, InsertRecordWritesAtTheCurrentRecordAndAppendRecordAfterTheLast) {
  auto db = NewDatabase("sqlite_add_record",
                        "create table t (id integer primary key, v); insert into t values (1, 'a'), (2, 'b')");
  TSqlite3UpdateSQL update(nullptr);
  update.InsertSQL = {"insert into t (v) values (:v)"};
  auto query = NewQuery(*db, {"select * from t order by id"});
  query->SetUpdateSQL(&update);
  query->Open();
  query->Next();
  query->InsertRecord({TSqlValue::OfNull(), TSqlValue::OfText("x")});
  EXPECT_EQ(query->FieldByName("v").AsString(), "x");
  query->AppendRecord({TSqlValue::OfNull(), TSqlValue::OfText("y")});
  EXPECT_EQ(query->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(query->FieldByName("id").AsInteger(), 4);
  EXPECT_EQ(Column(*query, "v"), "a;x;b;y;");
  EXPECT_EQ(Scalar(*db, "select group_concat(id || v) from t"), "1a,2b,3x,4y");
}

}  // namespace
