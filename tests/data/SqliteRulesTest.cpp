// The rules of the connection's names, its two collations, the macro scanner's tokens, blob
// parameters and the SQL filter.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/data/SqliteTestSupport.h"

namespace {

using namespace sqlitetest;

TEST(SqliteRulesTest, TheDatabaseNameTakesTheDefaultExtensionOnceItIsKnown) {
  const struct {
    const char* Name;
    std::function<void(TSqlite3DB&)> Before;
    const char* Database;
  } cases[] = {
      {"notes", [](TSqlite3DB&) {}, "notes"},  // no extension known yet
      {"notes", [](TSqlite3DB& db) { EXPECT_EQ(db.GetDefaultExt(), ".sqb"); }, "notes.sqb"},
      {" notes\t", [](TSqlite3DB& db) { db.SetDefaultExt(".db"); }, "notes.db"},
      {"dir.x\\notes", [](TSqlite3DB& db) { db.SetDefaultExt(".db"); }, "dir.x\\notes.db"},
      {"a.sqlite", [](TSqlite3DB& db) { db.SetDefaultExt(".db"); }, "a.sqlite"},
      {":Memory:", [](TSqlite3DB& db) { db.SetDefaultExt(".db"); }, ":Memory:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSqlite3DB db(nullptr);
    c.Before(db);
    db.SetDatabase(c.Name);
    EXPECT_EQ(db.GetDatabase(), c.Database);
  }
  TSqlite3DB db(nullptr);
  EXPECT_EQ(db.GetDriverDLL(), "SQLite3.dll");
}

TEST(SqliteRulesTest, TheFileNameComesFromTheDefaultFolderOrTheCurrentOne) {
  TSqlite3DB db(nullptr);
  db.SetDatabase("a.db");
  EXPECT_EQ(db.DatabaseFileName(), std::filesystem::current_path().string() + testpaths::Sep + "a.db");
  db.DefaultDir = "C:\\data";
  EXPECT_EQ(db.DatabaseFileName(), "C:\\data\\a.db");
  EXPECT_EQ(db.DefaultDir, "C:\\data\\");
  db.DefaultDir.clear();
  db.SetDatabase("x\\a.db");
  EXPECT_EQ(db.DatabaseFileName(), "x\\a.db");
}

// In any letter case, and whatever folder, existence test or extension is set.
TEST(SqliteRulesTest, AnInMemoryDatabaseIsNoFile) {
  const std::string folder = testpaths::FreshFolder("sqlite_memory");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  for (const char* name : {":memory:", ":MEMORY:"}) {
    SCOPED_TRACE(name);
    auto db = Connection(name);
    db->GetDefaultExt();
    db->SetDatabase(name);
    db->DefaultDir = folder + "missing";
    db->MustExist = true;
    db->SetConnected(true);
    db->ExecuteSQL("create table t (a); insert into t values (1)");
    EXPECT_EQ(Scalar(*db, "select count(*) from t"), "1");
  }
  std::filesystem::current_path(previous);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(SqliteRulesTest, TheTwoCollationsCompareBytesWithAndWithoutCase) {
  auto db = NewDatabase("sqlite_collations", "create table t (v); insert into t values ('c'), ('_'), ('B'), ('a')");
  // Letters fold to capitals, so "_" (after "Z", before "a") sorts after every letter.
  EXPECT_EQ(Scalar(*db, "select group_concat(v, '') from (select v from t order by v collate systemnocase)"), "aBc_");
  EXPECT_EQ(Scalar(*db, "select group_concat(v, '') from (select v from t order by v collate system)"), "B_ac");
  EXPECT_EQ(Scalar(*db, "select ('abc' = 'ABC' collate systemnocase) || ('abc' = 'ABC' collate system)"), "10");
  // Only the given lengths count; a shorter text that is the start of the other sorts first.
  EXPECT_EQ(SystemNoCaseCollation(nullptr, 2, "abX", 2, "ABY"), 0);
  EXPECT_LT(SystemCollation(nullptr, 2, "ab", 3, "abc"), 0);
  EXPECT_GT(SystemCollation(nullptr, 1, "b", 1, "B"), 0);
}

TEST(SqliteRulesTest, TheMacroScannerKnowsItsTokenKindsAndNumberForms) {
  const struct {
    const char* Text;
    const char* Tokens;  // kind:token of each, up to the end (kind 9)
  } cases[] = {
      {"set a = :b", "1:set 1:a 6:= 8:: 1:b 9:"},
      {"-12 3.50 1.0 007 1-2 -", "2:-12 7:3.5 7:1 2:7 2:1-2 2:- 9:"},
      {"a:=b x_1y2", "1:a 3::= 1:b 1:x_1y2 9:"},
      {"'x y' \"My Col\"", "4:x y 5:My Col 9:"},
      {"<= <> >= >< < = >", "6:<= 6:<> 6:>= 6:>< 6:< 6:= 6:> 9:"},
      {"a ! a comment\r\nb ! the last", "1:a 1:b 9:"},
      {", ( ) *", "0:, 0:( 0:) 0:* 9:"},
      {"'open", "4:open 9:"},
      {"", "9:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const std::string text = c.Text;
    std::string tokens;
    size_t position = 1;
    TMacroToken kind = mtNone;
    std::string token;
    do {
      ScanSQLMacro(text, position, kind, token);
      tokens += (tokens.empty() ? "" : " ") + std::to_string(kind) + ":" + token;
    } while (kind != mtEnd && tokens.size() < 200);
    EXPECT_EQ(tokens, c.Tokens);
    EXPECT_GT(position, text.size());
  }
}

TEST(SqliteRulesTest, BlobParametersAreWrittenAndFoundAsBytes) {
  auto db = NewDatabase("sqlite_blob_params", "create table t (a, b blob, c blob)");
  auto insert = NewQuery(*db, {"insert into t values (:a, :b, :c)"});
  insert->Params.ParamByName("a").SetAsString("text");
  insert->Params.ParamByName("b").SetAsBlob(std::string("\0\xff", 2));
  insert->Params.ParamByName("c").SetAsBlob("z?");
  insert->ExecSQL();
  EXPECT_EQ(Scalar(*db, "select typeof(a) || typeof(b) || typeof(c) || hex(b) || hex(c) from t"),
            "textblobblob00FF7A3F");
  auto found = NewQuery(*db, {"select a from t where b = :b and c = :c"});
  found->Params.ParamByName("b").SetAsBlob(std::string("\0\xff", 2));
  found->Params.ParamByName("c").SetAsBlob("z?");
  found->Open();
  EXPECT_EQ(Column(*found, "a"), "text;");
}

TEST(SqliteRulesTest, AFilterTextReopensTheQueryAndItsSyntaxErrorLeavesItClosed) {
  auto db = NewDatabase("sqlite_filter", "create table t (a integer); insert into t values (1), (2), (3)");
  auto query = NewQuery(*db, {"select a from t order by a"});
  query->SetFilterText("a >= 2");
  EXPECT_EQ(Column(*query, "a"), "closed");  // a closed query only takes the text
  query->Open();
  EXPECT_EQ(Column(*query, "a"), "1;2;3;");  // not filtered yet
  query->Filtered = true;
  query->SetFilterText("a >= 2");
  EXPECT_EQ(Column(*query, "a"), "2;3;");
  EXPECT_EQ(ThrownMessage<EDatabaseError>([&] { query->SetFilterText("a = = 1"); }), "near \"=\": syntax error");
  EXPECT_FALSE(query->Active());
  query->SetFilterText("a < 2");
  query->Open();
  EXPECT_EQ(Column(*query, "a"), "1;");
}

}  // namespace
