// A database definition as the user wrote it: its connection string taken apart (no key's name
// holds a ";") and turned into ODBC's for the OLE DB provider for ODBC, and its statement with the
// typed text bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sources/SearchDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const TConnectionKey& key : ConnectionStringKeys(text))
    if (key.Name.empty() || key.Name.find(';') != std::string::npos || key.Name.size() + key.Value.size() > text.size())
      std::abort();
  if (const auto odbc = OdbcConnectionOfMsdasql(text); odbc && !NamesOleDbProvider(text)) std::abort();

  const TSearchStatement statement = BindSearchText(text, "o'k");
  if (statement.Pieces.size() != statement.Parameters.size() + 1 ||
      statement.InLiteral.size() != statement.Parameters.size())
    std::abort();
  // The text never becomes SQL: every marker outside the parameters stays where the SQL had it.
  const std::string bound = statement.Text();
  if (bound.find("o'k") != std::string::npos && text.find("o'k") == std::string::npos) std::abort();
  return 0;
}
