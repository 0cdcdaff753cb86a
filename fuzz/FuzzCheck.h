// What a fuzz target asserts: a broken promise aborts, which libFuzzer reports with the input.
#pragma once

#include <cstdlib>

inline void Check(bool condition) {
  if (!condition) std::abort();
}
