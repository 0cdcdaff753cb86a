#include "data/sqlite/SQLite3Utils.h"

#include <gtest/gtest.h>

#include "data/sqlite/SQLite3Query.h"

namespace {

struct TypeInfo {
  TFieldType type;
  int size;
  int precision;
};

TypeInfo Info(const std::string& declared) {
  TypeInfo info{};
  GetFieldInfo(declared, info.type, info.size, info.precision);
  return info;
}

TEST(SqliteUtilsTest, DeclaredTypesMapToFieldTypes) {
  EXPECT_EQ(Info("VARCHAR(40)").type, TFieldType::ftString);
  EXPECT_EQ(Info("VARCHAR(40)").size, 40);
  EXPECT_EQ(Info("nvarchar(10)").type, TFieldType::ftWideString);
  EXPECT_EQ(Info("nvarchar(10)").size, 20);
  EXPECT_EQ(Info("NUMERIC(10,2)").type, TFieldType::ftFloat);
  EXPECT_EQ(Info("NUMERIC(10,2)").size, 10);
  EXPECT_EQ(Info("NUMERIC(10,2)").precision, 2);
  EXPECT_EQ(Info("numeric(8.125)").precision, 12);
  EXPECT_EQ(Info("numeric(7)").precision, 0);
  EXPECT_EQ(Info("decimal(9,2)").type, TFieldType::ftString);
  EXPECT_EQ(Info("varchar(").size, 256);
  EXPECT_EQ(Info("varchar (20)").size, 255);
  EXPECT_EQ(Info("Integer").type, TFieldType::ftInteger);
  EXPECT_EQ(Info("").type, TFieldType::ftString);
  EXPECT_EQ(Info("").size, 255);
  EXPECT_EQ(Info("TIMESTAMP").type, TFieldType::ftTimeStamp);
  EXPECT_EQ(Info("LONGVARCHAR").type, TFieldType::ftString);
}

TEST(SqliteUtilsTest, OddDeclaredTypesFallBackInsteadOfFailing) {
  EXPECT_EQ(Info("varchar(max)").type, TFieldType::ftString);
  EXPECT_EQ(Info("varchar(max)").size, 255);
  EXPECT_EQ(Info("nvarchar(max)").type, TFieldType::ftString);
  EXPECT_EQ(Info("numeric(x,y)").type, TFieldType::ftString);
  EXPECT_EQ(Info("char(-3)").size, 255);
  EXPECT_EQ(Info("nchar(1411111111)").size, 255);
}

TEST(SqliteUtilsTest, DatesParseInEitherOrderAndFallBack) {
  TFormatSettings settings;
  settings.ShortDateFormat = "mm/dd/yyyy";
  const TDateTime expected = EncodeDate(2009, 12, 31);
  EXPECT_EQ(TextToDate("31-12-2009", settings), expected);
  EXPECT_EQ(TextToDate("2009-12-31", settings), expected);
  EXPECT_EQ(TextToDate("12/31/2009", settings), expected);
  EXPECT_EQ(TextToDate("no date", settings), EncodeDate(1900, 1, 1));
  EXPECT_EQ(FormatDateTime("hh:nn:ss", TextToTime("2009-12-31 13:45:10.250")), "13:45:10");
  EXPECT_EQ(TextToTime("nonsense"), 0);
}

TEST(SqliteUtilsTest, SQLiteDateTimeTextsKeepTheirFraction) {
  EXPECT_EQ(SQLiteTextToDateTime("2009-12-31"), EncodeDate(2009, 12, 31));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", SQLiteTextToDateTime("2009-12-31 13:45:10.250")),
            "2009-12-31 13:45:10.250");
  EXPECT_EQ(FormatDateTime("ss.zzz", SQLiteTextToDateTime("2009-12-31 13:45:10.5")), "10.500");
  EXPECT_EQ(FormatDateTime("ss.zzz", SQLiteTextToDateTime("2009-12-31 13:45:10.25")), "10.250");
  EXPECT_EQ(FormatDateTime("hh:nn", SQLiteTextToDateTime("2009-12-31T08:05")), "08:05");
  EXPECT_EQ(SQLiteTextToDateTime("2009-12-3"), 0);
  EXPECT_THROW(SQLiteTextToDateTime("2009-13-31"), EConvertError);
  EXPECT_THROW(SQLiteTextToDateTime("abcd-ef-gh"), EConvertError);
  // A time cut short is an error, never a read past the text.
  EXPECT_THROW(SQLiteTextToDateTime("2009-12-31 1"), EConvertError);
  EXPECT_THROW(SQLiteTextToDateTime("2009-12-31 13:4"), EConvertError);
}

TEST(SqliteUtilsTest, DatesBeforeTheEpochDecodeWhole) {
  const TDateTime value = EncodeDate(1850, 2, 28) + EncodeTime(23, 59, 59, 999);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value), "1850-02-28 23:59:59.999");
  EXPECT_EQ(FormatDateTime("\"day\" d", EncodeDate(2024, 2, 29)), "day 29");
}

std::vector<std::pair<int, std::string>> Tokens(const std::string& text) {
  std::vector<std::pair<int, std::string>> tokens;
  size_t position = 1;
  TMacroToken kind = mtNone;
  std::string token;
  do {
    ScanSQLMacro(text, position, kind, token);
    tokens.emplace_back(kind, token);
  } while (kind != mtEnd && tokens.size() < 50);
  return tokens;
}

TEST(SqliteUtilsTest, MacroTokens) {
  using T = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(Tokens("set a = :b"), (T{{mtName, "set"}, {mtName, "a"}, {mtCompare, "="}, {mtParam, ":"},
                                     {mtName, "b"}, {mtEnd, ""}}));
  EXPECT_EQ(Tokens("-12 3.50 <> :="), (T{{mtInteger, "-12"}, {mtFloat, "3.5"}, {mtCompare, "<>"}, {mtAssign, ":="},
                                         {mtEnd, ""}}));
  EXPECT_EQ(Tokens("a ! a comment"), (T{{mtName, "a"}, {mtEnd, ""}}));
  EXPECT_EQ(Tokens("'it' \"col name\""), (T{{mtString, "it"}, {mtQuotedName, "col name"}, {mtEnd, ""}}));
  EXPECT_EQ(Tokens("'open"), (T{{mtString, "open"}, {mtEnd, ""}}));
  EXPECT_THROW(SyntaxCheck("updat", "update"), ESqlite3Error);
  EXPECT_TRUE(SyntaxCheck("UPDATE", "update"));
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
  EXPECT_EQ(rows.GetRowId(0), 0);
  EXPECT_EQ(rows.IndexOfBookmark(1), -1);
  EXPECT_EQ(rows.GetData(5), nullptr);
  EXPECT_EQ(rows.GetData(2)->Int, 4);
  rows.Insert(0, {TSqlValue::OfText("first")}, 11);
  EXPECT_EQ(rows.GetData(0)->Bytes, "first");
  EXPECT_EQ(rows.GetData(1)->Int, 1);
  EXPECT_EQ(rows.GetBookmark(-1), -1);
  rows.Delete(17);
  EXPECT_EQ(rows.Count(), 4);
}

}  // namespace
