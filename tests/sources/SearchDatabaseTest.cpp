// The database source over a fake provider: the statements it is given, the rows it reports,
// and the list the options dialog edits.
#include <gtest/gtest.h>

#include <map>

#include "sources/SearchDatabase.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"

namespace {

// Databases by connection string, each answering every statement with its rows; what was run
// is recorded as "sql | parameter | ...".
class TFakeConnector : public TDatabaseConnector {
 public:
  std::map<std::string, std::vector<TDbRow>> Tables;
  bool TakesParameters = true;
  std::vector<std::string> Statements;

  std::unique_ptr<TDatabaseSession> Open(const std::string& connectionString) override {
    if (!Tables.count(connectionString)) throw Exception("Cannot open " + connectionString);
    return std::make_unique<TSession>(*this, Tables[connectionString]);
  }

 private:
  class TSession : public TDatabaseSession {
   public:
    TSession(TFakeConnector& owner, const std::vector<TDbRow>& rows) : FOwner(owner), FRows(rows) {}
    void Run(const std::string& sql, const TStringList& parameters, const TDbRowFunc& onRow) override {
      std::string call = sql;
      for (const std::string& parameter : parameters) call += " | " + parameter;
      FOwner.Statements.push_back(call);
      if (!parameters.empty() && !FOwner.TakesParameters) throw Exception("Parameters are not supported");
      for (TDbRow row : FRows)
        if (!onRow(std::move(row))) return;
    }

   private:
    TFakeConnector& FOwner;
    const std::vector<TDbRow>& FRows;
  };
};

class TFakeWindows : public TDatabaseWindows {
 public:
  bool ShowOptions() override { return true; }
  void ShowRecord(const TStringList& lines) override { Records.push_back(lines); }
  void LoadRecordIcon(TItemData&) override {}
  std::vector<TStringList> Records;
};

const TDbRow Alice = {{"name", "Alice"}, {"city", "Paris"}, {"age", "31"}, {"note", ""}};

class SearchDatabaseTest : public ::testing::Test {
 protected:
  SearchDatabaseTest() {
    Connector->Tables = {{"people", {Alice}}, {"one column", {{{"id", "7"}}}}};
    Define({{"Broken", "missing", "select 1"}, {"People", "people", "select * from p where name like '%#search#%'"}});
  }

  void Define(const TDatabaseDefinitions& databases) {
    TMemIniFile ini(WriteSettingsFile(TSearchDatabase::IniFileName, ""));
    SaveDatabases(databases, ini);
    ini.UpdateFile();
    Source.Reset();
  }

  std::shared_ptr<TFakeConnector> Connector = std::make_shared<TFakeConnector>();
  std::shared_ptr<TFakeWindows> Windows = std::make_shared<TFakeWindows>();
  TSearchDatabase Source{nullptr, Connector, Windows};
};

}  // namespace

TEST(SqlStatementTest, TheTypedTextIsAValueNeverSql) {
  struct TCase {
    const char* Sql;
    std::string Bound;
    TStringList Parameters;
    std::string Literal;
  } cases[] = {
      {"select * from t where a like '%#search#%'",
       "select * from t where a like ?",
       {"%o'k%"},
       "select * from t where a like '%o''k%'"},
      {"where a = #search# or b like 'x''#search#%'",
       "where a = ? or b like ?",
       {"o'k", "x'o'k%"},
       "where a = 'o''k' or b like 'x''o''k%'"},
      {"where a = '#SEARCH#' and b = '?'", "where a = '#SEARCH#' and b = '?'", {}, "where a = '#SEARCH#' and b = '?'"},
      {"where a = 'open #search#", "where a = ?", {"open o'k"}, "where a = 'open o''k'"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Sql);
    const TSearchStatement statement = BindSearchText(c.Sql, "o'k");
    EXPECT_EQ(statement.Text(), c.Bound);
    EXPECT_EQ(statement.Parameters, c.Parameters);
    EXPECT_EQ(statement.LiteralText(), c.Literal);
  }
}

TEST(SqlStatementTest, AConnectionStringWithoutProviderIsAnOdbcOne) {
  const std::pair<const char*, bool> cases[] = {{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\db.mdb", true},
                                                {"Data Source=x; provider = SQLOLEDB", true},
                                                {"Driver={SQLite3 ODBC Driver;Provider=x};Database=c:\\a.db", false},
                                                {"DSN=notes;PWD=\"a;Provider=b\"", false},
                                                {"", false}};
  for (const auto& [connectionString, oleDb] : cases)
    EXPECT_EQ(NamesOleDbProvider(connectionString), oleDb) << connectionString;
}

TEST_F(SearchDatabaseTest, AFailingDatabaseIsNamedAfterTheOthersAreSearched) {
  std::string failure;
  const std::vector<TItemRecord> hits = CollectHits(Source, "li", &failure);
  EXPECT_EQ(failure, "Database Broken: Cannot open missing");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].DisplayName, "Alice Paris ");
  EXPECT_EQ(hits[0].Hint, "name=Alice\r\ncity=Paris\r\nage=31\r\nnote=\r\n");
  EXPECT_EQ(Connector->Statements, TStringList{"select * from p where name like ? | %li%"});

  TItemData item(hits[0]);
  Source.Execute(item);
  EXPECT_EQ(Windows->Records, (std::vector<TStringList>{{"name: Alice", "city: Paris", "age: 31", "note: "}}));
  Source.Reset();
  EXPECT_THROW(Source.Execute(item), Exception);
}

TEST_F(SearchDatabaseTest, AProviderWithoutParametersGetsTheTextWrittenIn) {
  Define({{"One", "one column", "select id from t where id = #search#"}});
  Connector->TakesParameters = false;
  for (int search = 0; search < 2; ++search) EXPECT_EQ(HitNames(CollectHits(Source, "7")), TStringList{"7 "});
  EXPECT_EQ(Connector->Statements, (TStringList{"select id from t where id = ? | 7", "select id from t where id = '7'",
                                                "select id from t where id = '7'"}));
}

TEST(DatabaseListTest, NamesAreRefusedThatTheFileCannotHoldApart) {
  TDatabaseRows rows = NewDatabaseRows();
  rows.Add({"People", "", ""});
  rows.Add({"Books", "", ""});
  struct TCase {
    std::string Name;
    int Editing;
    bool Refused;
  } cases[] = {{"Films", -1, false}, {"people", -1, true}, {"people", 0, false}, {"BOOKS", 0, true},
               {" ", -1, true},      {"a]b", -1, true},    {"a\r\nb", -1, true}, {" Films", -1, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name + " " + std::to_string(c.Editing));
    EXPECT_EQ(!DatabaseNameError(rows, c.Name, c.Editing).empty(), c.Refused);
  }
}

TEST(DatabaseListTest, TheFileKeepsTheListsOrderAndLineBreaks) {
  TMemIniFile ini(WriteSettingsFile("databases_order.ini", "[B]\r\nSQL=x\r\n[A]\r\nSQL=y\r\n"));
  const TDatabaseDefinitions moved = {{"A", "Provider=X;Data Source=a", "select 1\r\nfrom a"}, {"B", "", "x"}};
  SaveDatabases(moved, ini);
  EXPECT_EQ(ini.SectionNames(), (TStringList{"A", "B"}));
  EXPECT_EQ(ini.ReadString("A", "SQL", ""), "select 1#13#10from a");
  EXPECT_EQ(LoadDatabases(ini), moved);
}
