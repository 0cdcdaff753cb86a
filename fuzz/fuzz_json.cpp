// The JSON parser on any input. What nlohmann/json reads (within our limits: numbers in the
// 80-bit range, 512 levels of nesting) ours reads the same; the rest of our grammar is our own,
// and there only our soundness is checked. Whatever ours reads comes back the same from its
// canonical text. nlohmann/json ends its input at a NUL byte, so the comparison does too.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/json/JSON.h"
#include "tests/support/JsonCanonical.h"
#include "fuzz/FuzzCheck.h"

namespace {

std::string ReadBack(std::string_view text) {
  const std::string ours = jsontest::Canonical(TJSON::ParseText(text));
  if (ours != "nil") Check(jsontest::Canonical(TJSON::ParseText(ours)) == ours);
  return ours;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view text = input.substr(0, input.find('\0'));
  if (text.size() < input.size()) ReadBack(input);
  const std::string ours = ReadBack(text);

  jsontest::TCanonicalSax<nlohmann::json> oracle;
  const bool taken = nlohmann::json::sax_parse(text, &oracle) && !oracle.Infinite && oracle.MaxDepth <= 512;
  Check(!taken || ours == oracle.Text());
  return 0;
}
