// The databases behind the database source on Windows: ActiveX Data Objects for connection
// strings that name an OLE DB provider, ODBC itself for the others and for those that name the
// OLE DB provider for ODBC (what that provider, ADO's default one, would do with them), and the
// OLE DB data-link dialog.
//
// The window layer makes one connector and hands it to the source:
//   new TSearchDatabase(owner, std::make_shared<TWin32DatabaseConnector>(), windows);
// Sessions are made and used on the search worker; ODBC ones are kept between searches, ADO ones
// end with the search's COM apartment.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <optional>
#include <string>

#include "os/win32/os_win32.h"
#include "sources/SearchDatabase.h"

class TWin32DatabaseConnector : public TDatabaseConnector {
 public:
  // Joins COM on the search's thread for the sessions of the search.
  void BeginSearch() override;
  void EndSearch() override;
  std::unique_ptr<TDatabaseSession> Open(const std::string& connectionString) override;

 private:
  std::optional<os::TComScope> FCom;
};

// A COM interface pointer that releases what it holds.
template <class T>
class TComRef {
 public:
  TComRef() = default;
  ~TComRef() { Reset(); }
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;

  T* operator->() const { return FPointer; }
  T* Get() const { return FPointer; }
  explicit operator bool() const { return FPointer != nullptr; }
  // Where a call puts a new pointer; what was held is released first.
  T** Put() {
    Reset();
    return &FPointer;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  // The pointer for a call that may change what is held (an in-out argument).
  T** Address() { return &FPointer; }
  void Reset() {
    if (FPointer) FPointer->Release();
    FPointer = nullptr;
  }

 private:
  T* FPointer = nullptr;
};

struct _ADOConnection;

// A connection through ADO. Its rows are read whole, field by field, as text. It belongs to the
// search's COM apartment, so it ends with the search, and only its command time-out ends a
// statement early.
class TAdoSession : public TDatabaseSession {
 public:
  // Raises an Exception with the provider's message when the connection cannot be opened.
  explicit TAdoSession(const std::string& connectionString);
  ~TAdoSession() override;
  void Run(const std::string& sql, const TStringList& parameters, const TDbRowFunc& onRow) override;
  bool Lasting() const override { return false; }
  // The fields of the last statement's result.
  const TStringList& FieldNames() const { return FFieldNames; }

 private:
  void Execute(const std::string& sql, const TStringList& parameters, TComRef<struct _ADORecordset>& recordset);
  void ReadRows(struct _ADORecordset& recordset, const TDbRowFunc& onRow);
  // Raises an EParametersNotTaken when Binding: the provider refused the parameters.
  [[noreturn]] void Fail(HRESULT result, bool binding = false);

  TComRef<_ADOConnection> FConnection;
  TStringList FFieldNames;
};

// The OLE DB data-link dialog over ConnectionString: the connection string the user built (its
// password in it), or ConnectionString again when they cancel. Raises an Exception when the
// dialog cannot be shown, cannot give its string, or gives none after OK.
std::string BuildConnectionString(HWND parent, const std::string& connectionString);
