// The database source on Windows: a real SQLite file through Wine's ODBC (the host's unixODBC
// and its SQLite driver), ADO over the OLE DB provider for ODBC as far as Wine takes it, and the
// source's windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/win32/FDatabaseOptions.h"
#include "app/win32/FDbNote.h"
#include "app/win32/FDefineDatabase.h"
#include "os/win32/os_win32.h"
#include "sources/win32/SearchDatabase.h"
#include "tests/data/SqliteTestSupport.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/FormDriver.h"

namespace {

constexpr const char* SqliteDriver = "/usr/lib/i386-linux-gnu/odbc/libsqlite3odbc.so";

void DefineDatabases(const TDatabaseDefinitions& databases) {
  TMemIniFile ini(WriteSettingsFile(TSearchDatabase::IniFileName, ""));
  SaveDatabases(databases, ini);
  ini.UpdateFile();
}

// The text of the message box Action shows, which is then closed.
std::string BoxTextOf(const std::function<void()>& action) {
  std::string text;
  TDelayedAction close([] { return FindForm<TqmMessageBox>() != nullptr; },
                       [&] {
                         TqmMessageBox* box = FindForm<TqmMessageBox>();
                         text = box->lblText->Caption();
                         box->ModalResult = mrOk;
                       },
                       100);
  try {
    action();
  } catch (const EAbort&) {
  }
  return text;
}

class DatabaseSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!os::FileExists(testpaths::ProgramPath(SqliteDriver)))
      GTEST_SKIP() << "no SQLite ODBC driver at " << SqliteDriver << " (scripts/setup.sh installs libsqliteodbc:i386)";
  }
};

// A real SQLite file for the host's ODBC driver: its connection string.
std::string NotesConnection() {
  auto db = sqlitetest::NewDatabase("odbc_notes",
                                    "create table notes(title text, body text);"
                                    "insert into notes values('Beach', 'it''s by the sea');"
                                    "insert into notes values('Hills', 'far inland');");
  std::string file = db->GetDatabase().substr(2);  // the host's path of a file under drive Z:
  std::replace(file.begin(), file.end(), '\\', '/');
  return std::string("Driver=") + SqliteDriver + ";Database=" + file;
}

}  // namespace

TEST_F(DatabaseSourceTest, AnOdbcRowIsFoundByItsTextAfterFailingDatabasesAndShownInItsWindow) {
  const std::string notes = NotesConnection();
  DefineDatabases(
      {{"Broken", "Driver=/nonexistent/odbc.so", "select 1"},
       {"Misspelt", notes, "select title from nowhere where title = '#search#'"},
       {"Notes", notes, "select title, body from notes -- the keeper's list\r\nwhere body like '%#search#%'"}});
  TSearchDatabase source(nullptr, std::make_shared<TWin32DatabaseConnector>(),
                         std::make_shared<TWin32DatabaseWindows>());

  std::string failure;
  const std::vector<TItemRecord> hits = CollectHits(source, "it's", &failure);
  // The driver's own words, each under its database's name.
  EXPECT_NE(failure.find("Database Broken: "), std::string::npos) << failure;
  EXPECT_NE(failure.find("/nonexistent/odbc.so"), std::string::npos) << failure;
  EXPECT_NE(failure.find("; Database Misspelt: [SQLite]no such table: nowhere"), std::string::npos) << failure;
  ASSERT_EQ(HitNames(hits), TNames{"Beach it's by the sea "});

  TItemData item(hits[0]);
  source.Execute(item);
  TDbNoteForm* record = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (record = FindForm<TDbNoteForm>()) != nullptr; }));
  EXPECT_EQ(record->eValues->Text(), "title: Beach\r\nbody: it's by the sea\r\n");
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([] { return FindForm<TDbNoteForm>() == nullptr; }));
  // A text shaped like SQL is only looked for.
  EXPECT_EQ(HitNames(CollectHits(source, "' or ''='", &failure)), TNames{});
}

// The same rows through a marker in double quotes, and through connection strings for the OLE DB
// provider for ODBC, by a data source name and with the whole ODBC connection in its properties.
TEST_F(DatabaseSourceTest, AQuotedMarkerAndTheOleDbProviderForOdbcFindRows) {
  std::string config;
  if (!os::GetEnv("ODBCSYSINI", config)) GTEST_SKIP() << "ODBCSYSINI is not set";
  const std::string notes = NotesConnection();
  const std::string database = notes.substr(notes.find("Database=") + 9);
  testpaths::WriteText(testpaths::ProgramPath(config) + "\\odbc.ini",
                       std::string("[lorvex_notes]\nDriver=") + SqliteDriver + "\nDatabase=" + database + "\n");
  DefineDatabases(
      {{"Quoted", notes, "select title, 'quoted' from notes where title = \"#search#\" and \"body\" <> \"\""},
       {"By name", "Provider=MSDASQL.1;Persist Security Info=False;Data Source=lorvex_notes",
        "select title, 'by name' from notes where title = '#search#'"},
       {"Whole", "Provider=MSDASQL;Extended Properties=\"" + notes + "\"",
        "select title, 'whole' from notes where title = '#search#'"}});
  TSearchDatabase source(nullptr, std::make_shared<TWin32DatabaseConnector>(),
                         std::make_shared<TWin32DatabaseWindows>());
  std::string failure;
  EXPECT_EQ(HitNames(CollectHits(source, "Beach", &failure)),
            (TNames{"Beach by name ", "Beach quoted ", "Beach whole "}));
  EXPECT_EQ(failure, "");
}

// Another connection's exclusive lock: the search ends within the time-out, naming the database.
TEST_F(DatabaseSourceTest, ALockedDatabaseEndsItsSearchWithinTheTimeOut) {
  const std::string notes = NotesConnection();
  DefineDatabases({{"Notes", notes, "select title from notes where body like '%#search#%'"}});
  os::TComScope com;
  const std::unique_ptr<TDatabaseSession> holder = TWin32DatabaseConnector().Open(notes);
  holder->Run("begin exclusive", {}, [](TDbRow&&) { return true; });
  TSearchDatabase source(nullptr, std::make_shared<TWin32DatabaseConnector>(),
                         std::make_shared<TWin32DatabaseWindows>());
  std::string failure;
  const DWORD started = GetTickCount();
  EXPECT_EQ(HitNames(CollectHits(source, "sea", &failure)), TNames{});
  EXPECT_LT(GetTickCount() - started, (DatabaseLoginTimeoutSeconds + DatabaseQueryTimeoutSeconds + 10) * 1000u);
  EXPECT_EQ(failure.rfind("Database Notes: ", 0), 0u) << failure;
}

TEST_F(DatabaseSourceTest, AdoConnectsListsFieldsButNoRowsAndReportsTheProvidersErrors) {
  std::string config;
  if (!os::GetEnv("ODBCSYSINI", config)) GTEST_SKIP() << "ODBCSYSINI is not set";
  // A data source of the host's ODBC, which the OLE DB provider for ODBC opens by its name.
  testpaths::WriteText(testpaths::ProgramPath(config) + "\\odbc.ini",
                       std::string("[lorvex_test]\nDriver=") + SqliteDriver + "\nDatabase=:memory:\n");
  os::TComScope com;  // as the search worker has it
  TAdoSession session("Provider=MSDASQL;Data Source=lorvex_test");
  std::vector<TDbRow> rows;
  session.Run("select 1 as one, 'x' as two", {}, [&](TDbRow&& row) {
    rows.push_back(std::move(row));
    return true;
  });
  EXPECT_EQ(session.FieldNames(), (TStringList{"one", "two"}));
  // Wine's ADO lists the fields but gives no row.
  EXPECT_EQ(rows, std::vector<TDbRow>{});
  EXPECT_THROW(session.Run("select nonsense from nowhere", {}, [](TDbRow&&) { return true; }), Exception);
  EXPECT_THROW(TAdoSession("Provider=NoSuchProvider"), Exception);
}

TEST(DatabaseOptionsTest, TheDialogRefusesATakenNameAndWritesTheListInItsOrder) {
  DefineDatabases({{"Books", "DSN=books", "select 1"}, {"Films", "DSN=films", "select 2"}});
  TDatabaseOptionsForm form(nullptr);
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return form.Rows().RowCount() == 2; }));

  std::string refusal, buildError, keptString, newString = "?", confirmed;
  HWND sheet = nullptr;
  TDelayedAction define(
      [] { return FindForm<TDefineDatabaseForm>() != nullptr; },
      [&] {
        TDefineDatabaseForm* editor = FindForm<TDefineDatabaseForm>();
        editor->eName->SetText("films");
        // Wine's data-link object shows its sheet for a new string only; closed,
        // it gives nothing, and after OK no string either.
        const auto answerSheet = [&](WPARAM button) {
          return std::make_unique<TDelayedAction>(
              [&] { return (sheet = FindWindowA(nullptr, "Data Link Properties")); },
              [&, button] {
                // OK wants a provider: the first of the sheet's list.
                HWND page = FindWindowExA(sheet, nullptr, "#32770", nullptr);
                HWND providers = FindWindowExA(page, nullptr, WC_LISTVIEWA, nullptr);
                ListView_SetItemState(providers, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
                PostMessageA(sheet, WM_COMMAND, button, 0);
              },
              100);
        };
        auto close = answerSheet(IDCANCEL);
        newString = BoxTextOf([&] { editor->btnConnectionStringClick(); }) + editor->eConnectionString->Text();
        close = answerSheet(IDOK);
        confirmed = BoxTextOf([&] { editor->btnConnectionStringClick(); });
        editor->eConnectionString->SetText("typed");
        buildError = BoxTextOf([&] { editor->btnConnectionStringClick(); });
        keptString = editor->eConnectionString->Text();
        refusal = BoxTextOf([&] { editor->btnOk->Click(); });
        editor->btnCancel->Click();
      },
      100);
  form.btnAdd->Click();
  EXPECT_EQ(refusal, "A database named films exists already.");
  EXPECT_NE(sheet, nullptr);
  EXPECT_EQ(newString, "");
  EXPECT_EQ(confirmed, "The data link dialog gave back no connection string.");
  EXPECT_EQ(buildError.rfind("The data link dialog cannot build a connection string here: Not implemented", 0), 0u)
      << buildError;
  EXPECT_EQ(keptString, "typed");

  form.Rows().SetItemIndex(0);
  form.btnDown->OnClick(*form.btnDown);
  form.btnOk->Click();
  EXPECT_EQ(TMemIniFile(SettingsFolder("Lorvex") + TSearchDatabase::IniFileName).SectionNames(),
            (TStringList{"Films", "Books"}));
}
