// The parameter scanner of the SQLite queries: every ":name" outside quotes and comments
// becomes a numbered place, the same name the same number, and nothing else changes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/sqlite/SQLite3Utils.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const TParsedSQL parsed = ParseSQLParams(input);
  // A place "?n" stands for at least two characters ":x"; "::" shrinks to ":".
  Check(parsed.SQL.size() <= 6 * input.size());
  for (size_t i = 0; i < parsed.Names.size(); ++i) {
    Check(!parsed.Names[i].empty());
    for (size_t j = 0; j < i; ++j) Check(!SameText(parsed.Names[i], parsed.Names[j]));
  }
  // Without any colon the text is unchanged.
  if (input.find(':') == std::string::npos) Check(parsed.SQL == input && parsed.Names.empty());
  // A second pass finds no further names: the places are no names.
  const TParsedSQL again = ParseSQLParams(parsed.SQL);
  Check(again.Names.empty() || parsed.SQL.find(':') != std::string::npos);
  return 0;
}
