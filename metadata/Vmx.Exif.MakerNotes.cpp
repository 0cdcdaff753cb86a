// Camera makers' notes: the class that fits tag 37500 is chosen when a block loads; the note
// is parsed into the esMakerNote section only when that section is asked for.
#include <cstring>

#include "metadata/Vmx.Exif.h"

namespace vmx {

namespace {

// The registered classes in the order of registration; the last is tried first.
constexpr TMakerNoteClass RegisteredClasses[] = {TMakerNoteClass::NikonType2, TMakerNoteClass::Canon,
                                                 TMakerNoteClass::Sony,       TMakerNoteClass::NikonType1,
                                                 TMakerNoteClass::NikonType3, TMakerNoteClass::Panasonic};

bool StartsWith(const TExifTag& tag, int32_t moreThan, const char* prefix, size_t length) {
  return tag.ElementCount() > moreThan && tag.DataSize() >= static_cast<int64_t>(length) &&
         std::memcmp(tag.Data(), prefix, length) == 0;
}

}  // namespace

const char* MakerNoteClassName(TMakerNoteClass kind) {
  switch (kind) {
    case TMakerNoteClass::Unrecognized:
      return "TUnrecognizedMakerNote";
    case TMakerNoteClass::Headerless:
      return "THeaderlessMakerNote";
    case TMakerNoteClass::Canon:
      return "TCanonMakerNote";
    case TMakerNoteClass::NikonType2:
      return "TNikonType2MakerNote";
    case TMakerNoteClass::Panasonic:
      return "TPanasonicMakerNote";
    case TMakerNoteClass::NikonType1:
      return "TNikonType1MakerNote";
    case TMakerNoteClass::NikonType3:
      return "TNikonType3MakerNote";
    case TMakerNoteClass::Sony:
      return "TSonyMakerNote";
  }
  return "";
}

bool TExifMakerNote::FormatIsOK(TMakerNoteClass kind, const TCustomExifData& owner, const TExifTag& tag,
                                int& headerSize) {
  headerSize = 0;
  switch (kind) {
    case TMakerNoteClass::Unrecognized:
      return false;
    case TMakerNoteClass::Headerless:
      return true;
    case TMakerNoteClass::Canon:
      return owner.CameraMake() == "Canon";
    case TMakerNoteClass::NikonType2:
      return owner.CameraMake().starts_with("NIKON");
    case TMakerNoteClass::Panasonic:
      headerSize = 12;
      return StartsWith(tag, 12, "Panasonic\0\0\0", 12);
    case TMakerNoteClass::NikonType1:
      headerSize = 8;
      return StartsWith(tag, 8, "Nikon\0\x01\0", 8);
    case TMakerNoteClass::NikonType3:
      headerSize = 18;
      return StartsWith(tag, 18, "Nikon\0\x02", 7);
    case TMakerNoteClass::Sony:
      headerSize = 12;
      return StartsWith(tag, 12, "SONY DSC", 8);
  }
  return false;
}

TMakerNoteClass TExifMakerNote::ChooseClass(const TCustomExifData& owner, const TExifTag& tag) {
  if (tag.DataType() != tdUndefined || tag.ElementCount() < 2) return TMakerNoteClass::Headerless;
  int headerSize;
  for (auto it = std::rbegin(RegisteredClasses); it != std::rend(RegisteredClasses); ++it)
    if (FormatIsOK(*it, owner, tag, headerSize)) return *it;
  return TMakerNoteClass::Headerless;
}

void TExifMakerNote::GetIFDInfo(const TCustomExifData& owner, const TExifTag& tag, TByteOrder& byteOrder,
                                TMakerNoteOffsetMode& offsetMode) const {
  switch (FKind) {
    case TMakerNoteClass::Canon:
    case TMakerNoteClass::Panasonic:
      byteOrder = boLittleEndian;
      break;
    case TMakerNoteClass::NikonType3:
      byteOrder = tag.DataSize() >= 12 && tag.Data()[10] == 'M' && tag.Data()[11] == 'M' ? boBigEndian : boLittleEndian;
      offsetMode = moFromEmbeddedHeader;
      break;
    case TMakerNoteClass::Sony:
      byteOrder = owner.CameraModel() == "DSLR-A100" ? boBigEndian : boLittleEndian;
      break;
    default:
      break;
  }
}

TExifMakerNote::TExifMakerNote(TMakerNoteClass kind, TCustomExifData& owner)
    : FKind(kind), FSection(&owner.Section(esMakerNote)) {
  if (kind == TMakerNoteClass::Unrecognized) return;
  const TExifTag* tag = owner.Section(esExif).Find(ttag::MakerNote);
  int headerSize = 0;
  if (!tag || !FormatIsOK(kind, owner, *tag, headerSize)) throw EInvalidMakerNoteFormat();
  FByteOrder = owner.ByteOrder();
  GetIFDInfo(owner, *tag, FByteOrder, FOffsetMode);

  TTiffInfo info;
  switch (FOffsetMode) {
    case moFromTiffHeader:
      info.StartOffset = -tag->FileDataOffset();
      break;
    case moFromMakerNote:
      info.StartOffset = 0;
      break;
    case moFromEmbeddedHeader:
      info.StartOffset = headerSize;
      break;
  }
  const int64_t adjust = FOffsetMode == moFromEmbeddedHeader ? -8 : owner.GetOffsetSchema().Value;
  TUserMemoryStream data(tag->Data(), tag->DataSize());
  info.Stream = &data;
  info.ByteOrder = FByteOrder;
  const int64_t directoryOffset = headerSize - info.StartOffset;
  FSection->LoadFromStream(info, adjust, directoryOffset);
  if (FSection->Count() > 0 && (FSection->LoadFlags() == 0 || FSection->Count() >= 3)) return;

  // Written in the other byte order, or not an IFD at all.
  FByteOrder = info.ByteOrder = FByteOrder == boBigEndian ? boLittleEndian : boBigEndian;
  FSection->LoadFromStream(info, adjust, directoryOffset);
  if (FSection->LoadFlags() != 0) {
    FSection->Clear();
    FSection->FLoadFlags = lfBadOffset;
  }
}

}  // namespace vmx
