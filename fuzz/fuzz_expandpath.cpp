// ExpandPath reads every stored path of every item, on both threads: it must never throw, and
// it may only change a text that holds a name between two percent signs.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/LorvexClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string result = ExpandPath(input);

  const size_t first = input.find('%');
  const size_t second = first == std::string::npos ? first : input.find('%', first + 1);
  const bool hasName = second != std::string::npos && second > first + 1;
  if (!hasName && result != input) abort();
  // Only the first pair is replaced: what follows it is kept as it stands.
  if (hasName && !result.ends_with(input.substr(second + 1))) abort();
  if (hasName && result.substr(0, first) != input.substr(0, first)) abort();
  return 0;
}
