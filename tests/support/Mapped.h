// What a test compares of a list: the value F gives for each element, in order.
#pragma once

#include <iterator>
#include <type_traits>
#include <vector>

template <class Range, class F>
auto Mapped(const Range& range, F f) {
  std::vector<std::decay_t<decltype(f(*std::begin(range)))>> values;
  for (const auto& element : range) values.push_back(f(element));
  return values;
}
