// The SQLite datasets: a query over one SQL text whose result is held as rows of typed
// values, with fields by name, navigation, bookmarks, bound parameters, writing through
// update macros, searching, SQL filters and master/detail links.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Persistent.h"
#include "data/sqlite/SQLite3DB.h"
#include "data/sqlite/SQLite3Utils.h"

class TSqlite3BaseQuery;

using TRow = std::vector<TSqlValue>;

// The dataset's events: told the dataset, and for a failed write also the error and what is to
// follow it (daFail raises the error, daAbort ends the operation silently, daRetry runs it again).
using TDataSetNotifyEvent = std::function<void(TSqlite3BaseQuery& dataSet)>;
enum class TDataAction { daFail, daAbort, daRetry };
using TDataSetErrorEvent =
    std::function<void(TSqlite3BaseQuery& dataSet, const EDatabaseError& error, TDataAction& action)>;

// The rows of an open query, each with a bookmark that is never reused and its SQLite rowid.
// The values of all rows lie in one block, Width values per row.
class TFResult {
 public:
  explicit TFResult(size_t width) : FWidth(width) {}
  size_t Width() const { return FWidth; }
  int Add(const TRow& row, int64_t rowid);
  // Appends a row of null values to be filled in place; its first value.
  TSqlValue* AddEmpty(int64_t rowid);
  void SetRowId(int index, int64_t rowid);
  void Insert(int index, const TRow& row, int64_t rowid);
  void Delete(int index);
  TSqlValue* GetData(int index);  // the row's first value; null outside the rows
  int32_t GetBookmark(int index) const;
  int64_t GetRowId(int index) const;
  int Count() const { return static_cast<int>(FBookmarks.size()); }
  int IndexOfBookmark(int32_t bookmark) const;
  void Reserve(size_t rows);

 private:
  size_t FWidth;
  std::vector<TSqlValue> FCells;
  std::vector<int32_t> FBookmarks;
  std::vector<int64_t> FRowIds;
  int32_t FLastBookmark = -1;
};

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftString;
  int Size = 0;
  int Precision = 0;
};

enum class TFieldKind { fkData, fkCalculated, fkLookup };

// Where a lookup field finds its value: the row of LookupDataSet whose LookupKeyFields equal
// this dataset's KeyFields (names separated by ";"), and there the LookupResultField.
struct TLookupDef {
  std::string KeyFields;
  TSqlite3BaseQuery* LookupDataSet = nullptr;
  std::string LookupKeyFields;
  std::string LookupResultField;
};

// A field that is no column of the result: its value is computed for the current record.
struct TCalcFieldDef {
  TFieldDef Def;
  TFieldKind Kind = TFieldKind::fkCalculated;
  TLookupDef Lookup;
};

// One field of the current record.
class TField {
 public:
  TField(TSqlite3BaseQuery* dataSet, const TFieldDef& def, int fieldNo)
      : FieldName(def.Name), DataType(def.DataType), Size(def.Size), FieldNo(fieldNo), FDataSet(dataSet) {}
  TField(TSqlite3BaseQuery* dataSet, const TCalcFieldDef& def, int calcIndex)
      : FieldName(def.Def.Name),
        DataType(def.Def.DataType),
        Size(def.Def.Size),
        FieldNo(0),
        FieldKind(def.Kind),
        CalcIndex(calcIndex),
        FDataSet(dataSet) {}

  const std::string FieldName;
  const TFieldType DataType;
  const int Size;
  const int FieldNo;  // 1-based for the columns, 0 for calculated and lookup fields
  const TFieldKind FieldKind = TFieldKind::fkData;
  const int CalcIndex = -1;  // the place of a calculated or lookup field's value
  bool Required = false;
  bool InKey = false;  // a key field for the provider operations
  // Told each time the field's value is set (not while calculated fields are computed).
  std::function<void(TField& sender)> OnChange;

  TSqlite3BaseQuery* DataSet() const { return FDataSet; }
  bool IsNull() const;
  bool IsBlob() const { return IsBlobType(DataType); }
  const TSqlValue& Value() const;
  const TSqlValue& OldValue() const;  // as the row was loaded, while it is edited

  std::string AsString() const;
  int64_t AsInteger() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  std::u16string AsWideString() const;

  void SetAsString(const std::string& value);
  void SetAsInteger(int64_t value);
  void SetAsFloat(double value);
  void SetAsDateTime(TDateTime value);
  void SetAsBoolean(bool value);
  void SetAsWideString(const std::u16string& value);
  void Clear();  // null
  void SetValue(const TSqlValue& value);

 private:
  TSqlite3BaseQuery* FDataSet;
};

// A query parameter: its value and the type its last assignment gave it.
class TParam {
 public:
  explicit TParam(std::string name = {}) : Name(std::move(name)) {}
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  TSqlValue Value;
  bool Bound = false;  // a value has been assigned

  void SetAsString(const std::string& value);
  void SetAsInteger(int64_t value);
  void SetAsFloat(double value);
  void SetAsDate(TDateTime value);
  void SetAsTime(TDateTime value);
  void SetAsDateTime(TDateTime value);
  void SetAsBoolean(bool value);
  void SetAsBlob(const std::string& bytes);
  void Clear();  // null
  std::string AsString() const;

 private:
  void Set(TFieldType type, TSqlValue value);
};

class TParams {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TParam& Items(int index) { return FItems.at(static_cast<size_t>(index)); }
  const TParam& Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  TParam* FindParam(const std::string& name);
  TParam& ParamByName(const std::string& name);  // EDatabaseError when there is none
  TParam& Add(const std::string& name) { return FItems.emplace_back(name); }
  void Clear() { FItems.clear(); }
  // Copies the values of the parameters of the same names (all of them when this is empty).
  void AssignValues(const TParams& source);

 private:
  std::vector<TParam> FItems;
};

// The SQL lines of a query; every change reports to the query.
class TSqlite3SQLList {
 public:
  std::function<void()> OnChange;
  void Add(const std::string& line);
  void Clear();
  void Assign(const TStringList& lines);
  void SetText(const std::string& text);
  std::string Text() const;  // lines joined by CR LF, with a final CR LF
  int Count() const { return static_cast<int>(FLines.size()); }
  const std::string& operator[](int index) const { return FLines.at(static_cast<size_t>(index)); }
  const TStringList& Lines() const { return FLines; }

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  TStringList FLines;
};

class TSqlite3UpdateSQL : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TSqlite3UpdateSQL"; }
  void describe(TPropertyVisitor& visitor) override {
    visitor.Strings("InsertSQL", InsertSQL);
    visitor.Strings("UpdateSQL", UpdateSQL);
    visitor.Strings("DeleteSQL", DeleteSQL);
  }
  TStringList InsertSQL, UpdateSQL, DeleteSQL;
  void SetInsertSQL(const TStringList& lines) { InsertSQL = lines; }
  void SetUpdateSQL(const TStringList& lines) { UpdateSQL = lines; }
  void SetDeleteSQL(const TStringList& lines) { DeleteSQL = lines; }
};

// Names a master dataset for the details that follow it; a dataset that is freed is forgotten.
class TDataSource : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TDataSource"; }
  TSqlite3BaseQuery* GetDataSet() const { return FDataSet; }
  void SetDataSet(TSqlite3BaseQuery* dataSet);

 protected:
  void Notification(TComponent& removed) override;

 private:
  TSqlite3BaseQuery* FDataSet = nullptr;
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsCalcFields };
// Which record GetRecord reads, and what it answers.
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };

struct TLocateOptions {
  bool CaseInsensitive = false;
  bool PartialKey = false;
};

// A statement with its values, as an update macro expands, and the table it writes.
struct TSqlStatement {
  std::string SQL;
  TSqlValues Values;
  std::string Table;
};

// A blob field's bytes as a stream; a changed stream is written back when it goes.
class TSqlite3BlobStream {
 public:
  enum TMode { bmRead, bmWrite, bmReadWrite };
  TSqlite3BlobStream(TField& field, TMode mode);
  ~TSqlite3BlobStream();
  size_t Read(void* buffer, size_t count);
  size_t Write(const void* buffer, size_t count);
  size_t Size() const { return FData.size(); }
  size_t Position = 0;

 private:
  TField& FField;
  std::string FData;
  bool FModified = false;
};

class TSqlite3BaseQuery : public TComponent {
 public:
  explicit TSqlite3BaseQuery(TComponent* owner);
  ~TSqlite3BaseQuery() override;
  const char* ClassName() const override { return "TSqlite3BaseQuery"; }
  // The published properties that are text (references, events and the SQL lines are not).
  void describe(TPropertyVisitor& visitor) override;

  bool AutoCommit = false;
  std::string TransactionType;
  bool SQLiteDateFormat = true;
  std::string TableDateFormat;
  int32_t MaxResults = 0;
  int32_t StartResult = 0;
  bool TypeLess = false;
  bool SQLCursor = true;
  bool ReadOnly = false;
  bool UniDirectional = false;
  std::string Filter;
  bool Filtered = false;
  bool AutoCalcFields = true;  // compute the calculated fields again on every change of a value
  // Sets the calculated fields of the current record (in the dsCalcFields state).
  TDataSetNotifyEvent OnCalcFields;
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforePost, AfterPost;
  TDataSetNotifyEvent BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnNewRecord;                // a record inserted or appended, before the caller fills it
  TDataSetErrorEvent OnPostError, OnDeleteError;  // for the database's errors (EDatabaseError)
  TFormatSettings FormatSettings;                 // for texts shown and typed in outside the SQLite forms
  TParams Params;

  TSqlite3DB* GetConnection() const { return FConnection; }
  void SetConnection(TSqlite3DB* connection);
  void ConnectionGone(TSqlite3DB* connection);  // the connection is being destroyed
  const std::string& GetMasterFields() const { return FMasterFields; }
  void SetMasterFields(const std::string& text) { FMasterFields = text; }
  // The master's field that a detail's field of this name reads: the pair "name=master field"
  // of MasterFields. Null when there is none or the master is not open.
  TField* MasterFieldOf(const TField& field) const;
  TDataSource* GetDataSource() const { return FMasterSource; }
  void SetDataSource(TDataSource* source);
  void SetFilterText(const std::string& text);

  // Opening and closing.
  void Open();
  void Close();
  bool Active() const { return FState != TDataSetState::dsInactive; }
  void SetActive(bool active) { active ? Open() : Close(); }
  void ExecSQL();
  TDataSetState State() const { return FState; }
  // A value was set (or a blob stream written) since the record was last edited, inserted or posted.
  bool Modified() const { return FModified; }
  const std::string& SQLToRun() const { return FSQLToRun; }

  // Navigation.
  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const { return FEof; }
  bool Bof() const { return FBof; }
  bool IsEmpty() const;
  int GetRecordCount() const;
  int GetRecNo();
  void SetRecNo(int recNo);
  int32_t GetBookmark() const;
  void GotoBookmark(int32_t bookmark);
  bool BookmarkValid(int32_t bookmark) const;
  static int CompareBookmarks(int32_t a, int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
  int64_t CurrentRowId() const;

  // Fields: the result's columns, then the calculated and lookup fields.
  int FieldCount() const { return static_cast<int>(FFields.size()); }
  TField& Fields(int index) { return *FFields.at(static_cast<size_t>(index)); }
  TField* FindField(const std::string& name);
  TField& FieldByName(const std::string& name);  // EDatabaseError when there is none
  // Those of the open result; a closed query prepares its statement for them alone (it neither
  // reads rows nor runs a statement that writes).
  const std::vector<TFieldDef>& FieldDefs();
  // Fields besides the columns; they are created with the columns' fields at every open.
  void AddCalculatedField(const TFieldDef& def);
  void AddLookupField(const TFieldDef& def, const TLookupDef& lookup);
  void CalculateFields();
  std::unique_ptr<TSqlite3BlobStream> CreateBlobStream(TField& field, TSqlite3BlobStream::TMode mode);

  // Editing.
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // A new record with these values for the fields in order (the rest null), written at once: at
  // the current record, or after the last one.
  void InsertRecord(const TSqlValues& values);
  void AppendRecord(const TSqlValues& values);

  // Searching.
  bool Locate(const std::string& keyFields, const std::vector<std::string>& keyValues, TLocateOptions options);
  // The values of the result fields (";" between names) in the first record whose key fields
  // hold the key values, which becomes the current one; none when no record does.
  TSqlValues Lookup(const std::string& keyFields, const std::vector<std::string>& keyValues,
                    const std::string& resultFields);

  // Master/detail.
  std::string BuildFilter();
  void RegisterDetailDataset(TSqlite3BaseQuery* detail);
  void NotifySQLiteMasterChanged();
  virtual void SQLiteMasterChanged();
  // Hands the exception being handled to the application's handler (see HandleDataSetException).
  void InternalHandleException() { HandleDataSetException(*this); }

  // The values that fill the numbered places of the SQL text.
  TSqlValues ParamValues() const;
  // A field of this query as a statement takes it: "null" for a null field; with Values, the
  // value is appended there and the text is its numbered place; without, the text is the value
  // as an SQL literal (blob fields have none). OldValue: the value as the row was loaded.
  std::string FieldDataToText(const TField& field, TSqlValues* values, bool oldValue = false) const;
  // A text or a day count held by a date, time or date-time field, as the moment it stands for:
  // the SQLite form or the query's date format; EConvertError when it is neither.
  TDateTime FieldDateTime(TFieldType type, const TSqlValue& value) const;

  // Provider operations.
  int PSExecuteStatement(const std::string& sql, const TParams* params, std::unique_ptr<TSqlite3BaseQuery>* resultSet);
  void PSExecute();
  void PSStartTransaction();
  void PSEndTransaction(bool commit);
  bool PSInTransaction() const { return FConnection != nullptr; }
  std::string PSGetKeyFields() const;
  std::string PSGetQuoteChar() const { return "\""; }
  std::string PSGetTableName() const;
  void PSSetCommandText(const std::string& text);
  TParams& PSGetParams() { return Params; }
  void PSSetParams(const TParams& params);
  void PSReset();
  bool PSIsSQLBased() const { return true; }
  bool PSIsSQLSupported() const { return true; }
  EUpdateError PSGetUpdateException(std::exception_ptr error, const EUpdateError* previous) const;

  // Called by a field: the rows that hold the current values.
  const TSqlValue* ActiveRow() const;  // the first of the columns' values; null when none
  const TSqlValue* OldRow() const;
  const TSqlValue& CalcValue(const TField& field) const;
  void SetFieldValue(TField& field, TSqlValue value);
  std::string ValueToText(const TField& field, const TSqlValue& value) const;

 protected:
  friend class TSqlite3BlobStream;  // a written stream marks the record modified
  // What the moves read through: the next or prior record, or a check of the current one. An
  // empty result answers EOF for the next record and BOF for the prior one; grError when there
  // is no current record, which DoCheck turns into the error "No Records".
  TGetResult GetRecord(TGetMode mode, bool doCheck);
  // A master source or a lookup dataset that is freed is forgotten.
  void Notification(TComponent& removed) override;
  // The field definitions as they stand (those of the open result).
  const std::vector<TFieldDef>& ColumnDefs() const { return FFieldDefs; }
  // Runs Write inside a transaction of its own when AutoCommit is set: committed when it
  // succeeds, rolled back when it raises (and the write's own failure is what is raised).
  template <class F>
  void WithAutoCommit(F&& write);
  // The SQL text this query runs, before filters and limits; the parameters it binds.
  virtual std::string BaseSQL() const { return FSQL.Text(); }
  // Writes the record being edited or inserted: the fields that are required are checked, then
  // the row store takes the record (PostToRows).
  virtual void InternalPost();
  void CheckRequiredFields() const;
  void PostToRows();
  // A record that InsertRecord or AppendRecord filled, written: refused when read-only.
  virtual void InternalAddRecord(bool append);
  virtual void InternalDelete();
  // Raises EDatabaseError with the message, naming this dataset when it has a name.
  [[noreturn]] void DatabaseError(const std::string& message) const;
  void InternalOpen();
  void InternalClose();
  void RunExecuteOnly();
  std::string DateFormatFor(TFieldType type) const;
  // The rows or the current record changed (an open, a close, a move, a write): the calculated
  // fields are computed again and every detail follows.
  void DataEvent();

  TSqlite3SQLList FSQL;
  std::string FSQLToRun;
  bool FExecuteOnly = false;
  TSqlite3DB* FConnection = nullptr;

 private:
  std::string BuildSQLToRun();  // the checks of an opening, then the text it runs
  void BuildFieldDefs(TSqlite3Statement& statement);
  void CreateFields();
  static void Fire(const TDataSetNotifyEvent& event, TSqlite3BaseQuery& dataSet) {
    if (event) event(dataSet);
  }
  // Runs Operation; a database error goes to OnError first, which may retry or abort it.
  template <class F>
  void CheckOperation(F&& operation, const TDataSetErrorEvent& onError);
  int64_t ReadRow(TSqlite3Statement& statement, TSqlValue* row);  // the rowid
  TSqlValue ColumnValue(const TSqlite3Library& lib, sqlite3_stmt* statement, int column, TFieldType type);
  bool FetchNext();
  void CheckBrowse() const;
  template <class F>
  void Scroll(F&& move);  // a move in the browse state, told BeforeScroll and AfterScroll
  void AddRecord(const TSqlValues& values, bool append);
  void BeginInsert(bool append);
  void EndWrite();  // back to browsing after a record was written
  void UnregisterFromMaster();
  const TSqlValue* RowOf(TDataSetState state) const;
  TSqlValue LookupValue(const TField& field);
  TSqlValue SQLValue(const TField& field, const TSqlValue& value) const;

  TDataSetState FState = TDataSetState::dsInactive;
  TDataSetState FStateBeforeCalc = TDataSetState::dsInactive;
  std::unique_ptr<TFResult> FResult;
  std::unique_ptr<TSqlite3Statement> FStatement;  // unidirectional queries only
  std::vector<TFieldDef> FFieldDefs;
  std::vector<TCalcFieldDef> FCalcFieldDefs;
  std::vector<std::unique_ptr<TField>> FFields;
  TRow FCalcRow;                   // the calculated and lookup values of the current record
  std::vector<int> FColumnFields;  // per result column: its field index, -1 for the rowid
  int FRowIdColumn = -1;
  int FCurrent = -1;
  bool FBof = true, FEof = true;
  TRow FUniRow;  // the unidirectional query's current row
  int64_t FUniRowId = -1;
  TRow FEditRow, FOldRow;
  int FInsertAt = 0;
  std::string FMasterFields;
  mutable std::string FMasterPairsText;  // the MasterFields text the pairs were read from
  mutable std::vector<std::pair<std::string, std::string>> FMasterPairs;
  bool FModified = false;
  TDataSource* FMasterSource = nullptr;
  TSqlite3BaseQuery* FRegisteredMaster = nullptr;
  std::vector<TSqlite3BaseQuery*> FDetails;
};

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

template <class F>
void TSqlite3BaseQuery::CheckOperation(F&& operation, const TDataSetErrorEvent& onError) {
  for (;;) {
    try {
      operation();
      return;
    } catch (const EDatabaseError& error) {
      TDataAction action = TDataAction::daFail;
      if (onError) onError(*this, error, action);
      if (action == TDataAction::daFail) throw;
      if (action == TDataAction::daAbort) throw EAbort();
    }
  }
}

// Closes a query however the code that reads it ends.
class TQueryCloser {
 public:
  explicit TQueryCloser(TSqlite3BaseQuery& query) : FQuery(query) {}
  ~TQueryCloser() { FQuery.Close(); }
  TQueryCloser(const TQueryCloser&) = delete;
  TQueryCloser& operator=(const TQueryCloser&) = delete;

 private:
  TSqlite3BaseQuery& FQuery;
};

class TSqlite3Query : public TSqlite3BaseQuery {
 public:
  explicit TSqlite3Query(TComponent* owner);
  ~TSqlite3Query() override;
  const char* ClassName() const override { return "TSqlite3Query"; }
  void describe(TPropertyVisitor& visitor) override {
    TSqlite3BaseQuery::describe(visitor);
    visitor.Boolean("RawSQL", RawSQL);
  }

  bool RawSQL = false;
  // The macros a post or delete runs; freed, they are forgotten.
  TSqlite3UpdateSQL* GetUpdateSQL() const { return FUpdateSQL; }
  void SetUpdateSQL(TSqlite3UpdateSQL* update);

  TSqlite3SQLList& SQL() { return FSQL; }
  void SetSQL(const TStringList& lines);
  void QueryChanged();
  const std::string& ParsedSQL() const { return FParsedSQL; }

  // The statements a post or delete of the current record runs.
  TSqlStatement ExpandUpdateMacro() const;
  TSqlStatement ExpandInsertMacro() const;
  TSqlStatement ExpandDeleteMacro() const;

 protected:
  std::string BaseSQL() const override { return FParsedSQL; }
  void Notification(TComponent& removed) override;
  void InternalPost() override;
  void InternalDelete() override;

 private:
  void EnsureConnected();
  const TSqlite3UpdateSQL& Macros() const;  // raises when there is no update SQL component
  void RunChangingOneRow(const TSqlStatement& statement, const char* verb);
  void RefreshKey(const std::string& table);
  std::string FParsedSQL;
  TSqlite3UpdateSQL* FUpdateSQL = nullptr;
};
