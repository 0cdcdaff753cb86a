// The checks of a picture another program put on the clipboard: what they accept, a bitmap or a
// metafile can be made from without reading past the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sources/SearchClipboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view dib(reinterpret_cast<const char*>(data), size);
  if (const auto layout = CheckDib(dib)) {
    const uint64_t stride = (uint64_t(layout->Width) * layout->BitCount + 31) / 32 * 4;
    if (layout->HeaderSize + layout->ColorBytes + layout->PixelBytes > size) std::abort();
    if (stride * uint64_t(layout->Height < 0 ? -int64_t(layout->Height) : layout->Height) != layout->PixelBytes)
      std::abort();
  }
  if (CheckMetafile(dib) && size < 18) std::abort();
  return 0;
}
