// The SQL macro tokenizer: every call moves forward, never reads past the text, and ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/sqlite/SQLite3Utils.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t position = 1;
  TMacroToken kind = mtNone;
  std::string token;
  for (size_t steps = 0;; ++steps) {
    const size_t before = position;
    ScanSQLMacro(text, position, kind, token);
    if (kind == mtEnd) {
      Check(token.empty());
      break;
    }
    Check(position > before);
    Check(position <= text.size() + 2);
    Check(steps <= text.size());
  }
  try {
    SyntaxCheck(token, "where");
  } catch (const ESqlite3Error&) {
  }
  return 0;
}
