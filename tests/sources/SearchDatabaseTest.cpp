// The database source over a fake provider: the statements it is given, the rows it reports,
// and the list the options dialog edits.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "sources/SearchDatabase.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"

namespace {

// Databases by connection string, each answering every statement with its rows; what was run
// is recorded as "sql | parameter | ...". A bound statement may be refused as bound, or fail.
struct TFakeConnector : TDatabaseConnector {
  enum TParameters { Taken, NotTaken, Failing };
  std::map<std::string, std::vector<TDbRow>> Tables;
  TParameters Parameters = Taken;
  std::vector<std::string> Statements;
  int Opens = 0;
  std::function<void()> WhileRunning;  // inside every statement

  std::unique_ptr<TDatabaseSession> Open(const std::string& connectionString) override {
    if (!Tables.count(connectionString)) throw Exception("Cannot open " + connectionString);
    ++Opens;
    return std::make_unique<TSession>(*this, Tables[connectionString]);
  }

  struct TSession : TDatabaseSession {
    TSession(TFakeConnector& owner, const std::vector<TDbRow>& rows) : FOwner(owner), FRows(rows) {}
    void Run(const std::string& sql, const TStringList& parameters, const TDbRowFunc& onRow) override {
      std::string call = sql;
      for (const std::string& parameter : parameters) call += " | " + parameter;
      FOwner.Statements.push_back(call);
      if (!parameters.empty() && FOwner.Parameters == NotTaken) throw EParametersNotTaken("Not supported");
      if (!parameters.empty() && FOwner.Parameters == Failing) throw Exception("No such table");
      if (FOwner.WhileRunning) FOwner.WhileRunning();
      if (FCancelled) throw Exception("Cancelled");
      for (TDbRow row : FRows)
        if (!onRow(std::move(row))) return;
    }

    void Cancel() override { FCancelled = true; }
    TFakeConnector& FOwner;
    const std::vector<TDbRow>& FRows;
    std::atomic<bool> FCancelled{false};
  };
};

struct TFakeWindows : TDatabaseWindows {
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
      // Comments and quoted identifiers are not SQL's literals: their markers stay, and a comment
      // with a quote is sent as a blank.
      {"select name from animals -- the keeper's list\nwhere name like '%#search#%'",
       "select name from animals  \nwhere name like ?",
       {"%o'k%"},
       "select name from animals  \nwhere name like '%o''k%'"},
      {"/* it is #search# */ where a = 5-#search# or b = 6/#search# -- [#search#",
       "/* it is #search# */ where a = 5-? or b = 6/?  ",
       {"o'k", "o'k"},
       "/* it is #search# */ where a = 5-'o''k' or b = 6/'o''k'  "},
      {"select \"it's \"\"x\", [it's]]#search#], `it's #search#` from t where c = '#search#'",
       "select \"it's \"\"x\", [it's]]#search#], `it's #search#` from t where c = ?",
       {"o'k"},
       "select \"it's \"\"x\", [it's]]#search#], `it's #search#` from t where c = 'o''k'"},
      // A marker in double quotes is a text's, as many databases read them; "..." without one stays.
      {"select \"name\" from t where \"title\" = \"#search#\" or b like \"%\"\"#search#%\"",
       "select \"name\" from t where \"title\" = ? or b like ?",
       {"o'k", "%\"o'k%"},
       "select \"name\" from t where \"title\" = 'o''k' or b like '%\"o''k%'"},
      {"where a = 1 /* '#search#", "where a = 1  ", {}, "where a = 1  "},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Sql);
    const TSearchStatement statement = BindSearchText(c.Sql, "o'k");
    EXPECT_EQ(statement.Text(), c.Bound);
    EXPECT_EQ(statement.Parameters, c.Parameters);
    EXPECT_EQ(statement.LiteralText(), c.Literal);
  }
}

TEST(SqlStatementTest, TheOleDbProviderForOdbcStandsForItsOdbcConnection) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"Provider=MSDASQL.1;Persist Security Info=False;User ID=ann;Password='a;''b';Data Source=notes",
       "UID=ann;PWD={a;'b};DSN=notes"},
      {"provider = msdasql; Extended Properties=\"Driver={SQLite3 ODBC};Database=/tmp/a.db\"",
       "Driver={SQLite3 ODBC};Database=/tmp/a.db"},
      {"Provider=MSDASQL;DSN=notes;Prompt=4;Timeout=7;Data Source=\" pad \"", "DSN=notes;Timeout=7;DSN={ pad }"},
      {"Provider=MSDASQL;;Data Source=notes; ;User ID=ann;", "DSN=notes;UID=ann"},
      {"Provider=MSDASQLX;Data Source=notes", std::nullopt},
      {"Provider=SQLOLEDB;Data Source=server", std::nullopt},
      {"DSN=notes", std::nullopt},
  };
  for (const auto& [connectionString, odbc] : cases)
    EXPECT_EQ(OdbcConnectionOfMsdasql(connectionString), odbc) << connectionString;
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
  // The connection stays open for the next search, until Reset.
  CollectHits(Source, "li", &failure);
  EXPECT_EQ(Connector->Opens, 1);
  Source.Reset();
  EXPECT_THROW(Source.Execute(item), Exception);
  CollectHits(Source, "li", &failure);
  EXPECT_EQ(Connector->Opens, 2);
}

// Each search tries parameters first; only a provider that refuses them gets the text, and only
// inside string literals.
TEST_F(SearchDatabaseTest, AProviderWithoutParametersGetsTheTextOnlyInsideLiterals) {
  const struct {
    const char* Sql;
    TFakeConnector::TParameters Parameters;
    TStringList Statements;  // of one search
    std::string Failure;
  } cases[] = {
      {"select id from t where id = '#search#'", TFakeConnector::NotTaken,
       {"select id from t where id = ? | 7", "select id from t where id = '7'"}, ""},
      {"select id from t where id = #search#", TFakeConnector::NotTaken, {"select id from t where id = ? | 7"},
       "Database One: This database takes no parameters, so #search# may stand only inside a string literal ('...')."},
      {"select id from t where id = '#search#'", TFakeConnector::Failing, {"select id from t where id = ? | 7"},
       "Database One: No such table"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Sql);
    Define({{"One", "one column", c.Sql}});
    Connector->Parameters = c.Parameters;
    for (int search = 0; search < 2; ++search) {
      Connector->Statements.clear();
      std::string failure;
      EXPECT_EQ(HitNames(CollectHits(Source, "7", &failure)), c.Failure.empty() ? TStringList{"7 "} : TStringList{});
      EXPECT_EQ(failure, c.Failure);
      EXPECT_EQ(Connector->Statements, c.Statements);
    }
  }
}

// A statement blocked in its driver ends when the worker is told to stop, and the stopped search
// reports no error.
TEST_F(SearchDatabaseTest, AStopCancelsTheRunningStatement) {
  std::atomic<bool> running{false};
  Connector->WhileRunning = [&] {
    running = true;
    for (int i = 0; i < 10000 && running; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  std::thread stopper([&] {
    while (!running) std::this_thread::yield();
    Source.CancelSearch();
    running = false;
  });
  std::string failure;
  EXPECT_EQ(HitNames(CollectHits(Source, "li", &failure)), TStringList{});
  stopper.join();
  EXPECT_EQ(failure, "");
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
