// The Exif data of arbitrary bytes, written again: as a block and into the JPEG stream they
// came in, each of which must load with the same tags and thumbnail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "metadata/Vmx.Exif.h"
#include "fuzz/FuzzCheck.h"

using namespace vmx;

namespace {

bool SameData(const TExifData& a, const TExifData& b) {
  for (int kind = esPrimary; kind <= esThumbnail; ++kind) {
    const TExifSection &x = a.PeekSection(TExifSectionKind(kind)), &y = b.PeekSection(TExifSectionKind(kind));
    if (x.Count() != y.Count()) return false;
    for (int i = 0; i < x.Count(); ++i)
      if (x[i].ID() != y[i].ID() || x[i].DataType() != y[i].DataType() || x[i].ElementCount() != y[i].ElementCount() ||
          std::string(x[i].Data(), x[i].Data() + x[i].DataSize()) !=
              std::string(y[i].Data(), y[i].Data() + y[i].DataSize()))
        return false;
  }
  return a.Thumbnail() == b.Thumbnail();
}

}  // namespace

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
  TMemoryStream block;
  try {
    exif.SaveToStream(block);
  } catch (const EMakerNoteCannotStay&) {
    return 0;  // refused rather than written with pointers that lie
  }
  TExifData fromBlock;
  block.SetPosition(0);
  fromBlock.LoadFromExifStream(block);
  Check(SameData(exif, fromBlock));

  TMemoryStream jpeg;
  input.SetPosition(0);
  try {
    exif.SaveToJPEG(input, jpeg);
  } catch (const EReadError&) {
    return 0;  // a file cut inside its segments is not written
  } catch (const ESegmentTooLarge&) {
    return 0;
  }
  TExifData fromJPEG;
  jpeg.SetPosition(0);
  fromJPEG.LoadFromJPEG(jpeg);
  Check(exif.Empty() || SameData(exif, fromJPEG));  // without data the old segment just goes
  return 0;
}
