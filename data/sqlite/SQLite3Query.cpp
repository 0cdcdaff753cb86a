// The query itself: opening and reading its rows, navigation, editing, searching, master/detail
// links and the provider operations.
#include "data/sqlite/SQLite3Query.h"

#include <algorithm>

namespace {

bool ContainsWord(const std::string& text, const std::string& word) {
  const std::string lower = LowerCase(text);
  for (size_t at = lower.find(word); at != std::string::npos; at = lower.find(word, at + 1)) {
    auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    const bool startOk = at == 0 || !isName(lower[at - 1]);
    const bool endOk = at + word.size() >= lower.size() || !isName(lower[at + word.size()]);
    if (startOk && endOk) return true;
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// SQL lines

void TSqlite3SQLList::Add(const std::string& line) {
  FLines.push_back(line);
  Changed();
}

void TSqlite3SQLList::Clear() {
  FLines.clear();
  Changed();
}

void TSqlite3SQLList::Assign(const TStringList& lines) {
  FLines = lines;
  Changed();
}

void TSqlite3SQLList::SetText(const std::string& text) {
  FLines.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    FLines.push_back(text.substr(start, end - start));
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  Changed();
}

std::string TSqlite3SQLList::Text() const {
  std::string result;
  for (const std::string& line : FLines) result += line + "\r\n";
  return result;
}

// ---------------------------------------------------------------------------------------------
// TSqlite3BaseQuery: opening and reading

TSqlite3BaseQuery::TSqlite3BaseQuery(TComponent* owner) : TComponent(owner) {}

TSqlite3BaseQuery::~TSqlite3BaseQuery() {
  // No events: what they would tell may be gone already.
  try {
    if (Active()) {
      InternalClose();
      DataEvent();
    }
  } catch (...) {
    // Nothing can be reported from a destructor; the statement is finalized regardless.
  }
  UnregisterFromMaster();
  for (TSqlite3BaseQuery* detail : FDetails) detail->FRegisteredMaster = nullptr;
  if (FConnection) FConnection->DetachQuery(this);
}

void TSqlite3BaseQuery::describe(TPropertyVisitor& visitor) {
  visitor.Boolean("AutoCommit", AutoCommit);
  visitor.String("TransactionType", TransactionType);
  visitor.Boolean("SQLiteDateFormat", SQLiteDateFormat);
  visitor.String("TableDateFormat", TableDateFormat);
  visitor.Integer("MaxResults", MaxResults);
  visitor.Integer("StartResult", StartResult);
  visitor.Boolean("TypeLess", TypeLess);
  visitor.String("MasterFields", FMasterFields);
  visitor.Boolean("SQLCursor", SQLCursor);
  visitor.Boolean("ReadOnly", ReadOnly);
  visitor.Boolean("UniDirectional", UniDirectional);
  visitor.String("Filter", Filter);
  visitor.Boolean("Filtered", Filtered);
}

void TSqlite3BaseQuery::SetConnection(TSqlite3DB* connection) {
  if (connection == FConnection) return;
  Close();
  if (FConnection) FConnection->DetachQuery(this);
  FConnection = connection;
  if (FConnection) FConnection->AttachQuery(this);
}

void TSqlite3BaseQuery::ConnectionGone(TSqlite3DB* connection) {
  if (connection != FConnection) return;
  FStatement.reset();
  InternalClose();
  FConnection = nullptr;
}

void TSqlite3BaseQuery::SetDataSource(TDataSource* source) {
  for (TDataSource* s = source; s && s->GetDataSet(); s = s->GetDataSet()->FMasterSource)
    if (s->GetDataSet() == this) throw EDatabaseError("circular references are not allowed");
  // Another source, or none: the master of the old one no longer moves this query.
  if (source != FMasterSource) UnregisterFromMaster();
  FMasterSource = source;
  FreeNotification(source);
}

void TSqlite3BaseQuery::Notification(TComponent& removed) {
  if (&removed == FMasterSource) {
    FMasterSource = nullptr;
    UnregisterFromMaster();
  }
  for (TCalcFieldDef& def : FCalcFieldDefs)
    if (&removed == def.Lookup.LookupDataSet) def.Lookup.LookupDataSet = nullptr;
}

void TDataSource::SetDataSet(TSqlite3BaseQuery* dataSet) {
  FDataSet = dataSet;
  FreeNotification(dataSet);
}

void TDataSource::Notification(TComponent& removed) {
  if (&removed == FDataSet) FDataSet = nullptr;
}

void TSqlite3BaseQuery::SetFilterText(const std::string& text) {
  if (Active()) {
    Close();
    Filter = text;
    Open();
  } else {
    Filter = text;
  }
}

std::string TSqlite3BaseQuery::BuildSQLToRun() {
  std::string sql = TrimText(BaseSQL());
  if (sql.empty()) throw ESqlite3Error("no query specified");
  if (!FConnection) throw ESqlite3Error("no database connection");
  while (!sql.empty() && (sql.back() == ';' || static_cast<unsigned char>(sql.back()) <= 32)) sql.pop_back();
  if (MaxResults == 0 && StartResult != 0) MaxResults = -1;

  if (!FConnection->GetConnected()) FConnection->SetConnected(true);
  // A detail, a filter and a limit each wrap the text, so that its own WHERE or LIMIT stays whole.
  std::vector<std::string> conditions;
  if (FMasterSource) {
    TSqlite3BaseQuery* master = FMasterSource->GetDataSet();
    if (!master) throw ESqlite3Error("master dataset undefined");
    master->RegisterDetailDataset(this);
    const std::string masterFilter = BuildFilter();
    if (!masterFilter.empty()) conditions.push_back(masterFilter);
  }
  if (Filtered && !Filter.empty()) conditions.push_back(Filter);
  // Each addition starts a line of its own, so that a comment on the text's last line ends there.
  if (!conditions.empty()) sql = "select * from (" + sql + "\n) where (" + JoinTexts(conditions, ") and (") + ")";
  if (MaxResults != 0) {
    if (ContainsWord(sql, "limit")) sql = "select * from (" + sql + "\n)";
    sql += "\nlimit " + std::to_string(MaxResults);
    if (StartResult != 0) sql += " offset " + std::to_string(StartResult);
  }
  return sql;
}

void TSqlite3BaseQuery::Open() {
  if (Active()) return;
  // Running a statement for its effect is no opening.
  if (FExecuteOnly) {
    FSQLToRun = BuildSQLToRun();
    RunExecuteOnly();
    return;
  }
  Fire(BeforeOpen, *this);
  try {
    FSQLToRun = BuildSQLToRun();
    InternalOpen();
  } catch (...) {
    InternalClose();
    throw;
  }
  DataEvent();
  Fire(AfterOpen, *this);
  Fire(AfterScroll, *this);
}

const std::vector<TFieldDef>& TSqlite3BaseQuery::FieldDefs() {
  if (!Active()) {
    const std::string sql = BuildSQLToRun();
    BuildFieldDefs(*FConnection->Prepare(sql, ParamValues()));
  }
  return FFieldDefs;
}

void TSqlite3BaseQuery::RunExecuteOnly() {
  FConnection->ExecuteSQL(FSQLToRun, ParamValues());
  FSQLToRun.clear();
}

void TSqlite3BaseQuery::InternalOpen() {
  auto statement = FConnection->Prepare(FSQLToRun, ParamValues());
  BuildFieldDefs(*statement);
  CreateFields();
  FResult = std::make_unique<TFResult>(FFieldDefs.size());
  FState = TDataSetState::dsBrowse;
  FBof = true;
  if (UniDirectional) {
    FStatement = std::move(statement);
    FCurrent = -1;
    FEof = !FetchNext();
    return;
  }
  while (FConnection->FetchRow(*statement)) {
    TSqlValue* row = FResult->AddEmpty(-1);
    FResult->SetRowId(FResult->Count() - 1, ReadRow(*statement, row));
  }
  const int finalized = statement->Finalize();
  if (finalized != SQLITE_OK) throw ESqlite3Error("SQLiteExecute error: " + std::to_string(finalized));
  FCurrent = FResult->Count() > 0 ? 0 : -1;
  FEof = FResult->Count() == 0;
}

void TSqlite3BaseQuery::Close() {
  if (!Active()) return;
  Fire(BeforeClose, *this);
  InternalClose();
  DataEvent();
  Fire(AfterClose, *this);
}

void TSqlite3BaseQuery::InternalClose() {
  FStatement.reset();
  FResult.reset();
  FFields.clear();
  FFieldDefs.clear();
  FColumnFields.clear();
  FCalcRow.clear();
  FUniRow.clear();
  FEditRow.clear();
  FOldRow.clear();
  FCurrent = -1;
  FBof = FEof = true;
  FState = TDataSetState::dsInactive;
  FModified = false;
  FSQLToRun.clear();
}

void TSqlite3BaseQuery::ExecSQL() {
  FExecuteOnly = true;
  Close();
  if (!FConnection) throw ESqlite3Error("no database connection");
  WithAutoCommit([this] { Open(); });
}

void TSqlite3BaseQuery::BuildFieldDefs(TSqlite3Statement& statement) {
  const TSqlite3Library& lib = statement.Lib();
  sqlite3_stmt* handle = statement.Handle();
  FFieldDefs.clear();
  FRowIdColumn = -1;
  const int columns = handle ? lib.sqlite3_column_count(handle) : 0;
  FColumnFields.assign(static_cast<size_t>(columns), -1);
  auto known = [this](const std::string& name) {
    return std::any_of(FFieldDefs.begin(), FFieldDefs.end(),
                       [&](const TFieldDef& def) { return SameText(def.Name, name); });
  };
  for (int i = 0; i < columns; ++i) {
    const char* columnName = lib.sqlite3_column_name(handle, i);
    const std::string base = columnName ? columnName : "column" + std::to_string(i + 1);
    if (SameText(base, "rowid") && FRowIdColumn < 0) {
      FRowIdColumn = i;
      continue;
    }
    std::string name = base;
    for (int k = 1; known(name); ++k) name = base + "_" + std::to_string(k);
    TFieldDef def;
    def.Name = name;
    const char* declared = lib.sqlite3_column_decltype(handle, i);
    GetFieldInfo(declared ? declared : "string", def.DataType, def.Size, def.Precision);
    if (TypeLess) def.DataType = TFieldType::ftString;
    FColumnFields[static_cast<size_t>(i)] = static_cast<int>(FFieldDefs.size());
    FFieldDefs.push_back(def);
  }
}

void TSqlite3BaseQuery::CreateFields() {
  FFields.clear();
  for (size_t i = 0; i < FFieldDefs.size(); ++i)
    FFields.push_back(std::make_unique<TField>(this, FFieldDefs[i], static_cast<int>(i) + 1));
  for (size_t i = 0; i < FCalcFieldDefs.size(); ++i)
    FFields.push_back(std::make_unique<TField>(this, FCalcFieldDefs[i], static_cast<int>(i)));
  FCalcRow.assign(FCalcFieldDefs.size(), TSqlValue());
}

TSqlValue TSqlite3BaseQuery::ColumnValue(const TSqlite3Library& lib, sqlite3_stmt* statement, int column,
                                         TFieldType type) {
  if (IsTextType(type) && !IsBinaryType(type)) {
    // The library answers no text for a null value only (an empty text is "").
    const unsigned char* p = lib.sqlite3_column_text(statement, column);
    if (!p) return TSqlValue::OfNull();
    const int n = lib.sqlite3_column_bytes(statement, column);
    return TSqlValue::OfText(std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)));
  }
  const int kind = lib.sqlite3_column_type(statement, column);
  if (kind == SQLITE_NULL) return TSqlValue::OfNull();
  auto text = [&] {
    const unsigned char* p = lib.sqlite3_column_text(statement, column);
    const int n = lib.sqlite3_column_bytes(statement, column);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
  };
  if (IsBinaryType(type)) {
    const void* p = lib.sqlite3_column_blob(statement, column);
    const int n = lib.sqlite3_column_bytes(statement, column);
    return TSqlValue::OfBlob(p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string());
  }
  if (IsTextType(type)) return TSqlValue::OfText(text());
  if (IsIntegerType(type)) {
    if (kind == SQLITE_INTEGER) return TSqlValue::OfInteger(lib.sqlite3_column_int64(statement, column));
    if (kind == SQLITE_FLOAT)
      return TSqlValue::OfInteger(static_cast<int64_t>(lib.sqlite3_column_double(statement, column)));
    return TSqlValue::OfInteger(TextToInteger(text()));
  }
  if (IsFloatType(type)) {
    if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT)
      return TSqlValue::OfFloat(lib.sqlite3_column_double(statement, column));
    return TSqlValue::OfFloat(SQLiteTextToFloat(text()));
  }
  if (type == TFieldType::ftBoolean) {
    if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT)
      return TSqlValue::OfInteger(lib.sqlite3_column_double(statement, column) != 0);
    return TSqlValue::OfInteger(TextToBool(text()) ? 1 : 0);
  }
  if (IsDateTimeType(type)) {
    const std::string t = text();
    TFormatSettings settings = FormatSettings;
    if (SQLiteDateFormat || !TableDateFormat.empty())
      settings.ShortDateFormat = SQLiteDateFormat ? "yyyy-mm-dd" : TableDateFormat;
    if (type == TFieldType::ftDate)
      return TSqlValue::OfFloat(TrimText(t).empty() ? EncodeDate(1900, 1, 1) : TextToDate(t, settings));
    if (type == TFieldType::ftTime) return TSqlValue::OfFloat(TextToTime(t));
    if (SQLiteDateFormat) {
      try {
        return TSqlValue::OfFloat(SQLiteTextToDateTime(t));
      } catch (const EConvertError&) {
        // Not in the SQLite form: read as the settings say.
      }
    }
    return TSqlValue::OfFloat(TextToDateTime(t, settings));
  }
  return TSqlValue::OfText(text());
}

int64_t TSqlite3BaseQuery::ReadRow(TSqlite3Statement& statement, TSqlValue* row) {
  const TSqlite3Library& lib = statement.Lib();
  sqlite3_stmt* handle = statement.Handle();
  int64_t rowid = -1;
  for (size_t column = 0; column < FColumnFields.size(); ++column) {
    const int field = FColumnFields[column];
    if (field < 0) {
      rowid = lib.sqlite3_column_int64(handle, static_cast<int>(column));
      continue;
    }
    row[field] = ColumnValue(lib, handle, static_cast<int>(column), FFieldDefs[static_cast<size_t>(field)].DataType);
  }
  return rowid;
}

bool TSqlite3BaseQuery::FetchNext() {
  if (!FStatement || !FConnection->FetchRow(*FStatement)) {
    FUniRow.clear();
    return false;
  }
  FUniRow.assign(FFieldDefs.size(), TSqlValue());
  FUniRowId = ReadRow(*FStatement, FUniRow.data());
  ++FCurrent;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Navigation

bool TSqlite3BaseQuery::IsEmpty() const {
  if (!Active()) return true;
  return UniDirectional ? FUniRow.empty() : FResult->Count() == 0;
}

int TSqlite3BaseQuery::GetRecordCount() const { return FResult && !UniDirectional ? FResult->Count() : 0; }

void TSqlite3BaseQuery::CheckBrowse() const {
  if (FState == TDataSetState::dsInactive) throw EDatabaseError("Cannot perform this operation on a closed dataset");
  if (FState != TDataSetState::dsBrowse) throw EDatabaseError("Dataset in edit or insert mode");
}

template <class F>
void TSqlite3BaseQuery::Scroll(F&& move) {
  CheckBrowse();
  Fire(BeforeScroll, *this);
  move();
  Fire(AfterScroll, *this);
}

void TSqlite3BaseQuery::First() {
  Scroll([this] {
    if (UniDirectional) {
      if (FCurrent > 0) throw ESqlite3Error("operation PRIOR not allowed on unidirectional dataset");
      FBof = true;
      return;
    }
    FCurrent = FResult->Count() > 0 ? 0 : -1;
    FBof = true;
    FEof = FResult->Count() == 0;
    DataEvent();
  });
}

TGetResult TSqlite3BaseQuery::GetRecord(TGetMode mode, bool doCheck) {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
  const int count = UniDirectional ? 0 : FResult->Count();
  TGetResult result = TGetResult::grOK;
  if (!UniDirectional && count == 0) {
    result = mode == TGetMode::gmCurrent ? TGetResult::grError
                                         : (mode == TGetMode::gmPrior ? TGetResult::grBOF : TGetResult::grEOF);
  } else if (mode == TGetMode::gmCurrent) {
    const bool current = UniDirectional ? !FUniRow.empty() : FCurrent >= 0 && FCurrent < count;
    if (!current) result = TGetResult::grError;
  } else if (mode == TGetMode::gmNext) {
    if (UniDirectional ? !FetchNext() : FCurrent >= count - 1) result = TGetResult::grEOF;
    if (!UniDirectional && result == TGetResult::grOK) ++FCurrent;
  } else {
    if (UniDirectional) throw ESqlite3Error("operation PRIOR not allowed on unidirectional dataset");
    if (FCurrent > 0)
      --FCurrent;
    else
      result = TGetResult::grBOF;
  }
  if (result == TGetResult::grError && doCheck) DatabaseError("No Records");
  return result;
}

void TSqlite3BaseQuery::Next() {
  Scroll([this] {
    if (FEof) return;
    const bool moved = GetRecord(TGetMode::gmNext, false) == TGetResult::grOK;
    FEof = !moved;
    if (moved) FBof = false;
    // A one-way query past its last row holds no record any more.
    if (moved || UniDirectional) DataEvent();
  });
}

void TSqlite3BaseQuery::Prior() {
  Scroll([this] {
    if (GetRecord(TGetMode::gmPrior, false) == TGetResult::grOK) {
      FEof = false;
      DataEvent();
    } else {
      FBof = true;
    }
  });
}

void TSqlite3BaseQuery::Last() {
  Scroll([this] {
    if (UniDirectional) {
      while (FetchNext()) {
      }
      FEof = true;
      return;
    }
    FCurrent = FResult->Count() - 1;
    FEof = true;
    FBof = FResult->Count() == 0;
    DataEvent();
  });
}

int TSqlite3BaseQuery::GetRecNo() {
  if (!Active()) return 0;
  return FCurrent < 0 ? (IsEmpty() ? 0 : 1) : FCurrent + 1;
}

void TSqlite3BaseQuery::SetRecNo(int recNo) {
  CheckBrowse();
  if (UniDirectional || recNo < 0 || recNo > FResult->Count() + 1) return;
  // Before the first and after the last row are places too: the first and the last row.
  if (recNo == 0) {
    First();
    return;
  }
  if (recNo == FResult->Count() + 1) {
    Last();
    return;
  }
  Scroll([&] {
    FCurrent = recNo - 1;
    FBof = FEof = false;
    DataEvent();
  });
}

int32_t TSqlite3BaseQuery::GetBookmark() const {
  if (!FResult || UniDirectional) return -1;
  return FResult->GetBookmark(FCurrent);
}

void TSqlite3BaseQuery::GotoBookmark(int32_t bookmark) {
  CheckBrowse();
  if (UniDirectional) return;
  const int index = FResult->IndexOfBookmark(bookmark);
  if (index < 0) DatabaseError("Bookmark not found");
  Scroll([&] {
    FCurrent = index;
    FBof = FEof = false;
    DataEvent();
  });
}

bool TSqlite3BaseQuery::BookmarkValid(int32_t bookmark) const {
  return FResult && FResult->IndexOfBookmark(bookmark) >= 0;
}

int64_t TSqlite3BaseQuery::CurrentRowId() const {
  if (UniDirectional) return FUniRowId;
  return FResult ? FResult->GetRowId(FCurrent) : -1;
}

void TSqlite3BaseQuery::DataEvent() {
  CalculateFields();
  if (!FDetails.empty()) NotifySQLiteMasterChanged();
}

// ---------------------------------------------------------------------------------------------
// Editing

void TSqlite3BaseQuery::Edit() {
  CheckBrowse();
  if (IsEmpty()) {
    Insert();
    return;
  }
  Fire(BeforeEdit, *this);
  const TSqlValue* row = ActiveRow();
  FOldRow.assign(row, row + FFieldDefs.size());
  FEditRow = FOldRow;
  FState = TDataSetState::dsEdit;
  FModified = false;
  Fire(AfterEdit, *this);
}

void TSqlite3BaseQuery::Insert() { BeginInsert(false); }

void TSqlite3BaseQuery::Append() { BeginInsert(true); }

void TSqlite3BaseQuery::BeginInsert(bool append) {
  CheckBrowse();
  if (UniDirectional) throw EDatabaseError("Operation not allowed on a unidirectional dataset");
  Fire(BeforeInsert, *this);
  Fire(BeforeScroll, *this);
  FEditRow.assign(FFieldDefs.size(), TSqlValue::OfNull());
  FOldRow = FEditRow;
  FInsertAt = append ? FResult->Count() : std::max(FCurrent, 0);
  FState = TDataSetState::dsInsert;
  CalculateFields();
  try {
    Fire(OnNewRecord, *this);
  } catch (...) {
    Cancel();
    throw;
  }
  FModified = false;
  Fire(AfterInsert, *this);
  Fire(AfterScroll, *this);
}

void TSqlite3BaseQuery::Post() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  Fire(BeforePost, *this);
  CheckOperation([this] { InternalPost(); }, OnPostError);
  EndWrite();
  Fire(AfterPost, *this);
}

void TSqlite3BaseQuery::EndWrite() {
  FState = TDataSetState::dsBrowse;
  FEditRow.clear();
  FOldRow.clear();
  FModified = false;
  DataEvent();
}

void TSqlite3BaseQuery::InsertRecord(const TSqlValues& values) { AddRecord(values, false); }

void TSqlite3BaseQuery::AppendRecord(const TSqlValues& values) { AddRecord(values, true); }

void TSqlite3BaseQuery::AddRecord(const TSqlValues& values, bool append) {
  BeginInsert(append);
  try {
    for (size_t i = 0; i < values.size() && i < FFieldDefs.size(); ++i) FFields[i]->SetValue(values[i]);
    InternalAddRecord(append);
  } catch (...) {
    Cancel();
    throw;
  }
  EndWrite();
}

void TSqlite3BaseQuery::Cancel() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  Fire(BeforeCancel, *this);
  FEditRow.clear();
  FOldRow.clear();
  FState = TDataSetState::dsBrowse;
  FModified = false;
  CalculateFields();
  Fire(AfterCancel, *this);
}

void TSqlite3BaseQuery::Delete() {
  CheckBrowse();
  if (IsEmpty()) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  Fire(BeforeDelete, *this);
  Fire(BeforeScroll, *this);
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  DataEvent();
  Fire(AfterDelete, *this);
  Fire(AfterScroll, *this);
}

void TSqlite3BaseQuery::InternalPost() {
  CheckRequiredFields();
  PostToRows();
}

void TSqlite3BaseQuery::CheckRequiredFields() const {
  for (const auto& field : FFields)
    if (field->Required && field->IsNull()) throw EDatabaseError(field->FieldName + " is required.");
}

void TSqlite3BaseQuery::InternalAddRecord(bool append) {
  if (ReadOnly) throw ESqlite3Error("Cannot write to a read-only dataset");
  if (append) FInsertAt = FResult->Count();
  InternalPost();
}

void TSqlite3BaseQuery::DatabaseError(const std::string& message) const {
  throw EDatabaseError(Name.empty() ? message : Name + ": " + message);
}

void TSqlite3BaseQuery::PostToRows() {
  if (FState == TDataSetState::dsInsert) {
    const int64_t rowid = FConnection && FConnection->GetConnected() ? FConnection->LastInsertRowId() : -1;
    FResult->Insert(FInsertAt, FEditRow, rowid);
    FCurrent = std::min(FInsertAt, FResult->Count() - 1);
  } else if (UniDirectional) {
    FUniRow = FEditRow;
  } else if (TSqlValue* row = FResult->GetData(FCurrent)) {
    std::copy(FEditRow.begin(), FEditRow.end(), row);
  }
  FBof = FEof = false;
}

void TSqlite3BaseQuery::InternalDelete() {
  if (UniDirectional) {
    FEof = !FetchNext();
    return;
  }
  FResult->Delete(FCurrent);
  if (FCurrent >= FResult->Count()) FCurrent = FResult->Count() - 1;
  FEof = FResult->Count() == 0;
  FBof = FEof;
}

// ---------------------------------------------------------------------------------------------
// Searching

bool TSqlite3BaseQuery::Locate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                               TLocateOptions options) {
  CheckBrowse();
  if (UniDirectional || FResult->Count() == 0) return false;
  std::vector<TField*> fields;
  for (const std::string& name : SplitNames(keyFields)) fields.push_back(&FieldByName(name));
  auto matches = [&] {
    for (size_t i = 0; i < fields.size(); ++i) {
      const std::string key = i < keyValues.size() ? keyValues[i] : std::string();
      std::string text = fields[i]->AsString();
      if (options.PartialKey && text.size() >= key.size()) text.resize(key.size());
      if (options.CaseInsensitive ? !SameText(text, key) : text != key) return false;
    }
    return true;
  };
  // The scan walks the rows from the first; it stops on the row found, else on the last row.
  Fire(BeforeScroll, *this);
  bool found = false;
  for (FCurrent = 0; FCurrent < FResult->Count() && !found; ++FCurrent) {
    CalculateFields();  // a key may be a calculated field
    found = matches();
  }
  --FCurrent;
  FBof = FEof = false;
  DataEvent();
  Fire(AfterScroll, *this);
  return found;
}

TSqlValues TSqlite3BaseQuery::Lookup(const std::string& keyFields, const std::vector<std::string>& keyValues,
                                     const std::string& resultFields) {
  TSqlValues result;
  if (!Locate(keyFields, keyValues, {})) return result;
  for (const std::string& name : SplitNames(resultFields)) result.push_back(FieldByName(name).Value());
  return result;
}

// ---------------------------------------------------------------------------------------------
// Master/detail

std::string TSqlite3BaseQuery::BuildFilter() {
  TSqlite3BaseQuery* master = FMasterSource ? FMasterSource->GetDataSet() : nullptr;
  std::vector<std::string> conditions;
  std::vector<std::string> pieces = SplitNames(FMasterFields);
  for (std::string& piece : pieces) {
    piece = TrimText(piece);
    if (piece.empty()) continue;
    const size_t equals = piece.find('=');
    if (equals == std::string::npos) throw ESqlite3Error("Syntax error: Masterfields not build of a=b;... pairs");
    const std::string detailName = TrimText(piece.substr(0, equals));
    const std::string masterName = TrimText(piece.substr(equals + 1));
    const std::string value = master && master->Active() ? master->FieldByName(masterName).AsString() : "";
    conditions.push_back(SQLName(detailName) + "=" + QuotedSQLText(value));
  }
  return JoinTexts(conditions, " and ");
}

void TSqlite3BaseQuery::RegisterDetailDataset(TSqlite3BaseQuery* detail) {
  if (std::find(FDetails.begin(), FDetails.end(), detail) != FDetails.end()) return;
  detail->UnregisterFromMaster();
  FDetails.push_back(detail);
  detail->FRegisteredMaster = this;
}

void TSqlite3BaseQuery::UnregisterFromMaster() {
  if (FRegisteredMaster) std::erase(FRegisteredMaster->FDetails, this);
  FRegisteredMaster = nullptr;
}

void TSqlite3BaseQuery::NotifySQLiteMasterChanged() {
  const std::vector<TSqlite3BaseQuery*> details = FDetails;
  // A detail that cannot follow must not stop the master from moving.
  for (TSqlite3BaseQuery* detail : details) {
    try {
      detail->SQLiteMasterChanged();
    } catch (...) {
      detail->InternalHandleException();
    }
  }
}

void TSqlite3BaseQuery::SQLiteMasterChanged() {
  Close();
  TSqlite3BaseQuery* master = FMasterSource ? FMasterSource->GetDataSet() : nullptr;
  // A detail follows a master that has a current row; an empty master leaves it closed.
  if (master && master->Active() && !master->IsEmpty()) Open();
}

// ---------------------------------------------------------------------------------------------
// Provider operations

int TSqlite3BaseQuery::PSExecuteStatement(const std::string& sql, const TParams* params,
                                          std::unique_ptr<TSqlite3BaseQuery>* resultSet) {
  if (!FConnection) throw ESqlite3Error("no database connection");
  auto query = std::make_unique<TSqlite3Query>(nullptr);
  query->SetConnection(FConnection);
  query->SQL().SetText(sql);
  if (params) query->Params.AssignValues(*params);
  if (resultSet) {
    query->UniDirectional = true;
    query->Open();
    *resultSet = std::move(query);
  } else {
    query->ExecSQL();
  }
  return FConnection->RowsAffected();
}

void TSqlite3BaseQuery::PSExecute() {
  UniDirectional = true;
  ExecSQL();
}

void TSqlite3BaseQuery::PSStartTransaction() {
  if (FConnection) FConnection->StartTransactionAs(TransactionType);
}

void TSqlite3BaseQuery::PSEndTransaction(bool commit) {
  if (!FConnection) return;
  commit ? FConnection->Commit() : FConnection->RollBack();
}

std::string TSqlite3BaseQuery::PSGetKeyFields() const {
  std::vector<std::string> names;
  for (const auto& field : FFields)
    if (field->InKey) names.push_back(field->FieldName);
  return JoinTexts(names, ";");
}

std::string TSqlite3BaseQuery::PSGetTableName() const {
  const std::string text = FSQL.Text();
  const std::string lower = LowerCase(text);
  for (size_t at = lower.find("from"); at != std::string::npos; at = lower.find("from", at + 1)) {
    const bool word = (at == 0 || std::isspace(static_cast<unsigned char>(lower[at - 1]))) && at + 4 < lower.size() &&
                      std::isspace(static_cast<unsigned char>(lower[at + 4]));
    if (!word) continue;
    size_t start = at + 4;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    size_t end = start;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) && text[end] != ',' &&
           text[end] != ';' && text[end] != ')')
      ++end;
    return text.substr(start, end - start);
  }
  return {};
}

void TSqlite3BaseQuery::PSSetCommandText(const std::string& text) {
  if (!text.empty()) FSQL.SetText(text);
}

void TSqlite3BaseQuery::PSSetParams(const TParams& params) {
  if (params.Count() > 0) Params.AssignValues(params);
  Close();
}

EUpdateError TSqlite3BaseQuery::PSGetUpdateException(std::exception_ptr error, const EUpdateError* previous) const {
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    // A failure without a text keeps an empty message.
  }
  return EUpdateError(message, {}, 0, previous ? previous->ErrorCode : 0, error);
}

void TSqlite3BaseQuery::PSReset() {
  if (!Active()) return;
  Close();
  Open();
}

// ---------------------------------------------------------------------------------------------
// TSqlite3Query

TSqlite3Query::TSqlite3Query(TComponent* owner) : TSqlite3BaseQuery(owner) {
  FSQL.OnChange = [this] { QueryChanged(); };
}

TSqlite3Query::~TSqlite3Query() { FSQL.OnChange = nullptr; }

void TSqlite3Query::SetUpdateSQL(TSqlite3UpdateSQL* update) {
  FUpdateSQL = update;
  FreeNotification(update);
}

void TSqlite3Query::Notification(TComponent& removed) {
  if (&removed == FUpdateSQL) FUpdateSQL = nullptr;
  TSqlite3BaseQuery::Notification(removed);
}

void TSqlite3Query::SetSQL(const TStringList& lines) { FSQL.Assign(lines); }

void TSqlite3Query::QueryChanged() {
  FExecuteOnly = false;
  Close();
  if (RawSQL) {
    FParsedSQL = FSQL.Text();
    return;
  }
  TParsedSQL parsed = ParseSQLParams(FSQL.Text());
  Params.Clear();
  for (const std::string& name : parsed.Names) Params.Add(name);
  FParsedSQL = std::move(parsed.SQL);
}
