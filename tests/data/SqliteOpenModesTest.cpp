// How a connection opens a database another one uses: it waits out a lock from its first read
// on, and a read-only one changes nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/data/SqliteTestSupport.h"

TEST(SqliteOpenModesTest, AConnectionWaitsForALockFromItsFirstReadOn) {
  auto writer = sqlitetest::NewDatabase("sqlite_open_wait", "create table t (a integer)");
  writer->ExecuteSQL("begin exclusive");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    writer->ExecuteSQL("commit");
  });
  TSqlite3DB reader(nullptr);
  reader.SetDriverDLL(sqlitetest::LibraryPath());
  reader.SetDatabase(writer->GetDatabase());
  reader.SetTimeOut(10000);
  EXPECT_NO_THROW(reader.SetConnected(true));
  release.join();
}

TEST(SqliteOpenModesTest, AReadOnlyConnectionRefusesToWrite) {
  const std::string file = sqlitetest::NewDatabase("sqlite_read_only", "create table t (a integer)")->GetDatabase();
  TSqlite3DB reader(nullptr);
  reader.SetDriverDLL(sqlitetest::LibraryPath());
  reader.SetDatabase(file);
  reader.ReadOnly = true;
  reader.SetConnected(true);
  EXPECT_NO_THROW(reader.ExecuteSQL("select count(*) from t"));
  EXPECT_THROW(reader.ExecuteSQL("insert into t values (1)"), Exception);
}
