// The wildcard match against its plain recursive definition.
// Input: the text, a line feed, the mask (without a line feed, the whole input is the text and
// the mask is empty).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/qmStringUtils.h"
#include "tests/support/RecursiveWildcard.h"
#include "fuzz/FuzzCheck.h"

namespace {

// Exponential in the number of stars: only run on short inputs.
constexpr size_t ReferenceLimit = 12;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\n');
  const std::string_view text = input.substr(0, split);
  const std::string_view mask = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  const bool matches = MatchesWildcard(text, mask);
  if (text.size() <= ReferenceLimit && mask.size() <= ReferenceLimit) Check(matches == RecursiveMatch(text, mask));
  if (mask.find_first_of("*?") == std::string_view::npos) Check(matches == (text == mask));

  // Every text matches itself, its stars and question marks included.
  Check(MatchesWildcard(text, text));
  Check(MatchesWildcard(mask, "*"));
  return 0;
}
