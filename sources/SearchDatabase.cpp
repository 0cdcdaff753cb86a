#include "sources/SearchDatabase.h"

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

// Where the string literal that opens at Start ends (after its closing quote; a doubled quote
// is one quote of its text); the end of Sql when it is not closed.
size_t LiteralEnd(const std::string& sql, size_t start) {
  for (size_t at = start + 1; at < sql.size(); ++at) {
    if (sql[at] != '\'') continue;
    if (at + 1 < sql.size() && sql[at + 1] == '\'')
      ++at;
    else
      return at + 1;
  }
  return sql.size();
}

class TStatementBuilder {
 public:
  explicit TStatementBuilder(const std::string& text) : FText(text) { FStatement.Pieces.emplace_back(); }

  void Sql(const std::string& sql) { FStatement.Pieces.back() += sql; }
  // Plain SQL, each marker in it a parameter of the text.
  void Code(const std::string& sql) {
    size_t from = 0;
    for (size_t at = sql.find(SearchMarker); at != std::string::npos; at = sql.find(SearchMarker, from)) {
      Sql(sql.substr(from, at - from));
      Parameter(FText);
      from = at + std::string(SearchMarker).size();
    }
    Sql(sql.substr(from));
  }
  // A string literal with its quotes: one parameter when it holds the marker.
  void Literal(const std::string& literal) {
    if (literal.find(SearchMarker) == std::string::npos) return Sql(literal);
    std::string content = literal.substr(1, literal.size() - (literal.size() > 1 && literal.back() == '\'' ? 2 : 1));
    Parameter(Replaced(Replaced(content, "''", "'"), SearchMarker, FText));
  }
  TSearchStatement Result() { return std::move(FStatement); }

 private:
  void Parameter(std::string value) {
    FStatement.Parameters.push_back(std::move(value));
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
  size_t from = 0;
  for (size_t quote = sql.find('\''); quote != std::string::npos; quote = sql.find('\'', from)) {
    builder.Code(sql.substr(from, quote - from));
    from = LiteralEnd(sql, quote);
    builder.Literal(sql.substr(quote, from - quote));
  }
  builder.Code(sql.substr(from));
  return builder.Result();
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

bool NamesOleDbProvider(const std::string& connectionString) {
  size_t start = 0;
  while (start < connectionString.size()) {
    const size_t equals = connectionString.find('=', start);
    if (equals == std::string::npos) return false;
    if (SameText(Trim(connectionString.substr(start, equals - start)), "Provider")) return true;
    // The value runs to the next ";" outside quotes and braces.
    char closing = 0;
    size_t at = equals + 1;
    for (; at < connectionString.size(); ++at) {
      const char c = connectionString[at];
      if (closing) {
        if (c == closing) closing = 0;
      } else if (c == '"' || c == '\'') {
        closing = c;
      } else if (c == '{') {
        closing = '}';
      } else if (c == ';') {
        break;
      }
    }
    start = at + 1;
  }
  return false;
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
  FDatabases.Drop();
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
      if (!failures.empty()) failures += "; ";
      failures += FormatText(TranslateText("Database %s: %s"), {database.Definition.Name, e.what()});
    }
  }
  if (!failures.empty() && !FStopped) throw Exception(failures);
}

bool TSearchDatabase::SearchDatabase(size_t index, TOneDatabase& database, const std::string& text,
                                     TRowSnapshot& rows) {
  const std::unique_ptr<TDatabaseSession> session = FConnector->Open(database.Definition.ConnectionString);
  bool goOn = true;
  RunStatement(*session, database, BindSearchText(database.Definition.SQL, text), [&](TDbRow&& row) {
    goOn = ReportRow(index, std::move(row), rows);
    return goOn;
  });
  return goOn;
}

// Parameters first; a statement that fails with them before its first row runs again with the
// text written in, and when that works the database keeps to it.
void TSearchDatabase::RunStatement(TDatabaseSession& session, TOneDatabase& database, const TSearchStatement& statement,
                                   const TDbRowFunc& onRow) {
  if (statement.Parameters.empty() || database.LiteralText) return session.Run(statement.LiteralText(), {}, onRow);
  bool rowsCame = false;
  try {
    return session.Run(statement.Text(), statement.Parameters, [&](TDbRow&& row) {
      rowsCame = true;
      return onRow(std::move(row));
    });
  } catch (const std::exception&) {
    if (rowsCame) throw;
  }
  session.Run(statement.LiteralText(), {}, onRow);
  database.LiteralText = true;
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
