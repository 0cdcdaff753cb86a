// The write side over arbitrary data: the input is loaded as a JPEG file (an empty data object
// when it is none), and the bytes after those the load read drive the setters of the sections,
// of their tags and of the data object with its value objects. What the setters leave is written
// as a block and into the JPEG stream, each of which must load with the same tags and thumbnail.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "metadata/Vmx.Exif.h"
#include "fuzz/ExifRoundTrip.h"

using namespace vmx;

namespace {

class TScript {
 public:
  TScript(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  bool More() const { return FAt < FSize; }
  uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
  uint16_t Word() {
    const uint8_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  uint32_t Long() {
    const uint16_t low = Word();
    return static_cast<uint32_t>(low | Word() << 16);
  }
  int32_t Index() { return Byte() % 6; }
  // A short text, mostly of what numbers, fractions and hexadecimal are made of.
  std::string Text() {
    static constexpr char Chars[] = "0123456789,/- +.aAfFxZ:";
    std::string text;
    for (int length = Byte() % 24; length > 0; --length) {
      const uint8_t b = Byte();
      text += b < 0xE0 ? Chars[b % (sizeof Chars - 1)] : static_cast<char>(b);
    }
    return text;
  }
  std::u16string WideText() {
    std::u16string text;
    for (const char c : Text()) text += static_cast<char16_t>(static_cast<unsigned char>(c) < 0x80 ? c : 0x100 + c);
    return text;
  }
  // A tag the data object knows, or any.
  uint16_t TagID() {
    static constexpr uint16_t IDs[] = {0,     1,     2,     4,     5,     7,     29,    270,   271,
                                       272,   274,   282,   283,   296,   306,   315,   513,   514,
                                       33432, 34665, 34853, 34855, 36864, 37385, 37500, 37510, 37520,
                                       40091, 40092, 40093, 40960, 40965, 41483, 59932, 59933};
    return Byte() % 2 ? IDs[Byte() % std::size(IDs)] : Word();
  }
  TExifSectionKind Kind() { return static_cast<TExifSectionKind>(esPrimary + Byte() % 6); }
  uint16_t Type() { return static_cast<uint16_t>(1 + Byte() % 13); }
  // 0, or a date-time from the year 1 to 9999.
  TDateTime Date() {
    TDateTime value = 0;
    if (Byte() % 4 == 0) return value;
    const int year = 1 + Word() % 9999, month = 1 + Byte() % 12, day = 1 + Byte() % 28, hour = Byte() % 24,
              minute = Byte() % 60, second = Byte() % 60, ms = Word() % 1000;
    TryEncodeDateTime(year, month, day, hour, minute, second, ms, value);
    return value;
  }
  TExifRational Fraction() { return {Long(), Byte() % 3 == 0 ? 0u : Long()}; }

 private:
  const uint8_t* FData;
  size_t FSize, FAt = 0;
};

// The data object's own setters and those of its value objects.
void SetProperty(TExifData& exif, TScript& s) {
  using Setter = std::function<void(TExifData&, TScript&)>;
  static const Setter Setters[] = {
      [](auto& e, auto& s) { e.SetCameraMake(s.Text()); },
      [](auto& e, auto& s) { e.SetCameraModel(s.Text()); },
      [](auto& e, auto& s) { e.SetCopyright(s.Text()); },
      [](auto& e, auto& s) { e.SetDateTime(s.Date()); },
      [](auto& e, auto& s) { e.SetImageDescription(s.Text()); },
      [](auto& e, auto& s) { e.SetOrientation(TTiffOrientation(s.Byte() % 10)); },
      [](auto& e, auto& s) { e.SetSoftware(s.Text()); },
      [](auto& e, auto& s) { e.SetAuthor(s.WideText()); },
      [](auto& e, auto& s) { e.SetComments(s.WideText()); },
      [](auto& e, auto& s) { e.SetKeywords(s.WideText()); },
      [](auto& e, auto& s) { e.SetSubject(s.WideText()); },
      [](auto& e, auto& s) { e.SetTitle(s.WideText()); },
      [](auto& e, auto& s) { e.SetUserRating(TWindowsStarRating(s.Byte() % 7)); },
      [](auto& e, auto& s) { e.SetDateTimeOriginal(s.Date()); },
      [](auto& e, auto& s) { e.SetDateTimeDigitized(s.Date()); },
      [](auto& e, auto& s) { e.SetFileSource(TExifFileSource(s.Byte() % 5)); },
      [](auto& e, auto& s) { e.SetImageUniqueID(s.Text()); },
      [](auto& e, auto& s) { e.SetRelatedSoundFile(s.Text()); },
      [](auto& e, auto& s) { e.SetSceneType(TExifSceneType(s.Byte() % 3)); },
      [](auto& e, auto& s) { e.SetSpectralSensitivity(s.Text()); },
      [](auto& e, auto& s) { e.SetSubsecTime(s.Text()); },
      [](auto& e, auto& s) { e.SetSubsecTimeOriginal(s.Text()); },
      [](auto& e, auto& s) { e.SetInteropTypeName(s.Text()); },
      [](auto& e, auto& s) { e.SetGPSAltitudeRef(TGPSAltitudeRef(s.Byte() % 4)); },
      [](auto& e, auto& s) { e.SetGPSSatellites(s.Text()); },
      [](auto& e, auto& s) { e.SetGPSStatus(TGPSStatus(s.Byte() % 4)); },
      [](auto& e, auto& s) { e.SetGPSMeasureMode(TGPSMeasureMode(s.Byte() % 4)); },
      [](auto& e, auto& s) { e.SetGPSSpeedRef(TGPSSpeedRef(s.Byte() % 5)); },
      [](auto& e, auto& s) { e.SetGPSTrackRef(TGPSDirectionRef(s.Byte() % 4)); },
      [](auto& e, auto& s) { e.SetGPSMapDatum(s.Text()); },
      [](auto& e, auto& s) { e.SetGPSDestDistanceRef(TGPSDistanceRef(s.Byte() % 5)); },
      [](auto& e, auto& s) { e.SetGPSDateTimeUTC(s.Date()); },
      [](auto& e, auto& s) { e.SetGPSDateStamp(s.Text()); },
      [](auto& e, auto& s) { e.SetThumbnailOrientation(TTiffOrientation(s.Byte() % 10)); },
      [](auto& e, auto& s) { e.Flash.SetValue(s.Word()); },
      [](auto& e, auto& s) { e.Flash.SetFlashEnergy(s.Fraction()); },
      [](auto& e, auto& s) { e.Flash.SetMode(TExifFlashMode(s.Byte() % 4)); },
      [](auto& e, auto& s) { e.Flash.SetStrobeLight(TExifStrobeLight(s.Byte() % 3)); },
      [](auto& e, auto& s) { e.Flash.Assign(s.Byte() % 2 ? &e.Flash : nullptr); },
      [](auto& e, auto& s) { e.ExifVersion.SetAsString(s.Text()); },
      [](auto& e, auto& s) { e.GPSVersion.SetMinor(s.Byte() % 11); },
      [](auto& e, auto& s) { e.InteropVersion.Assign(s.Byte() % 2 ? &e.FlashPixVersion : nullptr); },
      [](auto& e, auto& s) { e.Resolution.SetXResolution(s.Fraction()); },
      [](auto& e, auto& s) { e.Resolution.SetYResolution(s.Fraction()); },
      [](auto& e, auto& s) { e.Resolution.SetResolutionUnit(s.Word()); },
      [](auto& e, auto& s) { e.ThumbnailResolution.Assign(s.Byte() % 2 ? &e.Resolution : nullptr); },
      [](auto& e, auto& s) { e.FocalPlaneResolution.Assign(s.Byte() % 2 ? &e.FocalPlaneResolution : nullptr); },
      [](auto& e, auto& s) { e.ISOSpeedRatings.Assign(s.Byte() % 2 ? &e.ISOSpeedRatings : nullptr); },
      [](auto& e, auto& s) { e.GPSLatitude.SetDirection(static_cast<char>(s.Byte())); },
      [](auto& e, auto& s) { e.GPSDestLatitude.Assign(s.Byte() % 2 ? &e.GPSLatitude : nullptr); },
      [](auto& e, auto& s) { e.GPSLongitude.Assign(s.Byte() % 2 ? &e.GPSLongitude : nullptr); },
      [](auto& e, auto& s) { e.SetXMPWriteMode(TXMPWriteMode(s.Byte() % 3)); },
      [](auto& e, auto& s) { e.SetEnforceASCII(s.Byte() % 2); },
      [](auto& e, auto& s) { e.SetAlwaysWritePreciseTimes(s.Byte() % 2); },
  };
  Setters[s.Byte() % std::size(Setters)](exif, s);
}

// One edit of a section or of one of its tags.
void SetTag(TExifData& exif, TScript& s) {
  TExifSection& section = exif.GetSection(s.Kind());
  const uint16_t id = s.TagID();
  switch (s.Byte() % 12) {
    case 0:
      if (TExifTag* tag = section.Find(id)) tag->SetAsString(s.Text());
      break;
    case 1: {
      const uint16_t type = s.Type();
      const int32_t count = s.Byte() % 8;
      std::vector<uint8_t> data(s.Byte() % 24);
      for (uint8_t& b : data) b = s.Byte();
      section.AddOrUpdate(id, type, count, data);
      break;
    }
    case 2: {
      const int32_t index = s.Index();
      const TExifRational value = s.Fraction();
      section.SetFractionValue(id, index, value, s.Byte() % 2 ? tdLongWordFraction : tdLongIntFraction);
      break;
    }
    case 3: {
      const int32_t index = s.Index();
      section.SetWordValue(id, index, s.Word());
      break;
    }
    case 4: {
      const int32_t index = s.Index();
      section.SetLongWordValue(id, index, s.Long());
      break;
    }
    case 5: {
      const int32_t index = s.Index();
      const uint8_t value = s.Byte();
      section.SetByteValue(id, index, value, s.Byte() % 2 ? tdByte : tdUndefined);
      break;
    }
    case 6:
      section.SetStringValue(id, s.Text());
      break;
    case 7:
      section.SetWideStringValue(id, s.WideText());
      break;
    case 8: {
      const uint16_t subSecID = s.Byte() % 2 ? ttag::SubsecTime : 0;
      section.SetDateTimeValue(id, subSecID, s.Date());
      break;
    }
    case 9:
      section.Remove(id);
      break;
    case 10:
      if (TExifTag* tag = section.Find(id)) {
        const uint16_t type = s.Type();
        tag->UpdateData(type, s.Byte() % 12);
      }
      break;
    default:
      if (TExifTag* tag = section.Find(id)) tag->SetID(s.TagID());
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TExifData exif;
  TUserMemoryStream input(data, static_cast<int64_t>(size));
  bool isJPEG = true;
  try {
    exif.LoadFromJPEG(input);
  } catch (const EInvalidJPEGHeader&) {
    isJPEG = false;
    input.SetPosition(0);
  } catch (const EInvalidTiffData&) {
  }
  const int64_t read = std::min<int64_t>(input.Position(), static_cast<int64_t>(size));
  TScript script(data + read, size - static_cast<size_t>(read));
  while (script.More()) {
    try {
      if (script.Byte() % 3 == 0)
        SetProperty(exif, script);
      else
        SetTag(exif, script);
    } catch (const EConvertError&) {
    } catch (const ERangeError&) {
    } catch (const ENotOnlyASCIIError&) {
    } catch (const ETagAlreadyExists&) {
    } catch (const EInvalidXMPOperation&) {  // a packet's own property of a kind the value cannot take
    }
  }

  CheckExifSavesAsItIs(exif, input, isJPEG);
  return 0;
}
