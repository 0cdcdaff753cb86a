#include "data/sqlite/SQLite3Utils.h"

#include <gtest/gtest.h>

#include "data/sqlite/SQLite3Query.h"

namespace {

using enum TFieldType;

TEST(SqliteUtilsTest, DeclaredTypesMapToFieldTypesAndOddOnesFallBack) {
  const struct {
    const char* Declared;
    TFieldType Type;
    int Size, Precision;
  } cases[] = {
      {"VARCHAR(40)", ftString, 40, 0},        {"nvarchar(10)", ftWideString, 20, 0},
      {"NUMERIC(10,2)", ftFloat, 10, 2},       {"numeric(8.125)", ftFloat, 8, 12},
      {"numeric(7)", ftFloat, 7, 0},           {"decimal(9,2)", ftString, 255, 0},
      {"varchar(", ftString, 256, 0},          {"varchar (20)", ftString, 255, 0},
      {"Integer", ftInteger, 12, 0},           {"", ftString, 255, 0},
      {"TIMESTAMP", ftTimeStamp, 12, 0},       {"LONGVARCHAR", ftString, 255, 0},
      {"nvarchar(max)", ftString, 255, 0},     {"char(-3)", ftString, 255, 0},
      {"nchar(1411111111)", ftString, 255, 0}, {"numeric(x,y)", ftString, 255, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Declared);
    TFieldType type;
    int size = 0, precision = 0;
    GetFieldInfo(c.Declared, type, size, precision);
    EXPECT_EQ(type, c.Type);
    EXPECT_EQ(size, c.Size);
    EXPECT_EQ(precision, c.Precision);
  }
}

TEST(SqliteUtilsTest, DateTextsParseInEitherOrderAndFallBack) {
  TFormatSettings settings;
  settings.ShortDateFormat = "mm/dd/yyyy";
  for (const char* text : {"31-12-2009", "2009-12-31", "12/31/2009"})
    EXPECT_EQ(TextToDate(text, settings), EncodeDate(2009, 12, 31)) << text;
  EXPECT_EQ(TextToDate("no date", settings), EncodeDate(1900, 1, 1));
  EXPECT_EQ(FormatDateTime("hh:nn:ss", TextToTime("2009-12-31 13:45:10.250")), "13:45:10");
  EXPECT_EQ(TextToTime("nonsense"), 0);
  // A text with letters is none of the forms: never the numbers it holds read as another moment.
  EXPECT_EQ(TextToDate("12/31/2009 abc", settings), EncodeDate(1900, 1, 1));
  EXPECT_EQ(TextToTime("2009-12-31 3:30 PM"), 0);
  // Before the epoch the days are negative and the time still counts forward.
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", EncodeDate(1850, 2, 28) + EncodeTime(23, 59, 59, 999)),
            "1850-02-28 23:59:59.999");
}

// SQLite writes numbers with "."; the user's separator marks the fraction of what they read.
TEST(SqliteUtilsTest, NumberTextsReadWithTheUsersDecimalSeparator) {
  const std::string arabic = "\xD9\xAB";  // U+066B, a separator of more than one byte
  const struct {
    std::string Text, Separator, Localized;
    double Read, FromSQLite;  // TextToExtended of Text; SQLiteTextToFloat of Text
  } cases[] = {
      {"3.5", ",", "3,5", 0, 3.5},
      {"3,5", ",", "3,5", 3.5, 3.5},
      {" -1,5e2 ", ",", " -1,5e2 ", -150, -150},
      {"1.2.3", ",", "1,2.3", 0, 0},
      {"1,5,3", ",", "1,5,3", 0, 0},
      {"42", ",", "42", 42, 42},
      {"3.5", ".", "3.5", 3.5, 3.5},
      {"3,5", ".", "3,5", 0, 0},
      {"2.25", arabic, "2" + arabic + "25", 0, 2.25},
      {"no number", ",", "no number", 0, 0},
      {"", ",", "", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text + " with " + c.Separator);
    EXPECT_EQ(LocalizeDecimalPoint(c.Text, c.Separator), c.Localized);
    EXPECT_EQ(TextToExtended(c.Text, c.Separator), c.Read);
    EXPECT_EQ(SQLiteTextToFloat(c.Text, c.Separator), c.FromSQLite);
  }
  // The tests run in the C library's own locale.
  EXPECT_EQ(UserDecimalSeparator(), ".");
  EXPECT_EQ(TextToExtended("2.5"), 2.5);
}

TEST(SqliteUtilsTest, SQLiteDateTimeTextsKeepTheirFractionAndACutTimeIsAnError) {
  const struct {
    const char* Text;
    const char* Read;  // nullptr: an EConvertError
  } cases[] = {
      {"2009-12-31", "2009-12-31 00:00:00.000"},
      {"2009-12-31 13:45:10.5", "2009-12-31 13:45:10.500"},
      {"2009-12-31T08:05", "2009-12-31 08:05:00.000"},
      {"2009-12-3", "1899-12-30 00:00:00.000"},  // no date: 0
      {"2009-13-31", nullptr},
      // A time cut short is an error, never a read past the text.
      {"2009-12-31 1", nullptr},
      {"2009-12-31 13:4", nullptr},
      // The milliseconds' place holds digits only.
      {"2009-12-31 03:00:00 PM", nullptr},
      {"2009-12-31 13:45:10.5Z", nullptr},
      {"2009-12-31 13:45:10.", "2009-12-31 13:45:10.000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    if (c.Read) {
      EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", SQLiteTextToDateTime(c.Text)), c.Read);
    } else {
      EXPECT_THROW(SQLiteTextToDateTime(c.Text), EConvertError);
    }
  }
}

TEST(SqliteUtilsTest, ParametersBecomeNumberedPlacesOutsideQuotesAndComments) {
  const TParsedSQL parsed = ParseSQLParams(
      "select ':x?', \"a:b\", [c:d] from t -- :no\nwhere a = :a and b = :B /* :c */ or c = :a and t = '12::30'::int");
  EXPECT_EQ(parsed.Names, (std::vector<std::string>{"a", "B"}));
  EXPECT_EQ(parsed.SQL,
            "select ':x?', \"a:b\", [c:d] from t -- :no\nwhere a = ?1 and b = ?2 /* :c */ or c = ?1 and t = "
            "'12::30':int");
  EXPECT_EQ(ParseSQLParams("select 'open").SQL, "select 'open");
}

TEST(SqliteUtilsTest, RowStoreBookmarksAreNeverReused) {
  TFResult rows(1);
  EXPECT_EQ(rows.Add({TSqlValue::OfInteger(1)}, -1), 0);
  rows.Add({TSqlValue::OfInteger(2)}, 7);
  rows.Add({TSqlValue::OfInteger(3)}, 8);
  rows.Delete(1);
  const int index = rows.Add({TSqlValue::OfInteger(4)}, 9);
  EXPECT_EQ(rows.GetBookmark(index), 3);
  EXPECT_EQ(rows.IndexOfBookmark(1), -1);
  // Out of range: nothing.
  EXPECT_EQ(rows.GetData(5), nullptr);
  EXPECT_EQ(rows.GetBookmark(-1), -1);
  rows.Delete(17);
  EXPECT_EQ(rows.Count(), 3);
}

}  // namespace
