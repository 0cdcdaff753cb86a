// Shared set-up of the SQLite suites: where the library is, a fresh database, and its queries.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "data/sqlite/SQLite3DB.h"
#include "data/sqlite/SQLite3Query.h"
#include "os/os.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Thrown.h"

namespace sqlitetest {

// The system's library natively; under Windows the sqlite3.dll that the build puts beside the
// test program.
inline std::string LibraryPath() {
#ifdef _WIN32
  std::string configured;
  if (os::GetEnv("LORVEX_SQLITE_DLL", configured) && !configured.empty()) return configured;
  const std::string exe = os::ExeFileName();
  const std::string folder = exe.substr(0, exe.find_last_of("\\/") + 1);
  return folder + "sqlite3.dll";
#else
  return "libsqlite3.so.0";
#endif
}

// A connection, not yet connected, to the database file FileName.
inline std::unique_ptr<TSqlite3DB> Connection(const std::string& fileName) {
  auto db = std::make_unique<TSqlite3DB>(nullptr);
  db->SetDriverDLL(LibraryPath());
  db->SetDatabase(fileName);
  return db;
}

// A connection, not yet connected, to Name in a fresh scratch folder.
inline std::unique_ptr<TSqlite3DB> NewConnection(const std::string& folderName, const std::string& name = "test.db") {
  return Connection(testpaths::FreshFolder(folderName) + name);
}

// A connected database holding the given script.
inline std::unique_ptr<TSqlite3DB> NewDatabase(const std::string& folderName, const std::string& script) {
  auto db = NewConnection(folderName);
  db->SetConnected(true);
  if (!script.empty()) db->ExecuteSQL(script);
  return db;
}

// A query over Db with the given SQL lines.
inline std::unique_ptr<TSqlite3Query> NewQuery(TSqlite3DB& db, const TStringList& sql) {
  auto query = std::make_unique<TSqlite3Query>(nullptr);
  query->SetConnection(&db);
  query->SetSQL(sql);
  return query;
}

// Customers (1 Ann, 2 Bob) and their orders (quantities 2, 5 and 1, the last of a customer that
// is not there): the orders have the calculated field "twice" (the quantity doubled) and the lookup
// field "name" of their customer. CheckCalculating runs in the calculating event before "twice" is
// set. The customers are open, the orders not yet.
struct TOrdersOfCustomers {
  std::unique_ptr<TSqlite3DB> Db;
  std::unique_ptr<TSqlite3Query> Customers, Orders;
};

inline TOrdersOfCustomers NewOrdersOfCustomers(const std::string& folderName,
                                               std::function<void(TSqlite3BaseQuery&)> checkCalculating) {
  TOrdersOfCustomers data;
  data.Db = NewDatabase(folderName,
                        "create table c (id integer, name); insert into c values (1, 'Ann'), (2, 'Bob');"
                        "create table o (customer integer, qty integer); insert into o values (1, 2), (2, 5), (3, 1)");
  data.Customers = NewQuery(*data.Db, {"select * from c"});
  data.Customers->Open();
  data.Orders = NewQuery(*data.Db, {"select * from o"});
  data.Orders->AddCalculatedField({"twice", TFieldType::ftInteger});
  data.Orders->AddLookupField({"name", TFieldType::ftString, 20}, {"customer", data.Customers.get(), "id", "name"});
  data.Orders->OnCalcFields = [checkCalculating](TSqlite3BaseQuery& q) {
    checkCalculating(q);
    q.FieldByName("twice").SetAsInteger(q.FieldByName("qty").AsInteger() * 2);
  };
  return data;
}

// A query whose record reads the tests make as the moves make them.
class TRecordReader : public TSqlite3Query {
 public:
  using TSqlite3BaseQuery::GetRecord;
  using TSqlite3Query::TSqlite3Query;
};

// One value read straight from the file.
inline std::string Scalar(TSqlite3DB& db, const std::string& sql) {
  auto query = NewQuery(db, {sql});
  query->RawSQL = true;
  query->QueryChanged();
  query->Open();
  return query->Fields(0).AsString();
}

// A field of every row of an open query, each followed by ";"; "closed" when it is not open.
inline std::string Column(TSqlite3BaseQuery& query, const std::string& field) {
  if (!query.Active()) return "closed";
  std::string result;
  for (query.First(); !query.Eof(); query.Next()) result += query.FieldByName(field).AsString() + ";";
  return result;
}

}  // namespace sqlitetest
