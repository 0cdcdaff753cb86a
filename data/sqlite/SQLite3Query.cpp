#include "data/sqlite/SQLite3Query.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/Unicode.h"

namespace {

const TSqlValue kNullValue;

bool IsIntegerType(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftWord ||
         type == TFieldType::ftLargeint;
}

bool IsFloatType(TFieldType type) {
  return type == TFieldType::ftFloat || type == TFieldType::ftCurrency || type == TFieldType::ftBCD;
}

// Blob-like types whose bytes are text (memos) rather than binary data.
bool IsMemoType(TFieldType type) { return type == TFieldType::ftMemo || type == TFieldType::ftFmtMemo; }

bool IsBinaryType(TFieldType type) { return IsBlobType(type) && !IsMemoType(type); }

bool TextToBool(const std::string& text) {
  const std::string t = LowerCase(TrimText(text));
  if (t == "true" || t == "t" || t == "yes" || t == "y") return true;
  if (t == "false" || t == "f" || t == "no" || t == "n" || t.empty()) return false;
  return TextToExtended(t) != 0;
}

int64_t StrictInteger(const std::string& text) {
  const std::string t = TrimText(text);
  int64_t value = 0;
  auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size() || t.empty())
    throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

double StrictFloat(std::string text, char decimalSeparator) {
  std::replace(text.begin(), text.end(), decimalSeparator, '.');
  const std::string t = TrimText(text);
  double value = 0;
  auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size() || t.empty())
    throw EConvertError("'" + text + "' is not a valid floating point value");
  return value;
}

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(';', start);
    const std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end == std::string::npos) {
      if (!piece.empty()) names.push_back(piece);
      break;
    }
    names.push_back(piece);
    start = end + 1;
  }
  return names;
}

// A name as SQL text: plain identifiers as they are, others in quotation marks.
std::string SQLName(const std::string& name) {
  const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
  if (plain) return name;
  std::string result = "\"";
  for (char c : name) {
    if (c == '"') result += '"';
    result += c;
  }
  return result + "\"";
}

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

std::string JoinTexts(const std::vector<std::string>& parts, const std::string& separator) {
  std::string result;
  for (size_t i = 0; i < parts.size(); ++i) result += (i ? separator : "") + parts[i];
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFResult

int TFResult::Add(const TRow& row, int64_t rowid) {
  const int index = Count();
  TSqlValue* cells = AddEmpty(rowid);
  std::copy_n(row.begin(), std::min(row.size(), FWidth), cells);
  return index;
}

TSqlValue* TFResult::AddEmpty(int64_t rowid) {
  const int index = Count();
  FCells.resize(FCells.size() + FWidth);
  FBookmarks.push_back(++FLastBookmark);
  FRowIds.push_back(rowid < 0 ? index : rowid);
  return FCells.data() + FCells.size() - FWidth;
}

void TFResult::SetRowId(int index, int64_t rowid) {
  if (index >= 0 && index < Count()) FRowIds[static_cast<size_t>(index)] = rowid < 0 ? index : rowid;
}

void TFResult::Insert(int index, const TRow& row, int64_t rowid) {
  TRow cells = row;
  cells.resize(FWidth);
  if (index < 0 || index >= Count()) {
    FCells.insert(FCells.end(), cells.begin(), cells.end());
    FBookmarks.push_back(++FLastBookmark);
    FRowIds.push_back(rowid);
    return;
  }
  FCells.insert(FCells.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(index) * FWidth), cells.begin(), cells.end());
  FBookmarks.insert(FBookmarks.begin() + index, ++FLastBookmark);
  FRowIds.insert(FRowIds.begin() + index, rowid);
}

void TFResult::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  const auto first = FCells.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(index) * FWidth);
  FCells.erase(first, first + static_cast<ptrdiff_t>(FWidth));
  FBookmarks.erase(FBookmarks.begin() + index);
  FRowIds.erase(FRowIds.begin() + index);
}

TSqlValue* TFResult::GetData(int index) {
  return index >= 0 && index < Count() ? FCells.data() + static_cast<size_t>(index) * FWidth : nullptr;
}

int32_t TFResult::GetBookmark(int index) const {
  return index >= 0 && index < Count() ? FBookmarks[static_cast<size_t>(index)] : -1;
}

int64_t TFResult::GetRowId(int index) const {
  return index >= 0 && index < Count() ? FRowIds[static_cast<size_t>(index)] : -1;
}

int TFResult::IndexOfBookmark(int32_t bookmark) const {
  // Bookmarks grow with the position of insertion, so most lookups hit near the front.
  auto found = std::find(FBookmarks.begin(), FBookmarks.end(), bookmark);
  return found == FBookmarks.end() ? -1 : static_cast<int>(found - FBookmarks.begin());
}

void TFResult::Reserve(size_t rows) {
  FCells.reserve(rows * FWidth);
  FBookmarks.reserve(rows);
  FRowIds.reserve(rows);
}

// ---------------------------------------------------------------------------------------------
// TField

const TSqlValue& TField::Value() const {
  if (FieldKind != TFieldKind::fkData) return FDataSet->CalcValue(*this);
  const TSqlValue* row = FDataSet->ActiveRow();
  return row ? row[FieldNo - 1] : kNullValue;
}

const TSqlValue& TField::OldValue() const {
  if (FieldKind != TFieldKind::fkData) return FDataSet->CalcValue(*this);
  const TSqlValue* row = FDataSet->OldRow();
  return row ? row[FieldNo - 1] : kNullValue;
}

bool TField::IsNull() const { return Value().Kind == TSqlValue::vkNull; }

std::string TField::AsString() const { return FDataSet->ValueToText(*this, Value()); }

int64_t TField::AsInteger() const {
  const TSqlValue& v = Value();
  switch (v.Kind) {
    case TSqlValue::vkInteger:
      return v.Int;
    case TSqlValue::vkFloat:
      return static_cast<int64_t>(v.Float);
    case TSqlValue::vkText:
    case TSqlValue::vkBlob:
      return TextToInteger(v.Bytes);
    default:
      return 0;
  }
}

double TField::AsFloat() const {
  const TSqlValue& v = Value();
  switch (v.Kind) {
    case TSqlValue::vkInteger:
      return static_cast<double>(v.Int);
    case TSqlValue::vkFloat:
      return v.Float;
    case TSqlValue::vkText:
    case TSqlValue::vkBlob:
      return TextToExtended(v.Bytes);
    default:
      return 0;
  }
}

TDateTime TField::AsDateTime() const {
  const TSqlValue& v = Value();
  if (v.Kind == TSqlValue::vkText) return TextToDateTime(v.Bytes, FDataSet->FormatSettings);
  return AsFloat();
}

bool TField::AsBoolean() const {
  const TSqlValue& v = Value();
  if (v.Kind == TSqlValue::vkText || v.Kind == TSqlValue::vkBlob) return TextToBool(v.Bytes);
  return AsFloat() != 0;
}

std::u16string TField::AsWideString() const { return Utf8ToUtf16(AsString()); }

void TField::SetValue(const TSqlValue& value) { FDataSet->SetFieldValue(*this, value); }

void TField::SetAsString(const std::string& value) {
  const TFormatSettings& settings = FDataSet->FormatSettings;
  if (IsBinaryType(DataType))
    SetValue(TSqlValue::OfBlob(value));
  else if (IsTextType(DataType))
    SetValue(TSqlValue::OfText(value));
  else if (IsIntegerType(DataType))
    SetValue(TSqlValue::OfInteger(StrictInteger(value)));
  else if (IsFloatType(DataType))
    SetValue(TSqlValue::OfFloat(StrictFloat(value, settings.DecimalSeparator)));
  else if (DataType == TFieldType::ftBoolean)
    SetAsBoolean(TextToBool(value));
  else if (DataType == TFieldType::ftTime)
    SetValue(TSqlValue::OfFloat(TextToTime(value)));
  else if (IsDateTimeType(DataType))
    SetValue(TSqlValue::OfFloat(TextToDateTime(value, settings)));
  else
    SetValue(TSqlValue::OfText(value));
}

void TField::SetAsInteger(int64_t value) {
  if (IsTextType(DataType))
    SetAsString(std::to_string(value));
  else if (IsFloatType(DataType) || IsDateTimeType(DataType))
    SetValue(TSqlValue::OfFloat(static_cast<double>(value)));
  else
    SetValue(TSqlValue::OfInteger(DataType == TFieldType::ftBoolean ? (value != 0) : value));
}

void TField::SetAsFloat(double value) {
  if (IsTextType(DataType))
    SetAsString(FloatToSQLText(value));
  else if (IsIntegerType(DataType))
    SetValue(TSqlValue::OfInteger(std::llround(value)));
  else if (DataType == TFieldType::ftBoolean)
    SetAsBoolean(value != 0);
  else
    SetValue(TSqlValue::OfFloat(value));
}

void TField::SetAsDateTime(TDateTime value) {
  if (IsTextType(DataType)) {
    SetAsString(FDataSet->ValueToText(TField(FDataSet, TFieldDef{FieldName, TFieldType::ftDateTime, 0, 0}, FieldNo),
                                      TSqlValue::OfFloat(value)));
    return;
  }
  if (DataType == TFieldType::ftDate) value = std::floor(value);
  SetAsFloat(value);
}

void TField::SetAsBoolean(bool value) {
  if (IsTextType(DataType))
    SetAsString(value ? "True" : "False");
  else
    SetValue(TSqlValue::OfInteger(value ? 1 : 0));
}

void TField::SetAsWideString(const std::u16string& value) { SetAsString(Utf16ToUtf8(value)); }

void TField::Clear() { SetValue(TSqlValue::OfNull()); }

// ---------------------------------------------------------------------------------------------
// Parameters

void TParam::Set(TFieldType type, TSqlValue value) {
  DataType = type;
  Value = std::move(value);
  Bound = true;
}

void TParam::SetAsString(const std::string& value) { Set(TFieldType::ftString, TSqlValue::OfText(value)); }
void TParam::SetAsInteger(int64_t value) { Set(TFieldType::ftInteger, TSqlValue::OfInteger(value)); }
void TParam::SetAsFloat(double value) { Set(TFieldType::ftFloat, TSqlValue::OfFloat(value)); }
void TParam::SetAsDate(TDateTime value) { Set(TFieldType::ftDate, TSqlValue::OfFloat(value)); }
void TParam::SetAsTime(TDateTime value) { Set(TFieldType::ftTime, TSqlValue::OfFloat(value)); }
void TParam::SetAsDateTime(TDateTime value) { Set(TFieldType::ftDateTime, TSqlValue::OfFloat(value)); }
void TParam::SetAsBoolean(bool value) { Set(TFieldType::ftBoolean, TSqlValue::OfInteger(value ? 1 : 0)); }
void TParam::SetAsBlob(const std::string& bytes) { Set(TFieldType::ftBlob, TSqlValue::OfBlob(bytes)); }

void TParam::Clear() {
  Value = TSqlValue::OfNull();
  Bound = true;
}

std::string TParam::AsString() const {
  switch (Value.Kind) {
    case TSqlValue::vkInteger:
      return std::to_string(Value.Int);
    case TSqlValue::vkFloat:
      return FloatToSQLText(Value.Float);
    case TSqlValue::vkText:
    case TSqlValue::vkBlob:
      return Value.Bytes;
    default:
      return {};
  }
}

TParam* TParams::FindParam(const std::string& name) {
  for (TParam& param : FItems)
    if (SameText(param.Name, name)) return &param;
  return nullptr;
}

TParam& TParams::ParamByName(const std::string& name) {
  TParam* param = FindParam(name);
  if (!param) throw EDatabaseError("Parameter '" + name + "' not found");
  return *param;
}

void TParams::AssignValues(const TParams& source) {
  if (FItems.empty()) {
    FItems = source.FItems;
    return;
  }
  for (int i = 0; i < source.Count(); ++i) {
    const TParam& from = source.Items(i);
    TParam* to = FindParam(from.Name);
    if (!to && i < Count()) to = &Items(i);
    if (to) {
      const std::string name = to->Name;
      *to = from;
      to->Name = name;
    }
  }
}

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
// Blob streams

TSqlite3BlobStream::TSqlite3BlobStream(TField& field, TMode mode) : FField(field) {
  const TDataSetState state = field.DataSet()->State();
  if (mode != bmRead && state != TDataSetState::dsEdit && state != TDataSetState::dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (mode != bmWrite) FData = field.Value().Bytes;
  if (mode == bmWrite) FModified = true;  // writing from scratch empties the field
}

TSqlite3BlobStream::~TSqlite3BlobStream() {
  if (!FModified) return;
  try {
    FField.SetValue(IsBinaryType(FField.DataType) ? TSqlValue::OfBlob(FData) : TSqlValue::OfText(FData));
  } catch (...) {
    // The dataset left the edit state meanwhile: the change is dropped, as a cancel drops it.
  }
}

size_t TSqlite3BlobStream::Read(void* buffer, size_t count) {
  if (Position >= FData.size()) return 0;
  count = std::min(count, FData.size() - Position);
  std::memcpy(buffer, FData.data() + Position, count);
  Position += count;
  return count;
}

size_t TSqlite3BlobStream::Write(const void* buffer, size_t count) {
  if (Position > FData.size()) FData.resize(Position);
  if (Position + count > FData.size()) FData.resize(Position + count);
  std::memcpy(FData.data() + Position, buffer, count);
  Position += count;
  FModified = true;
  return count;
}

// ---------------------------------------------------------------------------------------------
// TSqlite3BaseQuery: opening and reading

TSqlite3BaseQuery::TSqlite3BaseQuery(TComponent* owner) : TComponent(owner) {}

TSqlite3BaseQuery::~TSqlite3BaseQuery() {
  try {
    Close();
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
  for (TDataSource* s = source; s && s->DataSet; s = s->DataSet->FMasterSource)
    if (s->DataSet == this) throw EDatabaseError("circular references are not allowed");
  FMasterSource = source;
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

void TSqlite3BaseQuery::Open() {
  if (Active()) return;
  if (!FConnection) throw ESqlite3Error("no database connection");
  std::string sql = TrimText(BaseSQL());
  if (sql.empty()) throw ESqlite3Error("no query specified");
  while (!sql.empty() && (sql.back() == ';' || static_cast<unsigned char>(sql.back()) <= 32)) sql.pop_back();
  if (MaxResults == 0 && StartResult != 0) MaxResults = -1;

  if (!FConnection->GetConnected()) FConnection->SetConnected(true);
  // A detail, a filter and a limit each wrap the text, so that its own WHERE or LIMIT stays whole.
  std::vector<std::string> conditions;
  if (FMasterSource) {
    TSqlite3BaseQuery* master = FMasterSource->DataSet;
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
  FSQLToRun = sql;

  if (FExecuteOnly) {
    RunExecuteOnly();
    return;
  }
  try {
    InternalOpen();
  } catch (...) {
    InternalClose();
    throw;
  }
  DataEvent();
}

void TSqlite3BaseQuery::RunExecuteOnly() {
  FConnection->ExecuteSQL(FSQLToRun, ParamValues());
  FSQLToRun.clear();
}

void TSqlite3BaseQuery::InternalOpen() {
  auto statement = FConnection->Prepare(FSQLToRun, ParamValues());
  BuildFields(*statement);
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
  InternalClose();
  DataEvent();
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
  FSQLToRun.clear();
}

template <class F>
void TSqlite3BaseQuery::WithAutoCommit(F&& write) {
  if (!AutoCommit) {
    write();
    return;
  }
  FConnection->StartTransactionAs(TransactionType);
  try {
    write();
    FConnection->Commit();
  } catch (...) {
    try {
      FConnection->RollBack();
    } catch (...) {
      // The write's own failure is the one to report.
    }
    throw;
  }
}

void TSqlite3BaseQuery::ExecSQL() {
  FExecuteOnly = true;
  Close();
  if (!FConnection) throw ESqlite3Error("no database connection");
  WithAutoCommit([this] { Open(); });
}

void TSqlite3BaseQuery::BuildFields(TSqlite3Statement& statement) {
  const TSqlite3Library& lib = statement.Lib();
  sqlite3_stmt* handle = statement.Handle();
  FFieldDefs.clear();
  FFields.clear();
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
    if (kind == SQLITE_FLOAT) return TSqlValue::OfInteger(static_cast<int64_t>(lib.sqlite3_column_double(statement, column)));
    return TSqlValue::OfInteger(TextToInteger(text()));
  }
  if (IsFloatType(type)) {
    if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT) return TSqlValue::OfFloat(lib.sqlite3_column_double(statement, column));
    return TSqlValue::OfFloat(TextToExtended(text()));
  }
  if (type == TFieldType::ftBoolean) {
    if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT) return TSqlValue::OfInteger(lib.sqlite3_column_double(statement, column) != 0);
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

void TSqlite3BaseQuery::First() {
  CheckBrowse();
  if (UniDirectional) {
    if (FCurrent > 0) throw ESqlite3Error("operation PRIOR not allowed on unidirectional dataset");
    FBof = true;
    return;
  }
  FCurrent = FResult->Count() > 0 ? 0 : -1;
  FBof = true;
  FEof = FResult->Count() == 0;
  DataEvent();
}

void TSqlite3BaseQuery::Next() {
  CheckBrowse();
  if (FEof) return;
  if (UniDirectional) {
    FEof = !FetchNext();
    if (!FEof) FBof = false;
    DataEvent();
    return;
  }
  if (FCurrent < FResult->Count() - 1) {
    ++FCurrent;
    FBof = false;
    DataEvent();
  } else {
    FEof = true;
  }
}

void TSqlite3BaseQuery::Prior() {
  CheckBrowse();
  if (UniDirectional) throw ESqlite3Error("operation PRIOR not allowed on unidirectional dataset");
  if (FCurrent > 0) {
    --FCurrent;
    FEof = false;
    DataEvent();
  } else {
    FBof = true;
  }
}

void TSqlite3BaseQuery::Last() {
  CheckBrowse();
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
  FCurrent = recNo - 1;
  FBof = FEof = false;
  DataEvent();
}

int32_t TSqlite3BaseQuery::GetBookmark() const {
  if (!FResult || UniDirectional) return -1;
  return FResult->GetBookmark(FCurrent);
}

void TSqlite3BaseQuery::GotoBookmark(int32_t bookmark) {
  CheckBrowse();
  if (UniDirectional) return;
  const int index = FResult->IndexOfBookmark(bookmark);
  if (index < 0) throw EDatabaseError("Bookmark not found");
  FCurrent = index;
  FBof = FEof = false;
  DataEvent();
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
// Fields and values

TField* TSqlite3BaseQuery::FindField(const std::string& name) {
  for (auto& field : FFields)
    if (SameText(field->FieldName, name)) return field.get();
  return nullptr;
}

TField& TSqlite3BaseQuery::FieldByName(const std::string& name) {
  TField* field = FindField(name);
  if (!field) throw EDatabaseError(Name + ": Field '" + name + "' not found");
  return *field;
}

std::unique_ptr<TSqlite3BlobStream> TSqlite3BaseQuery::CreateBlobStream(TField& field, TSqlite3BlobStream::TMode mode) {
  return std::make_unique<TSqlite3BlobStream>(field, mode);
}

const TSqlValue* TSqlite3BaseQuery::ActiveRow() const {
  return RowOf(FState == TDataSetState::dsCalcFields ? FStateBeforeCalc : FState);
}

const TSqlValue* TSqlite3BaseQuery::RowOf(TDataSetState state) const {
  switch (state) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
      return FEditRow.data();
    case TDataSetState::dsBrowse:
      if (UniDirectional) return FUniRow.empty() ? nullptr : FUniRow.data();
      return FResult->GetData(FCurrent);
    default:
      return nullptr;
  }
}

const TSqlValue* TSqlite3BaseQuery::OldRow() const {
  return FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert ? FOldRow.data() : ActiveRow();
}

const TSqlValue& TSqlite3BaseQuery::CalcValue(const TField& field) const {
  return ActiveRow() ? FCalcRow.at(static_cast<size_t>(field.CalcIndex)) : kNullValue;
}

void TSqlite3BaseQuery::SetFieldValue(const TField& field, TSqlValue value) {
  if (field.FieldKind != TFieldKind::fkData) {
    if (!ActiveRow()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
    FCalcRow.at(static_cast<size_t>(field.CalcIndex)) = std::move(value);
    return;
  }
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  FEditRow.at(static_cast<size_t>(field.FieldNo - 1)) = std::move(value);
  if (AutoCalcFields) CalculateFields();
}

void TSqlite3BaseQuery::AddCalculatedField(const TFieldDef& def) {
  FCalcFieldDefs.push_back({def, TFieldKind::fkCalculated, {}});
}

void TSqlite3BaseQuery::AddLookupField(const TFieldDef& def, const TLookupDef& lookup) {
  FCalcFieldDefs.push_back({def, TFieldKind::fkLookup, lookup});
}

void TSqlite3BaseQuery::CalculateFields() {
  if (FCalcRow.empty()) return;
  std::fill(FCalcRow.begin(), FCalcRow.end(), TSqlValue());
  if (!ActiveRow()) return;
  FStateBeforeCalc = FState;
  FState = TDataSetState::dsCalcFields;
  struct TRestore {
    TSqlite3BaseQuery& Query;
    ~TRestore() { Query.FState = Query.FStateBeforeCalc; }
  } restore{*this};
  for (const auto& field : FFields)
    if (field->FieldKind == TFieldKind::fkLookup) FCalcRow[static_cast<size_t>(field->CalcIndex)] = LookupValue(*field);
  if (OnCalcFields) OnCalcFields(*this);
}

TSqlValue TSqlite3BaseQuery::LookupValue(const TField& field) {
  TSqlite3BaseQuery* source = field.Lookup.LookupDataSet;
  if (!source || !source->Active()) return {};
  std::vector<std::string> keys;
  for (const std::string& name : SplitNames(field.Lookup.KeyFields)) {
    const TField& key = FieldByName(name);
    if (key.IsNull()) return {};
    keys.push_back(key.AsString());
  }
  if (!source->Locate(field.Lookup.LookupKeyFields, keys, {})) return {};
  return source->FieldByName(field.Lookup.LookupResultField).Value();
}

std::string TSqlite3BaseQuery::DateFormatFor(TFieldType type) const {
  if (SQLiteDateFormat) {
    if (type == TFieldType::ftDate) return "yyyy-mm-dd";
    if (type == TFieldType::ftTime) return "hh:nn:ss.zzz";
    return "yyyy-mm-dd hh:nn:ss.zzz";
  }
  if (!TableDateFormat.empty()) return TableDateFormat;
  if (type == TFieldType::ftDate) return FormatSettings.ShortDateFormat;
  if (type == TFieldType::ftTime) return FormatSettings.LongTimeFormat;
  return FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat;
}

std::string TSqlite3BaseQuery::ValueToText(const TField& field, const TSqlValue& value) const {
  switch (value.Kind) {
    case TSqlValue::vkNull:
      return {};
    case TSqlValue::vkText:
    case TSqlValue::vkBlob:
      return value.Bytes;
    case TSqlValue::vkInteger:
      if (field.DataType == TFieldType::ftBoolean) return value.Int ? "True" : "False";
      return std::to_string(value.Int);
    case TSqlValue::vkFloat: {
      if (field.DataType == TFieldType::ftDate) return FormatDateTime(FormatSettings.ShortDateFormat, value.Float);
      if (field.DataType == TFieldType::ftTime) return FormatDateTime(FormatSettings.LongTimeFormat, value.Float);
      if (IsDateTimeType(field.DataType))
        return FormatDateTime(FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat, value.Float);
      std::string text = FloatToSQLText(value.Float);
      std::replace(text.begin(), text.end(), '.', FormatSettings.DecimalSeparator);
      return text;
    }
  }
  return {};
}

TSqlValue TSqlite3BaseQuery::FieldValueForSQL(const TField& field, bool oldValue) const {
  const TSqlValue& value = oldValue ? field.OldValue() : field.Value();
  if (value.Kind == TSqlValue::vkNull) return TSqlValue::OfNull();
  const TFieldType type = field.DataType;
  if (IsBinaryType(type)) return TSqlValue::OfBlob(value.Bytes);
  if (IsTextType(type)) return TSqlValue::OfText(value.Kind == TSqlValue::vkText || value.Kind == TSqlValue::vkBlob
                                                     ? value.Bytes
                                                     : ValueToText(field, value));
  if (IsDateTimeType(type)) {
    const double moment = value.Kind == TSqlValue::vkFloat ? value.Float : 0;
    return TSqlValue::OfText(FormatDateTime(DateFormatFor(type), moment));
  }
  if (IsIntegerType(type) || IsFloatType(type)) return value;
  return TSqlValue::OfText(ValueToText(field, value));
}

TSqlValues TSqlite3BaseQuery::ParamValues() const {
  TSqlValues values;
  values.reserve(static_cast<size_t>(Params.Count()));
  for (int i = 0; i < Params.Count(); ++i) {
    const TParam& param = Params.Items(i);
    if (!param.Bound && param.DataType == TFieldType::ftUnknown) {
      values.push_back(TSqlValue::OfText(""));
    } else if (param.Value.Kind == TSqlValue::vkNull) {
      values.push_back(TSqlValue::OfNull());
    } else if (IsDateTimeType(param.DataType) && param.Value.Kind == TSqlValue::vkFloat) {
      values.push_back(TSqlValue::OfText(FormatDateTime(DateFormatFor(param.DataType), param.Value.Float)));
    } else {
      values.push_back(param.Value);
    }
  }
  return values;
}

// ---------------------------------------------------------------------------------------------
// Editing

void TSqlite3BaseQuery::Edit() {
  CheckBrowse();
  if (IsEmpty()) {
    Insert();
    return;
  }
  const TSqlValue* row = ActiveRow();
  FOldRow.assign(row, row + FFieldDefs.size());
  FEditRow = FOldRow;
  FState = TDataSetState::dsEdit;
}

void TSqlite3BaseQuery::Insert() {
  CheckBrowse();
  if (UniDirectional) throw EDatabaseError("Operation not allowed on a unidirectional dataset");
  FEditRow.assign(FFieldDefs.size(), TSqlValue::OfNull());
  FOldRow = FEditRow;
  FInsertAt = std::max(FCurrent, 0);
  FState = TDataSetState::dsInsert;
  CalculateFields();
}

void TSqlite3BaseQuery::Append() {
  Insert();
  FInsertAt = FResult->Count();
}

void TSqlite3BaseQuery::Post() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  for (const auto& field : FFields)
    if (field->Required && field->IsNull()) throw EDatabaseError(field->FieldName + " is required.");
  InternalPost();
  FState = TDataSetState::dsBrowse;
  FEditRow.clear();
  FOldRow.clear();
  DataEvent();
}

void TSqlite3BaseQuery::Cancel() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  FEditRow.clear();
  FOldRow.clear();
  FState = TDataSetState::dsBrowse;
  CalculateFields();
}

void TSqlite3BaseQuery::Delete() {
  CheckBrowse();
  if (IsEmpty()) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  InternalDelete();
  DataEvent();
}

void TSqlite3BaseQuery::InternalPost() {
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
  const int start = FCurrent;
  for (FCurrent = 0; FCurrent < FResult->Count(); ++FCurrent) {
    CalculateFields();  // a key may be a calculated field
    if (matches()) {
      FBof = FEof = false;
      DataEvent();
      return true;
    }
  }
  FCurrent = start;
  CalculateFields();
  return false;
}

std::vector<std::string> TSqlite3BaseQuery::Lookup(const std::string& keyFields,
                                                   const std::vector<std::string>& keyValues,
                                                   const std::string& resultFields) {
  std::vector<std::string> result;
  if (!Locate(keyFields, keyValues, {})) return result;
  for (const std::string& name : SplitNames(resultFields)) result.push_back(FieldByName(name).AsString());
  return result;
}

// ---------------------------------------------------------------------------------------------
// Master/detail

std::string TSqlite3BaseQuery::BuildFilter() {
  TSqlite3BaseQuery* master = FMasterSource ? FMasterSource->DataSet : nullptr;
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
  TSqlite3BaseQuery* master = FMasterSource ? FMasterSource->DataSet : nullptr;
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
    const bool word = (at == 0 || std::isspace(static_cast<unsigned char>(lower[at - 1]))) &&
                      at + 4 < lower.size() && std::isspace(static_cast<unsigned char>(lower[at + 4]));
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

void TSqlite3Query::EnsureConnected() {
  if (!FConnection) throw ESqlite3Error("no database connection");
  if (!FConnection->GetConnected()) FConnection->SetConnected(true);
}


void TSqlite3Query::InternalPost() {
  if (ReadOnly) throw ESqlite3Error("Cannot post into a read-only dataset");
  EnsureConnected();
  if (!UpdateSQL) throw ESqlite3Error("Missing TSqlite3UpdateSQL component");
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
  TSqlite3BaseQuery::InternalPost();
}

void TSqlite3Query::InternalDelete() {
  if (ReadOnly) throw ESqlite3Error("Cannot delete from a read-only dataset");
  EnsureConnected();
  if (!UpdateSQL) throw ESqlite3Error("Missing TSqlite3UpdateSQL component");
  WithAutoCommit([&] { RunChangingOneRow(ExpandDeleteMacro(), "delete"); });
  TSqlite3BaseQuery::InternalDelete();
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
    return Place(FQuery.FieldValueForSQL(field, oldValue));
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
  TMacroExpander macro(UpdateSQL->UpdateSQL, *this, statement);
  macro.Expect("update");
  macro.Next();
  statement.Table = macro.Token;
  const std::string table = macro.NameText();
  std::vector<std::string> assignments;
  macro.Next();
  if (macro.Token == "*") {
    for (const TFieldDef& column : FieldDefs())
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
  TMacroExpander macro(UpdateSQL->InsertSQL, *this, statement);
  const char* expected = "SQL macro syntax error on insertsql, expected ( or *";
  macro.Expect("insert");
  macro.Expect("into");
  macro.Next();
  statement.Table = macro.Token;
  const std::string table = macro.NameText();
  std::vector<std::string> columns, values;
  macro.Next();
  if (macro.Token == "*") {
    for (const TFieldDef& column : FieldDefs()) {
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
  TMacroExpander macro(UpdateSQL->DeleteSQL, *this, statement);
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
