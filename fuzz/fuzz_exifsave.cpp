// The Exif data of arbitrary bytes, written again: as a block and into the JPEG stream they
// came in, each of which must load with the same tags and thumbnail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/ExifRoundTrip.h"

using namespace vmx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TExifData exif;
  TUserMemoryStream input(data, static_cast<int64_t>(size));
  try {
    exif.LoadFromJPEG(input);
  } catch (const EInvalidJPEGHeader&) {
    return 0;
  } catch (const EInvalidTiffData&) {
    return 0;
  }
  CheckExifSavesAsItIs(exif, input, true);
  return 0;
}
