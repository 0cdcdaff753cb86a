#include "sources/win32/SearchDatabase.h"

#include <ole2.h>
#include <oledb.h>
#include <oledberr.h>
#include <msdasc.h>
#include <sql.h>
#include <sqlext.h>
#include <process.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "core/Unicode.h"
#include "core/qmStringUtils.h"
#include "core/qmTranslate.h"
#include "core/win32/WideText.h"

// MinGW's adoint.h names six coclasses in C++ with a line that declares nothing ("Connection;"),
// which g++ refuses. Predeclaring their typedefs and naming them as classes makes those lines
// plain forward declarations.
#define __Connection_FWD_DEFINED__
#define __Record_FWD_DEFINED__
#define __Stream_FWD_DEFINED__
#define __Command_FWD_DEFINED__
#define __Recordset_FWD_DEFINED__
#define __Parameter_FWD_DEFINED__
#define Connection class ADOConnection
#define Record class ADORecord
#define Stream class ADOStream
#define Command class ADOCommand
#define Recordset class ADORecordset
#define Parameter class ADOParameter
#include <adoint.h>
#undef Connection
#undef Record
#undef Stream
#undef Command
#undef Recordset
#undef Parameter

namespace {

// The classes and interfaces of ADO and OLE DB services this unit uses (the SDK's libraries of
// GUIDs do not hold them).
constexpr GUID AdoGuid(unsigned long first) { return {first, 0, 0x0010, {0x80, 0, 0, 0xAA, 0, 0x6D, 0x2E, 0xA4}}; }
constexpr GUID ConnectionClass = AdoGuid(0x00000514);
constexpr GUID ConnectionInterface = AdoGuid(0x00000550);
constexpr GUID CommandClass = AdoGuid(0x00000507);
constexpr GUID Command15Interface = AdoGuid(0x00000508);
constexpr GUID OleDbGuid(unsigned long first) {
  return {first, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
}
constexpr GUID DataInitializeClass = OleDbGuid(0x2206CDB0);
constexpr GUID DataLinksClass = OleDbGuid(0x2206CDB2);
constexpr GUID PromptInitializeInterface = OleDbGuid(0x2206CCB0);
constexpr GUID DataInitializeInterface = OleDbGuid(0x2206CCB1);
constexpr GUID DataSourceLocatorInterface = OleDbGuid(0x2206CCB2);

// A BSTR that frees itself.
class TBstr {
 public:
  explicit TBstr(const std::string& text = "") : FText(SysAllocString(Utf8ToWide(text).c_str())) {}
  ~TBstr() { SysFreeString(FText); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  operator BSTR() const { return FText; }
  BSTR* Put() {
    SysFreeString(FText);
    FText = nullptr;
    return &FText;
  }
  std::string Text() const { return FText ? WideToUtf8(FText) : ""; }

 private:
  BSTR FText;
};

// A VARIANT that clears itself.
class TVariant {
 public:
  TVariant() { VariantInit(&FValue); }
  explicit TVariant(long value) : TVariant() {
    FValue.vt = VT_I4;
    FValue.lVal = value;
  }
  explicit TVariant(const std::string& text) : TVariant() {
    FValue.vt = VT_BSTR;
    FValue.bstrVal = SysAllocString(Utf8ToWide(text).c_str());
  }
  ~TVariant() { VariantClear(&FValue); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  VARIANT& Get() { return FValue; }
  // The value as text; empty for NULL.
  std::string Text() {
    if (FValue.vt == VT_NULL || FValue.vt == VT_EMPTY) return "";
    if (FValue.vt != VT_BSTR && FAILED(VariantChangeType(&FValue, &FValue, VARIANT_ALPHABOOL, VT_BSTR))) return "";
    return FValue.bstrVal ? WideToUtf8(FValue.bstrVal) : "";
  }

 private:
  VARIANT FValue;
};

std::string SystemMessage(HRESULT result) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text ? Trim(WideToUtf8(text)) : "";
  LocalFree(text);
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  return message.empty() ? code : message + " (" + code + ")";
}

// What COM says about the last failure of this thread.
std::string ErrorInfoText() {
  TComRef<IErrorInfo> info;
  TBstr description;
  if (GetErrorInfo(0, info.Put()) != S_OK || !info || FAILED(info->GetDescription(description.Put()))) return "";
  return description.Text();
}

// --- ODBC ---------------------------------------------------------------------------------------

SQLWCHAR* OdbcText(std::wstring& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

// The driver's own diagnostic records of Handle, and the first one's state.
std::string OdbcErrors(SQLSMALLINT type, SQLHANDLE handle, std::string* firstState = nullptr) {
  std::string errors;
  SQLWCHAR state[6], message[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT record = 1;
       SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, record, state, &native, message, 1024, &length)); ++record) {
    const std::string text = Trim(WideToUtf8(reinterpret_cast<wchar_t*>(message)));
    const std::string code = WideToUtf8(reinterpret_cast<wchar_t*>(state));
    if (firstState && record == 1) *firstState = code;
    if (!errors.empty()) errors += " ";
    errors += text.empty() ? code : text;
  }
  return errors.empty() ? TranslateText("The ODBC driver gave no message.") : errors;
}

// An ODBC handle that frees itself.
class TOdbcHandle {
 public:
  TOdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : FType(type) {
    if (SQL_SUCCEEDED(SQLAllocHandle(type, parent, &FHandle))) return;
    if (type == SQL_HANDLE_ENV) throw Exception(TranslateText("ODBC is not available."));
    throw Exception(OdbcErrors(static_cast<SQLSMALLINT>(type - 1), parent));  // the parent's kind
  }
  ~TOdbcHandle() { SQLFreeHandle(FType, FHandle); }
  TOdbcHandle(const TOdbcHandle&) = delete;
  TOdbcHandle& operator=(const TOdbcHandle&) = delete;
  SQLHANDLE Get() const { return FHandle; }
  // Raises the handle's errors when Result is a failure.
  void Check(SQLRETURN result) const {
    if (!SQL_SUCCEEDED(result)) throw Exception(OdbcErrors(FType, FHandle));
  }
  // The same for a call that binds the text: a driver that has no parameters says so with
  // "optional feature not implemented" or "driver does not support this function".
  void CheckBinding(SQLRETURN result) const {
    if (SQL_SUCCEEDED(result)) return;
    std::string state;
    std::string message = OdbcErrors(FType, FHandle, &state);
    if (state == "HYC00" || state == "IM001") throw EParametersNotTaken(message);
    throw Exception(message);
  }

 private:
  SQLSMALLINT FType;
  SQLHANDLE FHandle = SQL_NULL_HANDLE;
};

// One ODBC connection; freed by the last of the session and a statement left running.
struct TOdbcConnection {
  TOdbcHandle Environment{SQL_HANDLE_ENV, SQL_NULL_HANDLE};
  std::unique_ptr<TOdbcHandle> Handle;
  bool Connected = false;
  ~TOdbcConnection() {
    if (Connected) SQLDisconnect(Handle->Get());
  }
};

// A statement on its own thread, handing its rows over to the search. The search waits for
// them with a bound and may leave the statement behind: a driver may keep the call waiting
// (SQLite's for another's lock, longer than any query time-out) and not let it be cancelled.
struct TOdbcStatementRun {
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<TDbRow> Rows;
  bool Done = false;  // the thread is done with the connection
  bool Stop = false;  // the search wants no more rows
  bool Cancelled = false;
  std::exception_ptr Error;

  static constexpr size_t MaxWaiting = 256;  // rows read ahead of the search

  // Runs Work on a thread of its own, which may outlive the wait for it; how it ended is told
  // through Run. The thread is the system's, its handle let go at once: a detached std::thread
  // (of the POSIX threads under MinGW) now and then never starts, and its statement would end in
  // the time-out.
  template <class TWork>
  static void Start(const std::shared_ptr<TOdbcStatementRun>& run, TWork work) {
    auto task = std::make_unique<std::function<void()>>([run, work = std::move(work)] {
      try {
        work();
      } catch (...) {
        std::lock_guard<std::mutex> lock(run->Lock);
        run->Error = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(run->Lock);
      run->Done = true;
      run->Changed.notify_all();
    });
    const uintptr_t thread = _beginthreadex(nullptr, 0, RunTask, task.get(), 0, nullptr);
    if (!thread) throw std::system_error(errno, std::generic_category(), "The database's thread did not start");
    task.release();  // the thread's now
    CloseHandle(reinterpret_cast<HANDLE>(thread));
  }

 private:
  static unsigned __stdcall RunTask(void* param) {
    const std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(param));
    (*task)();
    return 0;
  }
};

class TOdbcSession : public TDatabaseSession {
 public:
  // Connecting, too, may wait for a lock: it gets its own thread and the login time-out.
  explicit TOdbcSession(const std::string& connectionString) {
    auto connection = std::make_shared<TOdbcConnection>();
    auto run = std::make_shared<TOdbcStatementRun>();
    TOdbcStatementRun::Start(run, [connection, connectionString] {
      connection->Environment.Check(SQLSetEnvAttr(connection->Environment.Get(), SQL_ATTR_ODBC_VERSION,
                                                  reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
      connection->Handle = std::make_unique<TOdbcHandle>(SQL_HANDLE_DBC, connection->Environment.Get());
      // A driver without this bound ignores it.
      SQLSetConnectAttrW(connection->Handle->Get(), SQL_ATTR_LOGIN_TIMEOUT,
                         reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(DatabaseLoginTimeoutSeconds)), 0);
      std::wstring text = Utf8ToWide(connectionString);
      connection->Handle->Check(SQLDriverConnectW(connection->Handle->Get(), nullptr, OdbcText(text), SQL_NTS, nullptr,
                                                  0, nullptr, SQL_DRIVER_NOPROMPT));
      connection->Connected = true;
    });
    std::unique_lock<std::mutex> lock(run->Lock);
    if (!run->Changed.wait_for(lock, std::chrono::seconds(DatabaseLoginTimeoutSeconds), [&] { return run->Done; }))
      throw Exception(FormatText(TranslateText("The database did not answer within %s seconds."),
                                 {std::to_string(DatabaseLoginTimeoutSeconds)}));
    if (run->Error) std::rethrow_exception(run->Error);
    FConnection = connection;
  }

  // Rows come as the statement gives them; it may not keep the search waiting longer than the
  // query time-out between two of them, and a cancel ends the wait at once. A statement left
  // behind keeps the connection, so the session is then spent.
  void Run(const std::string& sql, const TStringList& parameters, const TDbRowFunc& onRow) override {
    if (!FConnection) throw Exception(TranslateText("The connection was left to a statement that did not end."));
    auto run = std::make_shared<TOdbcStatementRun>();
    {
      std::lock_guard<std::mutex> lock(FLock);
      FRun = run;
    }
    TOdbcStatementRun::Start(run, [run = run.get(), connection = FConnection, sql, parameters] {
      RunStatement(*connection, *run, sql, parameters);
    });
    struct TForget {
      TOdbcSession& session;
      ~TForget() {
        std::lock_guard<std::mutex> lock(session.FLock);
        session.FRun.reset();
      }
    } forget{*this};
    TakeRows(*run, onRow);
  }

  void Cancel() override {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FRun) return;
    std::lock_guard<std::mutex> runLock(FRun->Lock);
    FRun->Cancelled = true;
    FRun->Changed.notify_all();
  }

 private:
  void TakeRows(TOdbcStatementRun& run, const TDbRowFunc& onRow) {
    std::unique_lock<std::mutex> lock(run.Lock);
    for (;;) {
      const bool moved = run.Changed.wait_for(lock, std::chrono::seconds(DatabaseQueryTimeoutSeconds),
                                              [&] { return !run.Rows.empty() || run.Done || run.Cancelled; });
      if (!moved || run.Cancelled) {
        run.Stop = true;
        run.Changed.notify_all();
        FConnection.reset();
        if (run.Cancelled) throw Exception(TranslateText("The statement was cancelled."));
        throw Exception(FormatText(TranslateText("The database did not answer within %s seconds."),
                                   {std::to_string(DatabaseQueryTimeoutSeconds)}));
      }
      if (!run.Rows.empty()) {
        TDbRow row = std::move(run.Rows.front());
        run.Rows.pop_front();
        run.Changed.notify_all();
        lock.unlock();
        const bool more = onRow(std::move(row));
        lock.lock();
        if (!more) {
          run.Stop = true;
          run.Changed.notify_all();
          // The statement ends at its next row; wait for it within the bound.
          if (!run.Changed.wait_for(lock, std::chrono::seconds(DatabaseQueryTimeoutSeconds), [&] { return run.Done; }))
            FConnection.reset();
          return;
        }
        continue;
      }
      if (run.Error) std::rethrow_exception(run.Error);
      return;  // done
    }
  }

  // On the statement's thread.
  static void RunStatement(TOdbcConnection& connection, TOdbcStatementRun& run, const std::string& sql,
                           const TStringList& parameters) {
    TOdbcHandle statement(SQL_HANDLE_STMT, connection.Handle->Get());
    SQLSetStmtAttrW(statement.Get(), SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(DatabaseQueryTimeoutSeconds)), 0);
    std::wstring text = Utf8ToWide(sql);
    statement.Check(SQLPrepareW(statement.Get(), OdbcText(text), SQL_NTS));
    std::vector<std::wstring> values;
    for (const std::string& parameter : parameters) values.push_back(Utf8ToWide(parameter));
    std::vector<SQLLEN> lengths(values.size(), SQL_NTS);
    for (size_t i = 0; i < values.size(); ++i)
      statement.CheckBinding(SQLBindParameter(statement.Get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                              SQL_C_WCHAR, SQL_WVARCHAR, std::max<SQLULEN>(values[i].size(), 1), 0,
                                              OdbcText(values[i]), 0, &lengths[i]));
    // A statement that touches no rows answers "no data".
    const SQLRETURN executed = SQLExecute(statement.Get());
    if (executed == SQL_NO_DATA) return;
    statement.Check(executed);
    const TStringList names = ColumnNames(statement);
    if (names.empty()) return;
    for (SQLRETURN fetched; (fetched = SQLFetch(statement.Get())) != SQL_NO_DATA;) {
      statement.Check(fetched);
      TDbRow row;
      for (size_t column = 0; column < names.size(); ++column)
        row.push_back({names[column], ColumnText(statement, static_cast<SQLUSMALLINT>(column + 1))});
      std::unique_lock<std::mutex> lock(run.Lock);
      run.Changed.wait(lock, [&] { return run.Stop || run.Rows.size() < TOdbcStatementRun::MaxWaiting; });
      if (run.Stop) return;
      run.Rows.push_back(std::move(row));
      run.Changed.notify_all();
    }
  }

  static TStringList ColumnNames(const TOdbcHandle& statement) {
    SQLSMALLINT count = 0;
    statement.Check(SQLNumResultCols(statement.Get(), &count));
    TStringList names;
    for (SQLUSMALLINT column = 1; column <= count; ++column) {
      SQLWCHAR name[256] = {};
      SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      statement.Check(SQLDescribeColW(statement.Get(), column, name, 256, &length, &type, &size, &digits, &nullable));
      names.push_back(WideToUtf8(reinterpret_cast<wchar_t*>(name)));
    }
    return names;
  }

  // The value in pieces: a long one comes in several calls.
  static std::string ColumnText(const TOdbcHandle& statement, SQLUSMALLINT column) {
    std::wstring value;
    wchar_t piece[1024];
    for (;;) {
      SQLLEN length = 0;
      const SQLRETURN result = SQLGetData(statement.Get(), column, SQL_C_WCHAR, piece, sizeof piece, &length);
      if (result == SQL_NO_DATA || length == SQL_NULL_DATA) break;
      statement.Check(result);
      value += piece;
      if (result == SQL_SUCCESS) break;
    }
    return WideToUtf8(value);
  }

  std::shared_ptr<TOdbcConnection> FConnection;  // null once left to a statement
  std::mutex FLock;                              // guards FRun against Cancel
  std::shared_ptr<TOdbcStatementRun> FRun;
};

}  // namespace

// --- TWin32DatabaseConnector -------------------------------------------------------------------

void TWin32DatabaseConnector::BeginSearch() { FCom.emplace(); }

void TWin32DatabaseConnector::EndSearch() { FCom.reset(); }

std::unique_ptr<TDatabaseSession> TWin32DatabaseConnector::Open(const std::string& connectionString) {
  // The OLE DB provider for ODBC only hands its string on to ODBC: ODBC is asked straight away
  // (under Wine its rows come only that way).
  if (const std::optional<std::string> odbc = OdbcConnectionOfMsdasql(connectionString))
    return std::make_unique<TOdbcSession>(*odbc);
  if (NamesOleDbProvider(connectionString)) return std::make_unique<TAdoSession>(connectionString);
  return std::make_unique<TOdbcSession>(connectionString);
}

// --- TAdoSession ---------------------------------------------------------------------------------

TAdoSession::TAdoSession(const std::string& connectionString) {
  HRESULT result =
      CoCreateInstance(ConnectionClass, nullptr, CLSCTX_INPROC_SERVER, ConnectionInterface, FConnection.PutVoid());
  if (FAILED(result))
    throw Exception(FormatText(TranslateText("ActiveX Data Objects are not available: %s"), {SystemMessage(result)}));
  FConnection->put_ConnectionTimeout(DatabaseLoginTimeoutSeconds);
  FConnection->put_CommandTimeout(DatabaseQueryTimeoutSeconds);
  result = FConnection->Open(TBstr(connectionString), nullptr, nullptr, adOptionUnspecified);
  if (FAILED(result)) Fail(result);
}

TAdoSession::~TAdoSession() {
  if (FConnection) FConnection->Close();
}

void TAdoSession::Run(const std::string& sql, const TStringList& parameters, const TDbRowFunc& onRow) {
  TComRef<_ADORecordset> recordset;
  Execute(sql, parameters, recordset);
  FFieldNames.clear();
  if (recordset) ReadRows(*recordset.Get(), onRow);
}

// A statement without rows leaves Recordset empty.
void TAdoSession::Execute(const std::string& sql, const TStringList& parameters, TComRef<_ADORecordset>& recordset) {
  if (parameters.empty()) {
    TVariant affected;
    const HRESULT result = FConnection->Execute(TBstr(sql), &affected.Get(), adCmdText, recordset.Put());
    if (FAILED(result)) Fail(result);
    return;
  }
  TComRef<Command15> command;
  HRESULT result = CoCreateInstance(CommandClass, nullptr, CLSCTX_INPROC_SERVER, Command15Interface, command.PutVoid());
  TComRef<ADOParameters> list;
  if (SUCCEEDED(result)) result = command->putref_ActiveConnection(FConnection.Get());
  if (SUCCEEDED(result)) result = command->put_CommandTimeout(DatabaseQueryTimeoutSeconds);
  if (SUCCEEDED(result)) result = command->put_CommandText(TBstr(sql));
  if (SUCCEEDED(result)) result = command->get_Parameters(list.Put());
  for (size_t i = 0; i < parameters.size() && SUCCEEDED(result); ++i) {
    TComRef<_ADOParameter> parameter;
    TVariant value(parameters[i]);
    const long size = std::max<long>(static_cast<long>(Utf8ToWide(parameters[i]).size()), 1);
    result = command->CreateParameter(TBstr(), adVarWChar, adParamInput, size, value.Get(), parameter.Put());
    if (SUCCEEDED(result)) result = list->Append(parameter.Get());
  }
  if (SUCCEEDED(result)) result = command->Execute(nullptr, nullptr, adCmdText, recordset.Put());
  // A provider without parameters: "not capable of performing the requested operation", or a
  // missing interface.
  constexpr HRESULT FeatureNotAvailable = static_cast<HRESULT>(0x800A0CB3);
  if (FAILED(result)) Fail(result, result == FeatureNotAvailable || result == E_NOTIMPL || result == E_NOINTERFACE);
}

void TAdoSession::ReadRows(_ADORecordset& recordset, const TDbRowFunc& onRow) {
  long state = adStateClosed;
  if (FAILED(recordset.get_State(&state)) || !(state & adStateOpen)) return;
  TComRef<ADOFields> fields;
  long count = 0;
  HRESULT result = recordset.get_Fields(fields.Put());
  if (SUCCEEDED(result)) result = fields->get_Count(&count);
  std::vector<TComRef<ADOField>> items(static_cast<size_t>(std::max(count, 0L)));
  for (size_t i = 0; i < items.size() && SUCCEEDED(result); ++i) {
    TBstr name;
    result = fields->get_Item(TVariant(static_cast<long>(i)).Get(), items[i].Put());
    if (SUCCEEDED(result)) result = items[i]->get_Name(name.Put());
    FFieldNames.push_back(name.Text());
  }
  VARIANT_BOOL atEnd = VARIANT_TRUE;
  while (SUCCEEDED(result) && SUCCEEDED(result = recordset.get_EOF(&atEnd)) && atEnd == VARIANT_FALSE) {
    TDbRow row;
    for (size_t i = 0; i < items.size() && SUCCEEDED(result); ++i) {
      TVariant value;
      result = items[i]->get_Value(&value.Get());
      row.push_back({FFieldNames[i], value.Text()});
    }
    if (FAILED(result) || !onRow(std::move(row))) break;
    result = recordset.MoveNext();
  }
  if (FAILED(result)) Fail(result);
}

// Raises the provider's errors for a failed call: the connection's error list, else what COM
// says, else the system's text for the result.
void TAdoSession::Fail(HRESULT result, bool binding) {
  std::string message;
  TComRef<ADOErrors> errors;
  long count = 0;
  if (SUCCEEDED(FConnection->get_Errors(errors.Put())) && errors && SUCCEEDED(errors->get_Count(&count))) {
    for (long i = 0; i < count; ++i) {
      TComRef<ADOError> error;
      TBstr description;
      if (FAILED(errors->get_Item(TVariant(i).Get(), error.Put())) || FAILED(error->get_Description(description.Put())))
        continue;
      if (!message.empty()) message += " ";
      message += description.Text();
    }
    errors->Clear();
  }
  if (message.empty()) message = ErrorInfoText();
  if (message.empty()) message = SystemMessage(result);
  if (binding) throw EParametersNotTaken(message);
  throw Exception(message);
}

// --- The data-link dialog ------------------------------------------------------------------------

namespace {

[[noreturn]] void DataLinkFailed(HRESULT result) {
  throw Exception(FormatText(TranslateText("The data link dialog cannot build a connection string here: %s"),
                             {SystemMessage(result)}));
}

// What the dialog built after OK; it must be something.
std::string Built(std::string text) {
  if (text.empty()) throw Exception(TranslateText("The data link dialog gave back no connection string."));
  return text;
}

// The same property sheet through the data-link object's older interface, which gives and takes
// ADO connections.
std::string BuildWithLocator(HWND parent, const std::string& connectionString) {
  TComRef<IDataSourceLocator> locator;
  HRESULT result =
      CoCreateInstance(DataLinksClass, nullptr, CLSCTX_INPROC_SERVER, DataSourceLocatorInterface, locator.PutVoid());
  if (SUCCEEDED(result)) result = locator->put_hWnd(static_cast<COMPATIBLE_LONG>(reinterpret_cast<INT_PTR>(parent)));
  if (FAILED(result)) DataLinkFailed(result);
  TComRef<IDispatch> connection;
  if (connectionString.empty()) {
    result = locator->PromptNew(connection.Put());
    if (FAILED(result)) DataLinkFailed(result);
    // Cancelled, it answers S_FALSE; Wine's sheet answers S_OK after OK, yet without a connection.
    if (!connection) return result == S_FALSE ? connectionString : Built("");
  } else {
    TComRef<_ADOConnection> edited;
    result = CoCreateInstance(ConnectionClass, nullptr, CLSCTX_INPROC_SERVER, ConnectionInterface, edited.PutVoid());
    if (SUCCEEDED(result)) result = edited->put_ConnectionString(TBstr(connectionString));
    if (SUCCEEDED(result)) result = edited->QueryInterface(IID_IDispatch, connection.PutVoid());
    VARIANT_BOOL confirmed = VARIANT_FALSE;
    if (SUCCEEDED(result)) result = locator->PromptEdit(connection.Address(), &confirmed);
    if (FAILED(result)) DataLinkFailed(result);
    if (confirmed != VARIANT_TRUE) return connectionString;
  }
  TComRef<_ADOConnection> built;
  TBstr text;
  result = connection->QueryInterface(ConnectionInterface, built.PutVoid());
  if (SUCCEEDED(result)) result = built->get_ConnectionString(text.Put());
  if (FAILED(result)) DataLinkFailed(result);
  return Built(text.Text());
}

}  // namespace

std::string BuildConnectionString(HWND parent, const std::string& connectionString) {
  TComRef<IDataInitialize> initialize;
  TComRef<IDBPromptInitialize> prompt;
  HRESULT result = CoCreateInstance(DataInitializeClass, nullptr, CLSCTX_INPROC_SERVER, DataInitializeInterface,
                                    initialize.PutVoid());
  if (FAILED(result)) DataLinkFailed(result);
  result = CoCreateInstance(DataLinksClass, nullptr, CLSCTX_INPROC_SERVER, PromptInitializeInterface, prompt.PutVoid());
  if (result == E_NOINTERFACE) return BuildWithLocator(parent, connectionString);
  if (FAILED(result)) DataLinkFailed(result);
  TComRef<IUnknown> source;
  std::wstring initial = Utf8ToWide(connectionString);
  if (!initial.empty()) {
    result = initialize->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, initial.data(), IID_IUnknown, source.Put());
    if (FAILED(result)) DataLinkFailed(result);
  }
  // The dialog edits the data source it is given, or makes one.
  result = prompt->PromptDataSource(nullptr, parent, DBPROMPTOPTIONS_PROPERTYSHEET, 0, nullptr, nullptr, IID_IUnknown,
                                    source.Address());
  if (result == DB_E_CANCELED) return connectionString;
  if (FAILED(result)) DataLinkFailed(result);
  if (!source) return Built("");
  wchar_t* built = nullptr;
  result = initialize->GetInitializationString(source.Get(), TRUE, &built);
  if (FAILED(result)) DataLinkFailed(result);
  const std::string text = built ? WideToUtf8(built) : "";
  CoTaskMemFree(built);
  return Built(text);
}
