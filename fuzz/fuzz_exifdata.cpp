// The whole Exif data object over arbitrary bytes, as a JPEG file and as a bare Exif block,
// with every getter the image source calls, then the maker note.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "metadata/Vmx.Exif.h"
#include "fuzz/FuzzCheck.h"

using namespace vmx;

namespace {

void ReadAll(TExifData& exif) {
  for (bool inRange : {false, true}) {
    exif.EnsureEnumsInRange = inRange;
    exif.CameraModel(), exif.CameraMake(), exif.ImageDescription(), exif.DateTime(), exif.Author();
    exif.Comments(), exif.Keywords(), exif.Subject(), exif.Title(), exif.Orientation(), exif.UserRating();
    exif.DateTimeOriginal(), exif.DateTimeDigitized(), exif.FileSource(), exif.SceneType();
    exif.GetExposureProgram(), exif.GetWhiteBalanceMode(), exif.GetFocalLengthIn35mmFilm();
    for (uint16_t tag : {ttag::ExposureTime, ttag::FNumber, ttag::FocalLength}) exif.GetExifFraction(tag);
    exif.GetExifSignedFraction(ttag::ExposureBiasValue);
    exif.Flash.IsMissing(), exif.Flash.Fired(), exif.Flash.Mode(), exif.Flash.StrobeLight(), exif.Flash.FlashEnergy();
    exif.ISOSpeedRatings.IsMissing(), exif.ISOSpeedRatings.AsString();
    exif.ExifVersion.AsString(), exif.FlashPixVersion.AsString(), exif.GPSVersion.AsString(),
        exif.InteropVersion.AsString();
    exif.Resolution.IsMissing(), exif.Resolution.ResolutionUnit(), exif.ThumbnailResolution.XResolution();
    exif.FocalPlaneResolution.YResolution();
    exif.GPSLatitude.AsString(), exif.GPSLongitude.AsString(), exif.GPSDestLatitude.AsString(),
        exif.GPSDestLongitude.Direction();
    exif.GPSAltitudeRef(), exif.GPSStatus(), exif.GPSMeasureMode(), exif.GPSSpeedRef(), exif.GPSTrackRef();
    exif.GPSImgDirectionRef(), exif.GPSDestBearingRef(), exif.GPSDestDistanceRef(), exif.GPSDateTimeUTC();
    exif.ThumbnailOrientation(), exif.Empty();
  }
  Check(!exif.MakerNoteParsed());
  const TExifSection& note = exif.GetSection(esMakerNote);
  for (const TExifTag& tag : note) tag.AsString();
  Check(!exif.Modified());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    TExifData exif;
    TUserMemoryStream stream(data, static_cast<int64_t>(size));
    try {
      exif.LoadFromJPEG(stream);
      ReadAll(exif);
    } catch (const EInvalidJPEGHeader&) {
    } catch (const EInvalidTiffData&) {
    }
  }
  std::vector<uint8_t> block{'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), data, data + size);
  TExifData exif;
  TUserMemoryStream stream(block.data(), static_cast<int64_t>(block.size()));
  try {
    exif.LoadFromExifStream(stream);
    ReadAll(exif);
  } catch (const EInvalidExifData&) {
  } catch (const EInvalidTiffData&) {
  } catch (const EReadError&) {
  }
  return 0;
}
