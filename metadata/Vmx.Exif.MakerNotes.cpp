// Camera makers' notes: the class that fits tag 37500 is chosen when a block loads; the note
// is parsed into the esMakerNote section only when that section is asked for.
#include <algorithm>
#include <cstring>

#include "metadata/Vmx.Exif.h"

namespace vmx {

namespace {

std::vector<TMakerNoteClass>& Registry() {
  static std::vector<TMakerNoteClass> classes{
      MakerNoteClassOf<TNikonType2MakerNote>(), MakerNoteClassOf<TCanonMakerNote>(),
      MakerNoteClassOf<TSonyMakerNote>(),       MakerNoteClassOf<TNikonType1MakerNote>(),
      MakerNoteClassOf<TNikonType3MakerNote>(), MakerNoteClassOf<TPanasonicMakerNote>()};
  return classes;
}

bool StartsWith(const TExifTag& tag, int32_t moreThan, const char* prefix, size_t length) {
  return tag.ElementCount() > moreThan && tag.DataSize() >= static_cast<int64_t>(length) &&
         std::memcmp(tag.Data(), prefix, length) == 0;
}

}  // namespace

const std::vector<TMakerNoteClass>& MakerNoteClasses() { return Registry(); }

void RegisterMakerNoteClass(TMakerNoteClass makerNoteClass) { Registry().push_back(makerNoteClass); }

void UnregisterMakerNoteClass(TMakerNoteClass makerNoteClass) {
  std::vector<TMakerNoteClass>& classes = Registry();
  const auto last = std::find(classes.rbegin(), classes.rend(), makerNoteClass);
  if (last != classes.rend()) classes.erase(std::next(last).base());
}

// --- the classes' tests of a maker-note tag ------------------------------------------------------

bool TUnrecognizedMakerNote::FormatIsOK(const TCustomExifData&, const TExifTag&, int& headerSize) {
  headerSize = 0;
  return false;
}

bool THeaderlessMakerNote::FormatIsOK(const TCustomExifData&, const TExifTag&, int& headerSize) {
  headerSize = 0;
  return true;
}

bool TCanonMakerNote::FormatIsOK(const TCustomExifData& owner, const TExifTag&, int& headerSize) {
  headerSize = 0;
  return owner.CameraMake() == "Canon";
}

bool TNikonType2MakerNote::FormatIsOK(const TCustomExifData& owner, const TExifTag&, int& headerSize) {
  headerSize = 0;
  return owner.CameraMake().starts_with("NIKON");
}

bool TPanasonicMakerNote::FormatIsOK(const TCustomExifData&, const TExifTag& tag, int& headerSize) {
  headerSize = 12;
  return StartsWith(tag, 12, "Panasonic\0\0\0", 12);
}

bool TNikonType1MakerNote::FormatIsOK(const TCustomExifData&, const TExifTag& tag, int& headerSize) {
  headerSize = 8;
  return StartsWith(tag, 8, "Nikon\0\x01\0", 8);
}

bool TNikonType3MakerNote::FormatIsOK(const TCustomExifData&, const TExifTag& tag, int& headerSize) {
  headerSize = 18;
  return StartsWith(tag, 18, "Nikon\0\x02", 7);
}

bool TSonyMakerNote::FormatIsOK(const TCustomExifData&, const TExifTag& tag, int& headerSize) {
  headerSize = 12;
  return StartsWith(tag, 12, "SONY DSC", 8);
}

// --- how their IFDs are read -----------------------------------------------------------------------

void TCanonMakerNote::GetIFDInfo(const TExifTag&, TByteOrder& byteOrder, TMakerNoteOffsetMode&) const {
  byteOrder = boLittleEndian;
}

void TPanasonicMakerNote::GetIFDInfo(const TExifTag&, TByteOrder& byteOrder, TMakerNoteOffsetMode&) const {
  byteOrder = boLittleEndian;
}

void TNikonType3MakerNote::GetIFDInfo(const TExifTag& tag, TByteOrder& byteOrder,
                                      TMakerNoteOffsetMode& offsetMode) const {
  byteOrder = tag.DataSize() >= 12 && tag.Data()[10] == 'M' && tag.Data()[11] == 'M' ? boBigEndian : boLittleEndian;
  offsetMode = moFromEmbeddedHeader;
}

void TSonyMakerNote::GetIFDInfo(const TExifTag&, TByteOrder& byteOrder, TMakerNoteOffsetMode&) const {
  byteOrder = Owner().CameraModel() == "DSLR-A100" ? boBigEndian : boLittleEndian;
}

// --- choosing and parsing ----------------------------------------------------------------------------

TMakerNoteClass TExifMakerNote::ChooseClass(const TCustomExifData& owner, const TExifTag& tag) {
  if (tag.DataType() != tdUndefined || tag.ElementCount() < 2) return MakerNoteClassOf<THeaderlessMakerNote>();
  int headerSize;
  const std::vector<TMakerNoteClass>& classes = MakerNoteClasses();
  for (auto it = classes.rbegin(); it != classes.rend(); ++it)
    if ((*it)->FormatIsOK(owner, tag, headerSize)) return *it;
  return MakerNoteClassOf<THeaderlessMakerNote>();
}

TExifMakerNote::TExifMakerNote(TCustomExifData& owner) : FOwner(owner), FSection(&owner.Section(esMakerNote)) {}

void TExifMakerNote::Load(TMakerNoteClass makerNoteClass) {
  const TExifTag* tag = FOwner.Section(esExif).Find(ttag::MakerNote);
  int headerSize = 0;
  if (!tag || !makerNoteClass->FormatIsOK(FOwner, *tag, headerSize)) throw EInvalidMakerNoteFormat();
  FOffsetMode = moFromTiffHeader;
  FByteOrder = FOwner.ByteOrder();
  GetIFDInfo(*tag, FByteOrder, FOffsetMode);

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
  const int64_t adjust = FOffsetMode == moFromEmbeddedHeader ? -8 : FOwner.GetOffsetSchema().Value;
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
