// The values a query holds and hands out: its rows, fields, parameters and blob streams.
#include "data/sqlite/SQLite3Query.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/Unicode.h"

namespace {

const TSqlValue kNullValue;

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
  FCells.insert(FCells.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(index) * FWidth), cells.begin(),
                cells.end());
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
  if (const TField* master = FDataSet->MasterFieldOf(*this)) return master->Value();
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
      return SQLiteTextToFloat(v.Bytes);
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
  else if (IsDateTimeType(DataType) && TrimText(value).empty())
    Clear();
  else if (IsDateTimeType(DataType))
    SetValue(TSqlValue::OfFloat(FDataSet->FieldDateTime(DataType, TSqlValue::OfText(value))));
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
      if (DataType == TFieldType::ftBoolean) return Value.Int ? "True" : "False";
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
  FField.DataSet()->FModified = true;
  return count;
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
  if (!field) DatabaseError("Field '" + name + "' not found");
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

void TSqlite3BaseQuery::SetFieldValue(TField& field, TSqlValue value) {
  if (field.FieldKind != TFieldKind::fkData) {
    if (!ActiveRow()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
    FCalcRow.at(static_cast<size_t>(field.CalcIndex)) = std::move(value);
  } else {
    if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
      throw EDatabaseError("Dataset not in edit or insert mode");
    FEditRow.at(static_cast<size_t>(field.FieldNo - 1)) = std::move(value);
    FModified = true;
    if (AutoCalcFields) CalculateFields();
  }
  if (FState != TDataSetState::dsCalcFields && field.OnChange) field.OnChange(field);
}

TField* TSqlite3BaseQuery::MasterFieldOf(const TField& field) const {
  if (!FMasterSource || FMasterFields.empty()) return nullptr;
  TSqlite3BaseQuery* master = FMasterSource->GetDataSet();
  if (!master || !master->Active()) return nullptr;
  if (FMasterPairsText != FMasterFields) {
    FMasterPairs.clear();
    for (const std::string& piece : SplitNames(FMasterFields)) {
      const size_t equals = piece.find('=');
      if (equals != std::string::npos)
        FMasterPairs.emplace_back(TrimText(piece.substr(0, equals)), TrimText(piece.substr(equals + 1)));
    }
    FMasterPairsText = FMasterFields;
  }
  for (const auto& [detailName, masterName] : FMasterPairs)
    if (SameText(detailName, field.FieldName)) return &master->FieldByName(masterName);
  return nullptr;
}

void TSqlite3BaseQuery::AddCalculatedField(const TFieldDef& def) {
  FCalcFieldDefs.push_back({def, TFieldKind::fkCalculated, {}});
}

void TSqlite3BaseQuery::AddLookupField(const TFieldDef& def, const TLookupDef& lookup) {
  FCalcFieldDefs.push_back({def, TFieldKind::fkLookup, lookup});
  FreeNotification(lookup.LookupDataSet);
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
  const TLookupDef& lookup = FCalcFieldDefs.at(static_cast<size_t>(field.CalcIndex)).Lookup;
  TSqlite3BaseQuery* source = lookup.LookupDataSet;
  if (!source || !source->Active()) return {};
  std::vector<std::string> keys;
  for (const std::string& name : SplitNames(lookup.KeyFields)) {
    const TField& key = FieldByName(name);
    if (key.IsNull()) return {};
    keys.push_back(key.AsString());
  }
  if (!source->Locate(lookup.LookupKeyFields, keys, {})) return {};
  return source->FieldByName(lookup.LookupResultField).Value();
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

TDateTime TSqlite3BaseQuery::FieldDateTime(TFieldType type, const TSqlValue& value) const {
  if (value.Kind == TSqlValue::vkFloat) return value.Float;
  if (value.Kind == TSqlValue::vkInteger) return static_cast<TDateTime>(value.Int);
  const std::string text = TrimText(value.Bytes);
  // The SQLite forms first: a date, a date and time, or (for a time) a time of day alone.
  const std::string sqliteForm = type == TFieldType::ftTime && text.size() < 10 ? "1899-12-30 " + text : text;
  if (sqliteForm.size() >= 10) {
    try {
      return SQLiteTextToDateTime(sqliteForm);
    } catch (const EConvertError&) {
      // Not in the SQLite form: the query's own format follows.
    }
  }
  const std::string dateFormat =
      !SQLiteDateFormat && !TableDateFormat.empty() ? TableDateFormat : FormatSettings.ShortDateFormat;
  // The date orders that reading a date column knows too.
  auto parseDate = [&](const std::string& part, TDateTime& date) {
    return TryParseDate(part, dateFormat, date) || TryParseDate(part, "dd-mm-yyyy", date) ||
           TryParseDate(part, "yyyy-mm-dd", date);
  };
  TDateTime date = 0, time = 0;
  const size_t blank = text.find(' ');
  switch (type) {
    case TFieldType::ftDate:
      if (parseDate(text, date)) return date;
      throw EConvertError("'" + text + "' is not a valid date");
    case TFieldType::ftTime:
      if (TryParseTime(text, time)) return time;
      throw EConvertError("'" + text + "' is not a valid time");
    default:
      if (blank == std::string::npos
              ? parseDate(text, date)
              : parseDate(text.substr(0, blank), date) && TryParseTime(text.substr(blank + 1), time))
        return date + time;
      throw EConvertError("'" + text + "' is not a valid date and time");
  }
}

TSqlValue TSqlite3BaseQuery::SQLValue(const TField& field, const TSqlValue& value) const {
  if (value.Kind == TSqlValue::vkNull) return TSqlValue::OfNull();
  const TFieldType type = field.DataType;
  if (IsBinaryType(type)) return TSqlValue::OfBlob(value.Bytes);
  if (IsTextType(type))
    return TSqlValue::OfText(
        value.Kind == TSqlValue::vkText || value.Kind == TSqlValue::vkBlob ? value.Bytes : ValueToText(field, value));
  if (IsDateTimeType(type)) {
    // A field set to an empty text holds no moment.
    if (value.Kind == TSqlValue::vkText && TrimText(value.Bytes).empty()) return TSqlValue::OfNull();
    return TSqlValue::OfText(FormatDateTime(DateFormatFor(type), FieldDateTime(type, value)));
  }
  if (IsIntegerType(type) || IsFloatType(type)) return value;
  return TSqlValue::OfText(ValueToText(field, value));
}

std::string TSqlite3BaseQuery::FieldDataToText(const TField& field, TSqlValues* values, bool oldValue) const {
  if (field.DataSet() != this) throw EInvalidArgument("Only own fields are accepted");
  TSqlValue value = SQLValue(field, oldValue ? field.OldValue() : field.Value());
  if (value.Kind == TSqlValue::vkNull) return "null";
  if (values) {
    values->push_back(std::move(value));
    return "?" + std::to_string(values->size());
  }
  if (IsBlobType(field.DataType)) throw EInvalidArgument("No place to store a blob field");
  switch (value.Kind) {
    case TSqlValue::vkInteger:
      return std::to_string(value.Int);
    case TSqlValue::vkFloat:
      return FloatToSQLText(value.Float);
    default:
      return QuotedSQLText(value.Bytes);
  }
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
    } else if (param.DataType == TFieldType::ftBoolean) {
      values.push_back(TSqlValue::OfText(param.AsString()));  // as boolean fields are written
    } else {
      values.push_back(param.Value);
    }
  }
  return values;
}
