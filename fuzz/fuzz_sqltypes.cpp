// Declared column types and the date and time texts of SQLite columns: outside input read
// from any database file. None may crash; a date that reads back formats to the same parts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/sqlite/SQLite3Utils.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TFieldType type;
  int fieldSize = 0, precision = 0;
  GetFieldInfo(text, type, fieldSize, precision);
  Check(fieldSize >= 0 && precision >= 0);

  TFormatSettings settings;
  const TDateTime date = TextToDate(text, settings);
  Check(date >= EncodeDate(1, 1, 1) - 1 && date <= EncodeDate(9999, 12, 31));
  const TDateTime time = TextToTime(text);
  Check(time >= 0 && time < 1);
  TextToDateTime(text, settings);
  TextToExtended(text);
  SQLiteTextToFloat(text, ",");
  TextToInteger(text);

  try {
    const TDateTime value = SQLiteTextToDateTime(text);
    if (text.size() >= 23 && value != 0) {
      // A whole SQLite text formats back to its own digits.
      const std::string again = FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value);
      Check(SQLiteTextToDateTime(again) == value);
    }
  } catch (const EConvertError&) {
  }
  return 0;
}
