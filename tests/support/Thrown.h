// What a test expects an action to raise, in one line.
#pragma once

#include <exception>
#include <string>

// The message of the exception of type E that Action raises; empty when it raises none. An
// exception of another type goes on to the test, which fails with it.
template <class E = std::exception, class F>
std::string ThrownMessage(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "";
}
