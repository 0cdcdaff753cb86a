// The wildcard match written the plain recursive way, exponential in the number of stars.
// The fast matcher must agree with it everywhere; the tests and the fuzz target compare.
#pragma once

#include <string_view>

inline bool RecursiveMatch(std::string_view text, std::string_view mask) {
  if (mask == "*") return true;
  if (text.empty()) return mask.empty();
  if (mask.empty()) return false;
  if (mask[0] == '*') return RecursiveMatch(text, mask.substr(1)) || RecursiveMatch(text.substr(1), mask);
  if (mask[0] == '?') return RecursiveMatch(text.substr(1), mask.substr(1));
  return mask[0] == text[0] && RecursiveMatch(text.substr(1), mask.substr(1));
}
