// The component-text reader on any input: it either raises EParserError or reads, and what it
// read is written, read into a fresh component and written again to the very same text; that
// text goes through the binary component resource and comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/qmDfmUtils.h"
#include "tests/support/TestComponent.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto ignore = [](const std::string&) {};

  TTestComponent component;
  try {
    TextToComponent(component, input, ignore);
  } catch (const EParserError&) {
    return 0;
  }

  const std::string written = ComponentToText(component);
  TTestComponent copy;
  try {
    TextToComponent(copy, written, [](const std::string&) { std::abort(); });  // its own text reads cleanly
  } catch (const EParserError&) {
    std::abort();
  }
  Check(ComponentToText(copy) == written);

  std::stringstream text(written), resource, back;
  try {
    TextToResource(resource, text);
    ResourceToText(resource, back);
  } catch (const EParserError&) {
    std::abort();
  }
  Check(back.str() == written);
  return 0;
}
