// The JSON parser on any input, against nlohmann/json: both take it or both refuse it, and
// what both take reads the same. Where our rules differ (see JsonCanonical.h) only our own
// soundness is checked. nlohmann/json ends its input at a NUL byte, so the comparison does too.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/json/JSON.h"
#include "tests/support/JsonCanonical.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view text = input.substr(0, input.find('\0'));
  if (text.size() < input.size()) TJSON::ParseText(input);
  const std::string ours = jsontest::Canonical(TJSON::ParseText(text));

  jsontest::TCanonicalSax<nlohmann::json> oracle;
  const bool taken = nlohmann::json::sax_parse(text, &oracle);
  if (oracle.IllFormedUtf8) return 0;
  const bool refused = !taken || oracle.Infinite || oracle.MaxDepth > 512;
  Check(refused == (ours == "nil"));
  Check(refused || ours == oracle.Text());
  return 0;
}
