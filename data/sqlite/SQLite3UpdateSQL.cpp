// Writing through update macros: a query's posted or deleted row becomes the statement its
// update SQL component describes.
#include "data/sqlite/SQLite3Query.h"

// ---------------------------------------------------------------------------------------------
// TSqlite3Query: writing through the update SQL

void TSqlite3Query::EnsureConnected() {
  if (!FConnection) throw ESqlite3Error("no database connection");
  if (!FConnection->GetConnected()) FConnection->SetConnected(true);
}

void TSqlite3Query::InternalPost() {
  if (ReadOnly) throw ESqlite3Error("Cannot post into a read-only dataset");
  CheckRequiredFields();
  EnsureConnected();
  Macros();
  // An edited row is updated also where the query keeps no rows of its own (a one-way query).
  const bool update = State() == TDataSetState::dsEdit;
  WithAutoCommit([&] {
    if (update) {
      RunChangingOneRow(ExpandUpdateMacro(), "update");
      return;
    }
    const TSqlStatement statement = ExpandInsertMacro();
    FConnection->ExecuteSQL(statement.SQL, statement.Values);
    RefreshKey(statement.Table);
  });
  PostToRows();
}

void TSqlite3Query::InternalDelete() {
  if (ReadOnly) throw ESqlite3Error("Cannot delete from a read-only dataset");
  EnsureConnected();
  Macros();
  WithAutoCommit([&] { RunChangingOneRow(ExpandDeleteMacro(), "delete"); });
  TSqlite3BaseQuery::InternalDelete();
}

const TSqlite3UpdateSQL& TSqlite3Query::Macros() const {
  if (!FUpdateSQL) throw ESqlite3Error("Missing TSqlite3UpdateSQL component");
  return *FUpdateSQL;
}

// A row that the macro's condition no longer finds must not pass for written.
void TSqlite3Query::RunChangingOneRow(const TSqlStatement& statement, const char* verb) {
  FConnection->ExecuteSQL(statement.SQL, statement.Values);
  if (FConnection->RowsAffected() == 0)
    throw EDatabaseError(std::string("The row to ") + verb + " was not found in table " + statement.Table);
}

// A new row's key is the rowid the database gave it (when the table's one key column is an
// INTEGER PRIMARY KEY): a later update or delete of the row names it.
void TSqlite3Query::RefreshKey(const std::string& table) {
  const int64_t rowid = FConnection->LastInsertRowId();
  auto statement = FConnection->Prepare(
      "select name from pragma_table_info(?1) where pk = 1 and upper(type) = 'INTEGER'"
      " and (select count(*) from pragma_table_info(?1) where pk > 0) = 1",
      {TSqlValue::OfText(table)});
  if (!FConnection->Step(*statement)) return;
  const auto* name = statement->Lib().sqlite3_column_text(statement->Handle(), 0);
  if (TField* key = FindField(reinterpret_cast<const char*>(name))) key->SetValue(TSqlValue::OfInteger(rowid));
}

namespace {

// Reads one macro token after another and builds the statement with its values.
class TMacroExpander {
 public:
  TMacroExpander(const TStringList& lines, const TSqlite3BaseQuery& query, TSqlStatement& statement)
      : FQuery(query), FStatement(statement) {
    for (const std::string& line : lines) FText += line + "\r\n";
  }

  void Next() { ScanSQLMacro(FText, FPosition, Kind, Token); }
  void Expect(const char* keyword) {
    Next();
    SyntaxCheck(Token, keyword);
  }
  // The current token as a name in the statement.
  std::string NameText() const { return Kind == mtQuotedName ? SQLName(Token) : Token; }
  std::string Place(TSqlValue value) {
    FStatement.Values.push_back(std::move(value));
    return "?" + std::to_string(FStatement.Values.size());
  }
  std::string FieldPlace(const std::string& name, bool oldValue) {
    TField& field = const_cast<TSqlite3BaseQuery&>(FQuery).FieldByName(name);
    return FQuery.FieldDataToText(field, &FStatement.Values, oldValue);
  }
  // What follows "where": each ":name" becomes the place of that field's value as loaded;
  // quoted text is copied as it stands.
  std::string Rest() {
    std::string result;
    size_t i = FPosition - 1;
    while (i < FText.size()) {
      const char c = FText[i];
      if (c == '\'' || c == '"') {
        const size_t close = FText.find(c, i + 1);
        const size_t end = close == std::string::npos ? FText.size() : close + 1;
        result.append(FText, i, end - i);
        i = end;
      } else if (c == ':' && i + 1 < FText.size() &&
                 (std::isalpha(static_cast<unsigned char>(FText[i + 1])) || FText[i + 1] == '_')) {
        size_t end = i + 1;
        while (end < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[end])) || FText[end] == '_')) ++end;
        result += FieldPlace(FText.substr(i + 1, end - i - 1), true);
        i = end;
      } else {
        result += c;
        ++i;
      }
    }
    return TrimRight(result);
  }

  TMacroToken Kind = mtEnd;
  std::string Token;

 private:
  static std::string TrimRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
    return text;
  }
  const TSqlite3BaseQuery& FQuery;
  TSqlStatement& FStatement;
  std::string FText;
  size_t FPosition = 1;
};

}  // namespace

TSqlStatement TSqlite3Query::ExpandUpdateMacro() const {
  TSqlStatement statement;
  TMacroExpander macro(Macros().UpdateSQL, *this, statement);
  macro.Expect("update");
  macro.Next();
  statement.Table = macro.Token;
  const std::string table = macro.NameText();
  std::vector<std::string> assignments;
  macro.Next();
  if (macro.Token == "*") {
    for (const TFieldDef& column : ColumnDefs())
      assignments.push_back(SQLName(column.Name) + "=" + macro.FieldPlace(column.Name, false));
    macro.Next();
  } else {
    SyntaxCheck(macro.Token, "set");
    for (;;) {
      macro.Next();
      const std::string column = macro.NameText();
      const std::string columnName = macro.Token;
      macro.Expect("=");
      macro.Next();
      std::string fieldName = macro.Token;
      if (macro.Kind == mtParam) {
        macro.Next();
        fieldName = macro.Token;
      } else if (macro.Token == "*") {
        fieldName = columnName;
      }
      assignments.push_back(column + "=" + macro.FieldPlace(fieldName, false));
      macro.Next();  // a separator, or "where"
      if ((macro.Kind == mtName && SameText(macro.Token, "where")) || macro.Kind == mtEnd) break;
    }
  }
  SyntaxCheck(macro.Token, "where");
  // The SET values are placed first, so the numbers follow the text from left to right.
  statement.SQL = "update " + table + " set " + JoinTexts(assignments, ",") + " where ";
  statement.SQL += macro.Rest();
  return statement;
}

TSqlStatement TSqlite3Query::ExpandInsertMacro() const {
  TSqlStatement statement;
  TMacroExpander macro(Macros().InsertSQL, *this, statement);
  const char* expected = "SQL macro syntax error on insertsql, expected ( or *";
  macro.Expect("insert");
  macro.Expect("into");
  macro.Next();
  statement.Table = macro.Token;
  const std::string table = macro.NameText();
  std::vector<std::string> columns, values;
  macro.Next();
  if (macro.Token == "*") {
    for (const TFieldDef& column : ColumnDefs()) {
      columns.push_back(SQLName(column.Name));
      values.push_back(macro.FieldPlace(column.Name, false));
    }
  } else if (macro.Token == "(") {
    std::vector<std::string> columnNames;
    for (;;) {
      macro.Next();
      if (macro.Kind == mtEnd) throw ESqlite3Error(expected);
      columns.push_back(macro.NameText());
      columnNames.push_back(macro.Token);
      macro.Next();
      if (macro.Token == ")") break;
      if (macro.Kind == mtEnd) throw ESqlite3Error(expected);
    }
    macro.Next();  // "values"
    macro.Next();
    if (macro.Token == "*") {
      for (const std::string& name : columnNames) values.push_back(macro.FieldPlace(name, false));
    } else if (macro.Token == "(") {
      for (;;) {
        macro.Next();
        if (macro.Kind == mtEnd) throw ESqlite3Error(expected);
        if (macro.Kind == mtParam) {
          macro.Next();
          values.push_back(macro.FieldPlace(macro.Token, false));
        } else if (macro.Kind == mtName && SameText(macro.Token, "null")) {
          values.push_back(macro.Token);
        } else {
          values.push_back(macro.Place(TSqlValue::OfText(macro.Token)));
        }
        macro.Next();
        if (macro.Token == ")") break;
        if (macro.Kind == mtEnd) throw ESqlite3Error(expected);
      }
    } else {
      throw ESqlite3Error(expected);
    }
  } else {
    throw ESqlite3Error(expected);
  }
  statement.SQL = "insert into " + table + " (" + JoinTexts(columns, ",") + ") values (" + JoinTexts(values, ",") + ")";
  return statement;
}

TSqlStatement TSqlite3Query::ExpandDeleteMacro() const {
  TSqlStatement statement;
  TMacroExpander macro(Macros().DeleteSQL, *this, statement);
  macro.Expect("delete");
  macro.Expect("from");
  macro.Next();
  statement.Table = macro.Token;
  const std::string table = macro.NameText();
  macro.Expect("where");
  statement.SQL = "delete from " + table + " where ";
  statement.SQL += macro.Rest();
  return statement;
}
