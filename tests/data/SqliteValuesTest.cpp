// How field and parameter values reach the file: what a post writes, read back with SQLite's own
// eyes, and the parameters that find those rows again.
#include <gtest/gtest.h>

#include <functional>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

TEST(SqliteValuesTest, BooleanAndDateWritesAsTheFileHoldsThem) {
  auto db = NewDatabase("sqlite_write_values", "create table t (id integer primary key, flag boolean, d date, "
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
      {"d", [&](TField& f) { f.SetValue(TSqlValue::OfInteger(static_cast<int64_t>(newYearsEve))); },
       "text:2009-12-31"},
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
  auto db = NewDatabase("sqlite_field_text", "create table t (i integer, s varchar(20), f real, d date, "
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
      {"i", "5"},     {"s", "'O''Brien'"},    {"f", "2.5"},
      {"d", "'2009-12-31'"},                  {"b", "'True'"},
      {"n", "null"},  {"g", "No place to store a blob field"}, {"m", "No place to store a blob field"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Field);
    TField& field = query->FieldByName(c.Field);
    std::string literal;
    const std::string error = ThrownMessage<EInvalidArgument>([&] { literal = query->FieldDataToText(field, nullptr); });
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
