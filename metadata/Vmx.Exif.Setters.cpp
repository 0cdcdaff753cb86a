// The write side of the Exif data object and its value objects: each setter changes its
// tags and mirrors the value into the XMP packet, in the packet's write mode.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <typeinfo>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.Internal.h"

namespace vmx {

namespace {

std::u16string Wide(const std::string& text) { return Utf8ToUtf16(text); }

std::u16string Number(int64_t value) { return Wide(std::to_string(value)); }

}  // namespace

// --- the data object ---------------------------------------------------------------------------

void TCustomExifData::WriteText(TExifSectionKind kind, uint16_t tag, const std::string& value, TXMPKnownNamespace ns,
                                const char16_t* xmpName, TXMPPropertyKind xmpKind) {
  Section(kind).SetStringValue(tag, value);
  XMPMirror().UpdateProperty(ns, xmpName, Wide(value), xmpKind);
}

void TCustomExifData::SetCameraMake(const std::string& value) {
  WriteText(esPrimary, ttag::Make, value, xsTIFF, u"Make");
}

void TCustomExifData::SetCameraModel(const std::string& value) {
  WriteText(esPrimary, ttag::Model, value, xsTIFF, u"Model");
}

void TCustomExifData::SetCopyright(const std::string& value) {
  WriteText(esPrimary, ttag::Copyright, value, xsDublinCore, u"rights", xpAltArray);
}

void TCustomExifData::SetSoftware(const std::string& value) {
  WriteText(esPrimary, ttag::Software, value, xsXMPBasic, u"CreatorTool");
  XMPMirror().UpdateProperty(xsTIFF, u"Software", Wide(value));
}

void TCustomExifData::SetImageDescription(const std::string& value) {
  Section(esPrimary).SetStringValue(ttag::ImageDescription, value);
  // The Windows subject shares dc:description; while it is there, no description leaves it.
  if (value.empty() && XMPWriteMode() != xmRemove && Section(esPrimary).Find(ttag::XPSubject)) return;
  XMPMirror().UpdateProperty(xsDublinCore, u"description", Wide(value), xpAltArray);
}

void TCustomExifData::SetImageUniqueID(const std::string& value) {
  WriteText(esExif, ttag::ImageUniqueID, value, xsExif, u"ImageUniqueID");
}

void TCustomExifData::SetRelatedSoundFile(const std::string& value) {
  WriteText(esExif, ttag::RelatedSoundFile, value, xsExif, u"RelatedSoundFile");
}

void TCustomExifData::SetSpectralSensitivity(const std::string& value) {
  WriteText(esExif, ttag::SpectralSensitivity, value, xsExif, u"SpectralSensitivity");
}

// Exif dates are local times: their XMP form carries the system's offset from UTC.
void TCustomExifData::SetDateTime(TDateTime value) {
  Section(esPrimary).SetDateTimeValue(ttag::DateTime, ttag::SubsecTime, value);
  XMPMirror().UpdateDateTimeProperty(xsTIFF, u"DateTime", value, true);
}

void TCustomExifData::SetDateTimeOriginal(TDateTime value) {
  Section(esExif).SetDateTimeValue(ttag::DateTimeOriginal, ttag::SubsecTimeOriginal, value);
  XMPMirror().UpdateDateTimeProperty(xsExif, u"DateTimeOriginal", value, true);
}

void TCustomExifData::SetDateTimeDigitized(TDateTime value) {
  Section(esExif).SetDateTimeValue(ttag::DateTimeDigitized, ttag::SubsecTimeDigitized, value);
  XMPMirror().UpdateDateTimeProperty(xsExif, u"DateTimeDigitized", value, true);
}

void TCustomExifData::WriteOrientation(TExifSectionKind kind, TTiffOrientation value) {
  if (value == toUndefined)
    Section(kind).Remove(ttag::Orientation);
  else
    Section(kind).SetWordValue(ttag::Orientation, 0, value);
  if (kind == esPrimary)
    XMPMirror().UpdateProperty(xsTIFF, u"Orientation", value == toUndefined ? u"" : Number(value));
}

void TCustomExifData::SetAuthor(const std::u16string& value) {
  TExifSection& primary = Section(esPrimary);
  InUpdate(*this, [&] {
    if (value.empty()) {
      primary.Remove({ttag::Artist, ttag::XPAuthor});
    } else if (std::all_of(value.begin(), value.end(), [](char16_t c) { return c < 128; })) {
      if (!primary.Find(ttag::Artist)) {
        primary.SetWideStringValue(ttag::XPAuthor, value);
        return;
      }
      primary.SetStringValue(ttag::Artist, Utf16ToUtf8(value));
      if (primary.Find(ttag::XPAuthor)) primary.SetWideStringValue(ttag::XPAuthor, value);
    } else {
      primary.Remove(ttag::Artist);
      primary.SetWideStringValue(ttag::XPAuthor, value);
    }
  });
  XMPMirror().UpdateProperty(xsDublinCore, u"creator", value, xpSeqArray);
  XMPMirror().UpdateProperty(xsTIFF, u"Artist", value);
}

void TCustomExifData::SetComments(const std::u16string& value) {
  TExifSection& exif = Section(esExif);
  InUpdate(*this, [&] {
    Section(esPrimary).SetWideStringValue(ttag::XPComment, value);
    TExifTag* comment = exif.Find(ttag::UserComment);
    if (value.empty()) {
      exif.Remove(ttag::UserComment);
    } else if (comment) {
      // The UNICODE form, its text in the block's byte order as readers expect it.
      std::vector<uint8_t> bytes{'U', 'N', 'I', 'C', 'O', 'D', 'E', 0};
      for (const char16_t c : value) {
        const uint8_t high = static_cast<uint8_t>(c >> 8), low = static_cast<uint8_t>(c);
        bytes.insert(bytes.end(), ByteOrder() == boBigEndian ? std::initializer_list<uint8_t>{high, low}
                                                             : std::initializer_list<uint8_t>{low, high});
      }
      if (!exif.IsExtendable() && static_cast<int64_t>(bytes.size()) > comment->FileDataSize())
        comment->SetElementCount(0);
      else
        comment->UpdateData(tdUndefined, static_cast<int32_t>(bytes.size()), bytes);
    }
  });
  XMPMirror().UpdateProperty(xsExif, u"UserComment", value, xpAltArray);
}

void TCustomExifData::SetKeywords(const std::u16string& value) {
  Section(esPrimary).SetWideStringValue(ttag::XPKeywords, value);
  XMPMirror().UpdateProperty(xsDublinCore, u"subject", value, xpBagArray);
  XMPMirror().UpdateProperty(xsMicrosoftPhoto, u"LastKeywordXMP", value, xpBagArray);
}

void TCustomExifData::SetSubject(const std::u16string& value) {
  Section(esPrimary).SetWideStringValue(ttag::XPSubject, value);
  XMPMirror().UpdateProperty(xsDublinCore, u"description", value, xpAltArray);
}

void TCustomExifData::SetTitle(const std::u16string& value) {
  Section(esPrimary).SetWideStringValue(ttag::XPTitle, value);
  XMPMirror().UpdateProperty(xsDublinCore, u"title", value, xpAltArray);
}

void TCustomExifData::SetUserRating(TWindowsStarRating value) {
  static constexpr const char16_t* MicrosoftRatings[] = {u"", u"1", u"25", u"50", u"75", u"99"};
  static constexpr const char16_t* Ratings[] = {u"", u"1", u"2", u"3", u"4", u"5"};
  if (value > urFiveStars) throw ERangeError();
  if (value == urUndefined)
    Section(esPrimary).Remove(ttag::UserRating);
  else
    Section(esPrimary).SetWordValue(ttag::UserRating, 0, value);
  XMPMirror().UpdateProperty(xsMicrosoftPhoto, u"Rating", MicrosoftRatings[value]);
  XMPMirror().UpdateProperty(xsXMPBasic, u"Rating", Ratings[value]);
}

namespace {

// An enumeration held in element 0 of an UNDEFINED tag of the Exif section; 0 removes it.
void WriteUndefinedByte(TCustomExifData& data, uint16_t tag, uint8_t value, const char16_t* xmpName) {
  if (value == 0)
    data.Section(esExif).Remove(tag);
  else
    data.Section(esExif).SetByteValue(tag, 0, value, tdUndefined);
  data.XMPMirror().UpdateProperty(xsExif, xmpName, value == 0 ? u"" : Number(value));
}

}  // namespace

void TCustomExifData::SetFileSource(TExifFileSource value) {
  WriteUndefinedByte(*this, ttag::FileSource, value, u"FileSource");
}

void TCustomExifData::SetSceneType(TExifSceneType value) {
  WriteUndefinedByte(*this, ttag::SceneType, value, u"SceneType");
}

void TCustomExifData::SetGPSAltitudeRef(TGPSAltitudeRef value) {
  if (value == alTagMissing)
    Section(esGPS).Remove(5);
  else
    Section(esGPS).SetByteValue(5, 0, static_cast<uint8_t>(value - 1));
  XMPMirror().UpdateProperty(xsExif, u"GPSAltitudeRef", value == alTagMissing ? u"" : Number(value - 1));
}

void TCustomExifData::WriteGPSText(uint16_t tag, const std::string& value) {
  Section(esGPS).SetStringValue(tag, value);
  std::u16string name;
  if (FindGPSTagName(tag, name)) XMPMirror().UpdateProperty(xsExif, name, Wide(value));
}

// Value 0 removes the tag; value n writes the n-th letter.
void TCustomExifData::WriteGPSReference(uint16_t tag, std::string_view letters, int value) {
  if (value < 0 || value > static_cast<int>(letters.size())) throw ERangeError();
  WriteGPSText(tag, value == 0 ? std::string() : std::string(1, letters[static_cast<size_t>(value - 1)]));
}

void TCustomExifData::SetGPSDateTimeUTC(TDateTime value) {
  TExifSection& gps = Section(esGPS);
  if (value == 0) {
    gps.Remove({29, 7});
  } else {
    int year, month, day, hour, minute, second, ms;
    DecodeDateTime(value, year, month, day, hour, minute, second, ms);
    char date[32];
    std::snprintf(date, sizeof date, "%.4d:%.2d:%.2d", year, month, day);
    InUpdate(*this, [&] {
      gps.SetStringValue(29, date);
      int index = 0;
      for (const int part : {hour, minute, second}) gps.SetFractionValue(7, index++, {static_cast<uint32_t>(part), 1});
    });
  }
  XMPMirror().UpdateDateTimeProperty(xsExif, u"GPSTimeStamp", value, false);
}

// --- value classes ---------------------------------------------------------------------------

void TExifFlashInfo::SetValue(uint16_t value) {
  TXMPPacket& packet = FOwner.XMPMirror();
  if (value == 0)
    FOwner.Section(esExif).Remove(ttag::Flash);
  else
    FOwner.Section(esExif).SetWordValue(ttag::Flash, 0, value);
  if (value == 0 || packet.WriteMode == xmRemove) {
    packet.RemoveProperty(xsExif, {u"Flash"});
    return;
  }
  const TXMPSchema* schema = packet.FindSchema(xsExif);
  TXMPProperty* flash = schema ? schema->FindProperty(u"Flash") : nullptr;
  if (!flash && packet.WriteMode == xmUpdateExisting) return;
  if (!flash) flash = &packet.GetSchema(KnownNamespaceURI(xsExif)).AddProperty(u"Flash");
  static constexpr int Returns[] = {0, 2, 3};  // by TExifStrobeLight
  flash->SetKind(xpStructure);
  flash->UpdateSubProperty(u"Fired", (value & 0x01) != 0);
  flash->UpdateSubProperty(u"Function", (value & 0x20) != 0);
  flash->UpdateSubProperty(u"Mode", static_cast<int>(ModeOf(value)));
  flash->UpdateSubProperty(u"RedEyeMode", (value & 0x40) != 0);
  flash->UpdateSubProperty(u"Return", Returns[StrobeLightOf(value)]);
}

void TExifFlashInfo::SetFlashEnergy(TExifRational value) {
  FOwner.Section(esExif).SetFractionValue(ttag::FlashEnergy, 0, value);
  FOwner.XMPMirror().UpdateProperty(xsExif, u"FlashEnergy", Wide(RationalToString(value)));
}

void TExifFlashInfo::Assign(const TExifFlashInfo* source) {
  const uint16_t value = source ? source->Value() : 0;
  const TExifRational energy = source ? source->FlashEnergy() : TExifRational{};
  InUpdate(FOwner, [&] {
    SetValue(value);
    SetFlashEnergy(energy);
  });
}

void TCustomExifVersion::SetElement(int offset, uint8_t value) {
  if (value > 9) throw ERangeError();
  TExifSection& section = FOwner.Section(FSection);
  InUpdate(FOwner, [&] {
    section.SetByteValue(FTagID, FFirstIndex + offset, static_cast<uint8_t>(FStoreAsChars ? '0' + value : value),
                         FDataType);
    // The digits before the major number ("0220") are characters too.
    uint8_t lead;
    for (int i = 0; FStoreAsChars && i < FFirstIndex; ++i)
      if (section.TryGetByteValue(FTagID, i, lead) && lead == 0) section.SetByteValue(FTagID, i, '0', FDataType);
  });
}

void TCustomExifVersion::SetAsString(const std::string& value) {
  if (value.empty()) {
    Assign(nullptr);
    return;
  }
  auto digit = [&](size_t at) {
    if (at >= value.size()) return uint8_t{0};
    if (value[at] < '0' || value[at] > '9') throw ERangeError();
    return static_cast<uint8_t>(value[at] - '0');
  };
  // The separator after the major number is skipped, whatever it is (it may take several bytes).
  const size_t minorAt = value.size() > 1 ? 1 + Utf8CharLength(value, 1) : value.size();
  const uint8_t major = digit(0), minor = digit(minorAt), release = digit(minorAt + 1);
  InUpdate(FOwner, [&] {
    SetMajor(major);
    SetMinor(minor);
    SetRelease(release);
  });
}

void TCustomExifVersion::Assign(const TCustomExifVersion* source) {
  if (!source || source->Major() == 0) {
    FOwner.Section(FSection).Remove(FTagID);
    return;
  }
  const uint8_t major = source->Major(), minor = source->Minor(), release = source->Release();
  InUpdate(FOwner, [&] {
    SetMajor(major);
    SetMinor(minor);
    SetRelease(release);
  });
}

void TCustomExifResolution::SetFraction(uint16_t tag, const char16_t* xmpName, TExifRational value) {
  FOwner.Section(FSection).SetFractionValue(tag, 0, value);
  if (FXMP.Namespace != xsUnknown)
    FOwner.XMPMirror().UpdateProperty(FXMP.Namespace, xmpName, Wide(RationalToString(value)));
}

void TCustomExifResolution::SetResolutionUnit(uint16_t value) {
  FOwner.Section(FSection).SetWordValue(FUnitTag, 0, value);
  if (FXMP.Namespace != xsUnknown)
    FOwner.XMPMirror().UpdateProperty(FXMP.Namespace, FXMP.Unit, value == 1 ? u"" : Number(value));
}

void TCustomExifResolution::Assign(const TCustomExifResolution* source) {
  const bool present = source && !source->IsMissing();
  const TExifRational x = present ? source->XResolution() : TExifRational{}, y = present ? source->YResolution() : x;
  const uint16_t unit = present ? source->ResolutionUnit() : 0;
  InUpdate(FOwner, [&] {
    if (present) {
      SetXResolution(x);
      SetYResolution(y);
      SetResolutionUnit(unit);
      return;
    }
    FOwner.Section(FSection).Remove({FXTag, FYTag, FUnitTag});
    if (FXMP.Namespace != xsUnknown) FOwner.XMPMirror().RemoveProperty(FXMP.Namespace, {FXMP.X, FXMP.Y, FXMP.Unit});
  });
}

// The source's values element by element: an SBYTE tag has fewer bytes than SHORT needs.
void TISOSpeedRatings::Assign(const TISOSpeedRatings* source) {
  TExifSection& exif = FOwner.Section(esExif);
  if (!source || source->IsMissing()) {
    exif.Remove(ttag::ISOSpeedRatings);
    FOwner.XMPMirror().UpdateProperty(xsExif, u"ISOSpeedRatings", u"", xpSeqArray);
    return;
  }
  const TExifSection& from = source->FOwner.PeekSection(esExif);
  const int32_t count = from.Find(ttag::ISOSpeedRatings)->ElementCount();
  std::vector<uint8_t> values(static_cast<size_t>(count) * 2);
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t value = from.GetWordValue(ttag::ISOSpeedRatings, i).Value;
    std::memcpy(values.data() + 2 * i, &value, 2);
  }
  exif.AddOrUpdate(ttag::ISOSpeedRatings, tdWord, count, values);
  FOwner.XMPMirror().UpdateProperty(xsExif, u"ISOSpeedRatings", Wide(AsString()), xpSeqArray);
}

void TGPSCoordinate::SetDirection(char value) {
  TExifSection& gps = FOwner.Section(esGPS);
  std::string text;
  if (value == '\0') {
    gps.Remove(FRefTagID);
  } else {
    value = UpCaseChar(value);
    gps.SetStringValue(FRefTagID, std::string(1, value));
    text = AsString();
    while (!text.empty() && ((text.back() >= 'A' && text.back() <= 'Z') || (text.back() >= 'a' && text.back() <= 'z')))
      text.pop_back();
    if (!text.empty()) text += value;
  }
  FOwner.XMPMirror().UpdateProperty(xsExif, GPSTagName(FTagID), Wide(text));
}

void TGPSCoordinate::Assign(const TGPSCoordinate* source) {
  const TExifTag* tag =
      source && typeid(*source) == typeid(*this) ? source->FOwner.PeekSection(esGPS).Find(source->FTagID) : nullptr;
  TExifSection& gps = FOwner.Section(esGPS);
  if (!tag) {
    InUpdate(FOwner, [&] {
      gps.Remove({FTagID, FRefTagID});
      FOwner.XMPMirror().UpdateProperty(xsExif, GPSTagName(FTagID), u"");
    });
    return;
  }
  const std::vector<uint8_t> data(tag->Data(), tag->Data() + tag->DataSize());
  const uint16_t type = tag->DataType();
  const int32_t count = tag->ElementCount();
  const char direction = source->Direction();
  InUpdate(FOwner, [&] {
    gps.AddOrUpdate(FTagID, type, count, data);
    SetDirection(direction);
  });
}

}  // namespace vmx
