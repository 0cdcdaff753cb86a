// Update-macro expansion over a real row: any macro text either expands to a statement whose
// numbered places all have a value, or is refused with the layer's own errors.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "data/sqlite/SQLite3DB.h"
#include "data/sqlite/SQLite3Query.h"
#include "fuzz/FuzzCheck.h"

namespace {

struct TFixture {
  TSqlite3DB Db{nullptr};
  TSqlite3UpdateSQL Update{nullptr};
  TSqlite3Query Query{nullptr};

  TFixture() {
    Db.SetDriverDLL("libsqlite3.so.0");
    Db.SetDatabase(":memory:");
    Db.SetConnected(true);
    Db.ExecuteSQL(
        "create table t (a integer, b text, c blob, d datetime); insert into t values (1, 'x', x'00', "
        "'2009-12-31 13:45:10.250')");
    Query.SetConnection(&Db);
    Query.SetUpdateSQL(&Update);
    Query.SQL().Add("select * from t");
    Query.Open();
  }
};

// Every "?n" of the statement outside quoted text names one of its values.
void CheckPlaces(const TSqlStatement& statement) {
  const std::string& sql = statement.SQL;
  for (size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] == '\'' || sql[i] == '"') {
      const size_t close = sql.find(sql[i], i + 1);
      if (close == std::string::npos) break;
      i = close;
      continue;
    }
    if (sql[i] != '?' || i + 1 >= sql.size() || sql[i + 1] < '1' || sql[i + 1] > '9') continue;
    size_t end = i + 1;
    size_t number = 0;
    while (end < sql.size() && sql[end] >= '0' && sql[end] <= '9' && number < 100000)
      number = number * 10 + static_cast<size_t>(sql[end++] - '0');
    Check(number >= 1 && number <= statement.Values.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFixture fixture;
  const std::string macro(reinterpret_cast<const char*>(data), size);
  fixture.Update.UpdateSQL = {macro};
  fixture.Update.InsertSQL = {macro};
  fixture.Update.DeleteSQL = {macro};
  for (int kind = 0; kind < 3; ++kind) {
    try {
      const TSqlStatement statement = kind == 0   ? fixture.Query.ExpandUpdateMacro()
                                      : kind == 1 ? fixture.Query.ExpandInsertMacro()
                                                  : fixture.Query.ExpandDeleteMacro();
      // Places the macro writes itself are the macro author's business.
      if (macro.find('?') == std::string::npos) CheckPlaces(statement);
    } catch (const Exception&) {
      // A macro the grammar refuses, or a field that does not exist.
    }
  }
  return 0;
}
