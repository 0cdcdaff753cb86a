// What the Exif fuzz targets check after they changed or only loaded a data object: what is saved,
// as a block and into the JPEG it came from, reads back as the same data.
#pragma once

#include <string>

#include "fuzz/FuzzCheck.h"
#include "metadata/Vmx.Exif.h"

inline bool SameExifData(const vmx::TExifData& a, const vmx::TExifData& b) {
  using namespace vmx;
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

// Saves exif as a block and, when the input is a JPEG, into a copy of it, and checks both read back.
inline void CheckExifSavesAsItIs(vmx::TExifData& exif, vmx::TUserMemoryStream& input, bool isJPEG) {
  using namespace vmx;
  TMemoryStream block;
  try {
    exif.SaveToStream(block);
  } catch (const EMakerNoteCannotStay&) {
    return;  // refused rather than written with pointers that lie
  }
  TExifData fromBlock;
  block.SetPosition(0);
  fromBlock.LoadFromExifStream(block);
  Check(SameExifData(exif, fromBlock));
  if (!isJPEG) return;

  TMemoryStream jpeg;
  input.SetPosition(0);
  try {
    exif.SaveToJPEG(input, jpeg);
  } catch (const EReadError&) {
    return;  // a file cut inside its segments is not written
  } catch (const ESegmentTooLarge&) {
    return;
  }
  TExifData fromJPEG;
  jpeg.SetPosition(0);
  fromJPEG.LoadFromJPEG(jpeg);
  Check(exif.Empty() || SameExifData(exif, fromJPEG));  // without data the old segment just goes
}
