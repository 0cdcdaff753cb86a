// The walk of a Chrome bookmarks file on any document: it never fails, every hit's name holds
// the typed text, and an answer of True ends it.
// Input: the typed text, a line feed, the document (without a line feed, all of it is the
// document and the text is empty).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/qmStringUtils.h"
#include "sources/SearchChromeBookmarks.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\n');
  const std::string upperText = UpperCase(split == std::string_view::npos ? "" : input.substr(0, split));
  const TJSONdocument document = TJSON::ParseText(split == std::string_view::npos ? input : input.substr(split + 1));
  if (!document) return 0;

  // Every hit is reported until the second, which ends the walk.
  int hits = 0;
  WalkChromeBookmarks(*document, upperText, [&](const std::string& name, const std::string&) {
    Check(UpperCase(name).find(upperText) != std::string::npos);
    Check(++hits <= 2);
    return hits == 2;
  });
  return 0;
}
