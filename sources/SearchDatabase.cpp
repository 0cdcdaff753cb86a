#include "sources/SearchDatabase.h"

#include <algorithm>
#include <charconv>

#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"

namespace {

constexpr const char* SearchMarker = "#search#";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Where the quoted run that opens at Start with Quote ends (after its closing quote; a doubled
// quote is one quote of its text); the end of Sql when it is not closed.
size_t QuotedEnd(const std::string& sql, size_t start, char quote) {
  for (size_t at = start + 1; at < sql.size(); ++at) {
    if (sql[at] != quote) continue;
    if (at + 1 < sql.size() && sql[at + 1] == quote)
      ++at;
    else
      return at + 1;
  }
  return sql.size();
}

// The text of a quoted run as QuotedEnd measures it, its first character the quote: without its
// quotes, a doubled quote one quote.
std::string Unquoted(const std::string& quoted) {
  const char quote = quoted[0];
  const size_t size = quoted.size() - (quoted.size() > 1 && quoted.back() == quote ? 2 : 1);
  return Replaced(quoted.substr(1, size), std::string(2, quote), std::string(1, quote));
}

// Where the piece of SQL that opens at Start ends when it is a string literal, a comment or a
// quoted identifier, which the typed text never enters except a literal's; npos when another
// character opens there. Many databases read "..." as a text (SQLite where it names no column):
// one that holds the marker is taken as a literal.
size_t TokenEnd(const std::string& sql, size_t start, bool& literal) {
  literal = false;
  const auto after = [&](const char* close) {
    const size_t at = sql.find(close, start + 2);
    return at == std::string::npos ? sql.size() : at + std::char_traits<char>::length(close);
  };
  switch (sql[start]) {
    case '\'':
      literal = true;
      return QuotedEnd(sql, start, '\'');
    case '"': {
      const size_t end = QuotedEnd(sql, start, '"');
      literal = sql.substr(start, end - start).find(SearchMarker) != std::string::npos;
      return end;
    }
    case '`':
      return QuotedEnd(sql, start, sql[start]);
    case '[':
      return QuotedEnd(sql, start, ']');
    case '-':
      if (sql.compare(start, 2, "--") == 0) return std::min(sql.find('\n', start), sql.size());
      break;
    case '/':
      if (sql.compare(start, 2, "/*") == 0) return after("*/");
      break;
  }
  return std::string::npos;
}

bool IsComment(const std::string& token) { return token.rfind("--", 0) == 0 || token.rfind("/*", 0) == 0; }

class TStatementBuilder {
 public:
  explicit TStatementBuilder(const std::string& text) : FText(text) { FStatement.Pieces.emplace_back(); }

  void Sql(const std::string& sql) { FStatement.Pieces.back() += sql; }
  void Marker() { Parameter(FText, false); }
  // A string literal with its quotes ('...' or "..."): one parameter when it holds the marker.
  void Literal(const std::string& literal) {
    if (literal.find(SearchMarker) == std::string::npos) return Sql(literal);
    Parameter(Replaced(Unquoted(literal), SearchMarker, FText), true);
  }
  TSearchStatement Result() { return std::move(FStatement); }

 private:
  void Parameter(std::string value, bool inLiteral) {
    FStatement.Parameters.push_back(std::move(value));
    FStatement.InLiteral.push_back(inLiteral);
    FStatement.Pieces.emplace_back();
  }

  const std::string& FText;
  TSearchStatement FStatement;
};

// A hit's execute string: the database's index and the row's, "0|12".
std::string RowKey(size_t database, size_t row) { return std::to_string(database) + "|" + std::to_string(row); }

bool ParseRowKey(const std::string& key, size_t& database, size_t& row) {
  const char* end = key.data() + key.size();
  const auto [bar, error] = std::from_chars(key.data(), end, database);
  if (error != std::errc() || bar == end || *bar != '|') return false;
  const auto [last, error2] = std::from_chars(bar + 1, end, row);
  return error2 == std::errc() && last == end;
}

std::string HintOf(const TDbRow& row) {
  std::string hint;
  for (const TDbField& field : row) hint += field.Name + "=" + field.Value + "\r\n";
  return hint;
}

// The values of the first two fields, each followed by a blank.
std::string DisplayNameOf(const TDbRow& row) {
  std::string name;
  for (size_t i = 0; i < row.size() && i < 2; ++i) name += row[i].Value + " ";
  return name;
}

}  // namespace

// --- Definitions ------------------------------------------------------------------------------

TDatabaseDefinitions LoadDatabases(const TMemIniFile& ini) {
  TDatabaseDefinitions databases;
  for (const std::string& section : ini.SectionNames())
    databases.push_back({section, ini.ReadString(section, "ConnectionString", ""),
                         DecodeLineBreaks(ini.ReadString(section, "SQL", ""))});
  return databases;
}

void SaveDatabases(const TDatabaseDefinitions& databases, TMemIniFile& ini) {
  for (const std::string& section : ini.SectionNames()) ini.EraseSection(section);
  for (const TDatabaseDefinition& database : databases) {
    ini.WriteString(database.Name, "ConnectionString", database.ConnectionString);
    ini.WriteString(database.Name, "SQL", EncodeLineBreaks(database.SQL));
  }
}

TDatabaseRows NewDatabaseRows() {
  return TDatabaseRows([](const TDatabaseDefinition& database, int) { return database.Name; });
}

std::string DatabaseNameError(const TDatabaseRows& rows, const std::string& name, int editing) {
  if (Trim(name).empty()) return TranslateText("Please enter a name.");
  if (name.find_first_of("]\r\n") != std::string::npos || name != Trim(name))
    return FormatText(TranslateText("The name %s cannot hold \"]\" or a line break, nor begin or end with a blank."),
                      {name});
  for (int row = 0; row < rows.RowCount(); ++row)
    if (row != editing && AnsiSameText(rows[row].Name, name))
      return FormatText(TranslateText("A database named %s exists already."), {name});
  return "";
}

// --- Statements -------------------------------------------------------------------------------

TSearchStatement BindSearchText(const std::string& sql, const std::string& text) {
  TStatementBuilder builder(text);
  const size_t markerLength = std::char_traits<char>::length(SearchMarker);
  size_t plain = 0;  // where the SQL not yet handed to the builder starts
  for (size_t at = 0; at < sql.size();) {
    bool literal = false;
    const bool marker = sql.compare(at, markerLength, SearchMarker) == 0;
    const size_t end = marker ? at + markerLength : TokenEnd(sql, at, literal);
    if (end == std::string::npos) {
      ++at;
      continue;
    }
    builder.Sql(sql.substr(plain, at - plain));
    const std::string token = sql.substr(at, end - at);
    if (literal)
      builder.Literal(token);
    else if (marker)
      builder.Marker();
    else if (IsComment(token) && token.find_first_of("'\"`[]") != std::string::npos)
      builder.Sql(" ");  // a driver that finds "?" by a simpler reading takes its quote for a literal's
    else
      builder.Sql(token);
    at = plain = end;
  }
  builder.Sql(sql.substr(plain));
  return builder.Result();
}

bool TSearchStatement::OnlyInLiterals() const {
  return std::all_of(InLiteral.begin(), InLiteral.end(), [](bool inLiteral) { return inLiteral; });
}

std::string TSearchStatement::Text() const {
  std::string text = Pieces.at(0);
  for (size_t i = 1; i < Pieces.size(); ++i) text += "?" + Pieces[i];
  return text;
}

std::string TSearchStatement::LiteralText() const {
  std::string text = Pieces.at(0);
  for (size_t i = 1; i < Pieces.size(); ++i) {
    text += '\'';
    text += Replaced(Parameters[i - 1], "'", "''");
    text += '\'';
    text += Pieces[i];
  }
  return text;
}

TConnectionKeys ConnectionStringKeys(const std::string& connectionString) {
  TConnectionKeys keys;
  size_t start = 0;
  while (start < connectionString.size()) {
    const size_t equals = connectionString.find_first_of("=;", start);
    if (equals == std::string::npos) break;
    if (connectionString[equals] == ';') {  // an empty piece (";;"), or one without a value
      start = equals + 1;
      continue;
    }
    TConnectionKey key{Trim(connectionString.substr(start, equals - start)), ""};
    size_t at = equals + 1;
    while (at < connectionString.size() && connectionString[at] == ' ') ++at;
    const char opening = at < connectionString.size() ? connectionString[at] : 0;
    if (opening == '"' || opening == '\'') {
      // A quoted value: a doubled quote is one quote of it; it runs to its closing quote.
      const size_t end = QuotedEnd(connectionString, at, opening);
      key.Value = Unquoted(connectionString.substr(at, end - at));
      at = std::min(connectionString.find(';', end), connectionString.size());
    } else {
      // Up to the next ";" outside braces (an ODBC value may be written {...}).
      const size_t valueStart = at;
      for (bool braced = false; at < connectionString.size(); ++at) {
        const char c = connectionString[at];
        if (c == '{') braced = true;
        if (c == '}') braced = false;
        if (c == ';' && !braced) break;
      }
      key.Value = Trim(connectionString.substr(valueStart, at - valueStart));
    }
    if (!key.Name.empty()) keys.push_back(std::move(key));
    start = at + 1;
  }
  return keys;
}

bool NamesOleDbProvider(const std::string& connectionString) {
  for (const TConnectionKey& key : ConnectionStringKeys(connectionString))
    if (SameText(key.Name, "Provider")) return true;
  return false;
}

namespace {

// The keys of OLE DB's own initialization properties, which no ODBC driver takes.
bool IsOleDbKey(const std::string& name) {
  static const char* const keys[] = {
      "Provider", "Persist Security Info", "Initial Catalog", "Location", "Mode", "Prompt", "Connect Timeout",
      "General Timeout", "Locale Identifier", "OLE DB Services", "Integrated Security", "Protection Level",
      "Impersonation Level", "Mask Password", "Cache Authentication", "Encrypt Password", "Persist Encrypted",
      "Window Handle", "Asynchronous Processing", "Bind Flags", "Lock Owner", "File Name"};
  return std::any_of(std::begin(keys), std::end(keys), [&](const char* key) { return SameText(name, key); });
}

// An ODBC value as a connection string holds it: in braces when it would break the string.
std::string OdbcValue(const std::string& value) {
  if (value.find_first_of(";{}") == std::string::npos && value == Trim(value)) return value;
  return "{" + Replaced(value, "}", "}}") + "}";
}

}  // namespace

std::optional<std::string> OdbcConnectionOfMsdasql(const std::string& connectionString) {
  const TConnectionKeys keys = ConnectionStringKeys(connectionString);
  const auto provider = std::find_if(keys.begin(), keys.end(), [](const TConnectionKey& key) {
    return SameText(key.Name, "Provider");
  });
  if (provider == keys.end() || !(SameText(provider->Value, "MSDASQL") || StartsText("MSDASQL.", provider->Value)))
    return std::nullopt;
  std::string odbc;
  const auto add = [&](const std::string& piece) {
    if (piece.empty()) return;
    if (!odbc.empty() && odbc.back() != ';') odbc += ';';
    odbc += piece;
  };
  for (const TConnectionKey& key : keys) {
    if (SameText(key.Name, "Data Source"))
      add("DSN=" + OdbcValue(key.Value));
    else if (SameText(key.Name, "User ID"))
      add("UID=" + OdbcValue(key.Value));
    else if (SameText(key.Name, "Password"))
      add("PWD=" + OdbcValue(key.Value));
    else if (SameText(key.Name, "Extended Properties"))
      add(key.Value);
    else if (!IsOleDbKey(key.Name))
      add(key.Name + "=" + OdbcValue(key.Value));  // what the provider hands to the driver as it stands
  }
  return odbc;
}

// --- TSearchDatabase --------------------------------------------------------------------------

TSearchDatabase::TSearchDatabase(TComponent* owner, std::shared_ptr<TDatabaseConnector> connector,
                                 std::shared_ptr<TDatabaseWindows> windows)
    : TSearchClass(owner), FConnector(std::move(connector)), FWindows(std::move(windows)), FDatabases(ReadDatabases) {}

void TSearchDatabase::LoadIcon(TItemData& item) { FWindows->LoadRecordIcon(item); }

void TSearchDatabase::ShowOptions() {
  if (FWindows->ShowOptions()) Reset();
}

void TSearchDatabase::Reset() {
  FDatabases.Drop();  // the connections close with the last search that holds them
  std::lock_guard<std::mutex> lock(FLock);
  FRows.reset();
}

TSearchDatabase::TDatabases TSearchDatabase::ReadDatabases() {
  TDatabases databases;
  for (TDatabaseDefinition& definition : LoadDatabases(TMemIniFile(SettingsFolder("Lorvex") + IniFileName))) {
    databases.push_back(std::make_unique<TOneDatabase>());
    databases.back()->Definition = std::move(definition);
  }
  return databases;
}

void TSearchDatabase::Search(const std::string& text, const TAddHitFunc& addHit) {
  FAddHit = addHit;
  FStopped = false;
  {
    std::lock_guard<std::mutex> lock(FRunningLock);
    FCancelled = false;
  }
  const std::shared_ptr<const TDatabases> databases = FDatabases.Get();
  auto rows = std::make_shared<TRowSnapshot>(databases->size());
  {
    std::lock_guard<std::mutex> lock(FLock);
    FRows = rows;
  }
  std::string failures;
  TConnectorScope scope(*FConnector);
  for (size_t i = 0; i < databases->size() && !FStopped; ++i) {
    TOneDatabase& database = *(*databases)[i];
    try {
      FStopped = !SearchDatabase(i, database, text, *rows);
    } catch (const std::exception& e) {
      // A connection that failed is opened anew by the next search.
      database.Session.reset();
      if (!failures.empty()) failures += "; ";
      failures += FormatText(TranslateText("Database %s: %s"), {database.Definition.Name, e.what()});
    }
    std::lock_guard<std::mutex> lock(FRunningLock);
    FStopped = FStopped || FCancelled;
  }
  for (const std::unique_ptr<TOneDatabase>& database : *databases)
    if (database->Session && !database->Session->Lasting()) database->Session.reset();
  if (!failures.empty() && !FStopped) throw Exception(failures);
}

void TSearchDatabase::CancelSearch() {
  std::lock_guard<std::mutex> lock(FRunningLock);
  FCancelled = true;
  if (FRunning) FRunning->Cancel();
}

bool TSearchDatabase::SearchDatabase(size_t index, TOneDatabase& database, const std::string& text,
                                     TRowSnapshot& rows) {
  if (!database.Session) database.Session = FConnector->Open(database.Definition.ConnectionString);
  struct TRunning {
    TSearchDatabase& source;
    TRunning(TSearchDatabase& s, TDatabaseSession* session) : source(s) {
      std::lock_guard<std::mutex> lock(source.FRunningLock);
      source.FRunning = session;
    }
    ~TRunning() {
      std::lock_guard<std::mutex> lock(source.FRunningLock);
      source.FRunning = nullptr;
    }
  } running(*this, database.Session.get());
  {
    std::lock_guard<std::mutex> lock(FRunningLock);
    if (FCancelled) return false;
  }
  bool goOn = true;
  RunStatement(*database.Session, BindSearchText(database.Definition.SQL, text), [&](TDbRow&& row) {
    goOn = ReportRow(index, std::move(row), rows);
    return goOn;
  });
  return goOn;
}

// Parameters first. A provider that refuses them gets the text written into the statement's
// string literals, this search only; a marker outside literals then cannot be searched.
void TSearchDatabase::RunStatement(TDatabaseSession& session, const TSearchStatement& statement,
                                   const TDbRowFunc& onRow) {
  try {
    return session.Run(statement.Text(), statement.Parameters, onRow);
  } catch (const EParametersNotTaken&) {
    if (!statement.OnlyInLiterals())
      throw Exception(TranslateText(
          "This database takes no parameters, so #search# may stand only inside a string literal ('...')."));
  }
  session.Run(statement.LiteralText(), {}, onRow);
}

bool TSearchDatabase::ReportRow(size_t index, TDbRow&& row, TRowSnapshot& rows) {
  TItemRecord record;
  record.DisplayName = DisplayNameOf(row);
  record.Hint = HintOf(row);
  record.Description = TranslateText("Database record");
  record.SearchClassName = GetName();
  {
    std::lock_guard<std::mutex> lock(FLock);
    record.ExecuteString = RowKey(index, rows[index].size());
    rows[index].push_back(std::move(row));
  }
  return !FAddHit(record);
}

void TSearchDatabase::Execute(TItemData& item) {
  size_t database = 0, row = 0;
  const bool named = ParseRowKey(item.ExecuteString(), database, row);
  TStringList lines;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (!named || !FRows || database >= FRows->size() || row >= (*FRows)[database].size())
      throw Exception(TranslateText("This record is no longer at hand; please search again."));
    for (const TDbField& field : (*FRows)[database][row]) lines.push_back(field.Name + ": " + field.Value);
  }
  FWindows->ShowRecord(lines);
}
