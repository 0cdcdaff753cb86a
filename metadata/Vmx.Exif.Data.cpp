// The Exif data object: loading from JPEG files and blocks, its readers and value objects.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/Unicode.h"
#include "os/os.h"
#include "metadata/Vmx.Exif.Internal.h"

namespace vmx {

namespace {

std::string FormatG(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

// The text of an ASCII tag or comment. The standard asks for 7-bit ASCII, but cameras and
// programs write UTF-8 or an 8-bit code page as well: such a text is read by the rule for every
// 8-bit text from outside, so that a name written in a Latin code page keeps its letters rather
// than turning into replacement characters.
std::u16string AsciiTagText(std::string_view text) { return Utf8ToUtf16(ExternalTextToUtf8(text)); }

// The text of a UNICODE user comment. The byte order is guessed from the text itself: a byte
// order mark decides; else the half of the code units whose bytes are more often zero holds
// the high bytes (Latin text), and a tie goes to the file's order. Trailing blanks, control
// characters and NULs are dropped; a final odd byte is taken as a character of its own.
std::u16string UnicodeComment(const uint8_t* text, size_t size, TByteOrder fileOrder) {
  bool bigEndian = fileOrder == boBigEndian;
  if (size >= 2 && text[0] == 0xFE && text[1] == 0xFF) {
    bigEndian = true;
    text += 2, size -= 2;
  } else if (size >= 2 && text[0] == 0xFF && text[1] == 0xFE) {
    bigEndian = false;
    text += 2, size -= 2;
  } else {
    size_t zeroEven = 0, zeroOdd = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
      zeroEven += text[i] == 0 && text[i + 1] != 0;
      zeroOdd += text[i + 1] == 0 && text[i] != 0;
    }
    if (zeroEven != zeroOdd) bigEndian = zeroEven > zeroOdd;
  }
  std::u16string result;
  result.reserve(size / 2 + 1);
  for (size_t i = 0; i + 1 < size; i += 2)
    result += static_cast<char16_t>(bigEndian ? text[i] << 8 | text[i + 1] : text[i + 1] << 8 | text[i]);
  if (size % 2 == 1) result += static_cast<char16_t>(text[size - 1]);
  while (!result.empty() && result.back() < 33) result.pop_back();
  return result;
}

}  // namespace

// --- construction, update bracket ---------------------------------------------------------------

TCustomExifData::TCustomExifData(bool extendableSections) {
  for (int kind = esPrimary; kind <= esMakerNote; ++kind) {
    const auto sectionKind = static_cast<TExifSectionKind>(kind);
    FSections[static_cast<size_t>(kind - 1)] = extendableSections
                                                   ? std::make_unique<TExtendableExifSection>(this, sectionKind)
                                                   : std::make_unique<TExifSection>(this, sectionKind);
  }
}

TCustomExifData::~TCustomExifData() {
  FUpdateCount = 1000;  // nothing reports a change any more
  FMakerNote.reset();
}

void TCustomExifData::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  if (FUpdateCount == 0 && FChangedWhileUpdating) {
    FChangedWhileUpdating = false;
    Changed();
  }
}

void TCustomExifData::Changed() {
  if (FUpdateCount > 0) {
    FChangedWhileUpdating = true;
    return;
  }
  FModified = true;
  if (OnChange) OnChange();
}

void TCustomExifData::SetModified(bool value) {
  if (value)
    Changed();
  else
    FModified = false;
}

TExifSection& TCustomExifData::Section(TExifSectionKind kind) { return *FSections[static_cast<size_t>(kind - 1)]; }

void TCustomExifData::SectionChanged(TExifSection&) { Changed(); }

TExifSection& TCustomExifData::GetSection(TExifSectionKind kind) {
  if (kind == esMakerNote && FMakerNoteClass != MakerNoteClassOf<TUnrecognizedMakerNote>()) GetMakerNote();
  return Section(kind);
}

// Parsing the maker note fills a section but changes nothing of the data.
TExifMakerNote& TCustomExifData::GetMakerNote() {
  if (FMakerNote) return *FMakerNote;
  const bool changedBefore = FChangedWhileUpdating;
  BeginUpdate();
  try {
    // The class was chosen by what the data held when it loaded: a camera make or model changed
    // since may let it fit no more, and another class fit now.
    const TExifTag* tag = Section(esExif).Find(ttag::MakerNote);
    int headerSize;
    if (tag && FMakerNoteClass != MakerNoteClassOf<TUnrecognizedMakerNote>() &&
        !FMakerNoteClass->FormatIsOK(*this, *tag, headerSize))
      FMakerNoteClass = TExifMakerNote::ChooseClass(*this, *tag);
    FMakerNote = FMakerNoteClass->Create(*this);
    if (FMakerNoteClass == MakerNoteClassOf<THeaderlessMakerNote>() && Section(esMakerNote).Count() == 0) {
      FMakerNoteClass = MakerNoteClassOf<TUnrecognizedMakerNote>();
      FMakerNote = FMakerNoteClass->Create(*this);
    }
  } catch (...) {
    FChangedWhileUpdating = changedBefore;
    EndUpdate();
    throw;
  }
  FChangedWhileUpdating = changedBefore;
  EndUpdate();
  return *FMakerNote;
}

void TCustomExifData::ResetMakerNote() {
  FMakerNoteClass = MakerNoteClassOf<TUnrecognizedMakerNote>();
  FMakerNote.reset();
}

void TCustomExifData::Clear(bool xmpToo) {
  BeginUpdate();
  ResetMakerNote();
  for (TExifSection& section : *this) section.Clear();
  if (xmpToo) {
    FXMPSegmentData.clear();
    FXMPPending = FXMPUnreadable = FXMPChangesLost = false;
    FXMPPacket.Clear();
  }
  EndUpdate();
}

void TCustomExifData::Assign(const TCustomExifData* source) {
  if (!source) {
    Clear(true);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  try {
    for (TExifSection& section : *this) section.Assign(source->PeekSection(section.Kind()));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TCustomExifData::Empty() const {
  for (const TExifSection& section : *this)
    if (section.Count() > 0) return false;
  return true;
}

// --- loading ----------------------------------------------------------------------------------

void TCustomExifData::LoadFromJPEG(TStream& stream, uint8_t segments) {
  FFoundSegments = 0;
  FOffsetBase = FXMPSegmentOffset = FXMPSegmentSize = 0;
  BeginUpdate();
  try {
    Clear(true);
    FXMPChanged = false;
    TJPEGHeaderParser walk(stream, JPEGMarkers({jmApp1}));
    try {
      const auto wanted = [&](uint8_t kind) { return (segments & kind) && !(FFoundSegments & kind); };
      while ((FFoundSegments & segments) != segments && walk.MoveNext()) {
        TFoundJPEGSegment& segment = *walk.Current();
        TMemoryStream& data = segment.Data();
        if (wanted(jsExif) && HasExifHeader(data, false)) {
          FFoundSegments |= jsExif;
          LoadFromExifStream(data);
          FOffsetBase += segment.OffsetOfData();
        } else if (wanted(jsXMP) && HasXMPSegmentHeader(data)) {
          FFoundSegments |= jsXMP;
          FXMPSegmentOffset = segment.Offset();
          FXMPSegmentSize = data.Size();
          FXMPSegmentData = data.Bytes();
          FXMPPending = true;
        }
      }
    } catch (const EReadError&) {
      // A file cut short: what was read before the cut stays.
    }
  } catch (...) {
    FinishLoading();
    throw;
  }
  FinishLoading();
}

// --- the XMP packet -------------------------------------------------------------------------

void TContainedXMPPacket::Changed(bool resetRawXML) {
  if (!FOwner.FXMPReading) FOwner.FXMPChanged = true;
  TXMPPacket::Changed(resetRawXML);
}

TXMPPacket& TCustomExifData::GetXMPPacket() {
  if (!FXMPPending) return FXMPPacket;
  FXMPPending = false;
  TUserMemoryStream data(FXMPSegmentData.data(), static_cast<int64_t>(FXMPSegmentData.size()));
  FXMPReading = true;
  try {
    FXMPUnreadable = !FXMPPacket.TryLoadFromStream(data);
  } catch (...) {
    FXMPReading = false;
    FXMPUnreadable = true;
    throw;
  }
  FXMPReading = false;
  if (FXMPUnreadable && FXMPPacket.OnLoadError) {
    data.SetPosition(0);
    FXMPPacket.OnLoadError(FXMPPacket, data);
  }
  return FXMPPacket;
}

TXMPPacket& TCustomExifData::XMPMirror() {
  TXMPPacket& packet = GetXMPPacket();
  if (FXMPUnreadable) FXMPChangesLost = true;
  return packet;
}

// Loading is not a change: whatever the sections reported while they were read is dropped.
void TCustomExifData::FinishLoading() {
  FChangedWhileUpdating = false;
  EndUpdate();
  SetModified(false);
}

bool TCustomExifData::LoadSubDirectory(const TTiffInfo& info, TExifSectionKind from, uint16_t pointerTag,
                                       TExifSectionKind kind) {
  const TExifTag* pointer = Section(from).Find(pointerTag);
  if (!pointer || pointer->ElementCount() != 1 ||
      !(TypeSet({tdLongWord, tdLongInt, tdSubDirectory}) & (1u << std::min<uint16_t>(pointer->DataType(), 15))))
    return false;
  uint32_t offset;
  std::memcpy(&offset, pointer->Data(), 4);
  const int64_t directoryOffset =
      pointer->DataType() == tdLongInt ? int64_t{static_cast<int32_t>(offset)} : int64_t{offset};
  Section(kind).LoadFromStream(info, 0, directoryOffset);
  return true;
}

void TCustomExifData::LoadFromExifStream(TStream& stream) {
  if (!HasExifHeader(stream, true)) throw EInvalidExifData();
  BeginUpdate();
  try {
    TTiffInfo info;
    LoadTiffInfo(stream, info);
    FOffsetBase = info.StartOffset;
    FByteOrder = info.ByteOrder;
    if (!info.Directories.empty()) {
      Section(esPrimary).Load(info.Directories[0], info);
      LoadSubDirectory(info, esPrimary, ttag::ExifPointer, esExif);
      LoadSubDirectory(info, esPrimary, ttag::GPSPointer, esGPS);
      LoadSubDirectory(info, esExif, ttag::InteropPointer, esInterop);
    }
    if (info.Directories.size() >= 2) Section(esThumbnail).Load(info.Directories[1], info);
    if (const TExifTag* makerNote = Section(esExif).Find(ttag::MakerNote))
      FMakerNoteClass = TExifMakerNote::ChooseClass(*this, *makerNote);
  } catch (...) {
    FinishLoading();
    throw;
  }
  FinishLoading();
}

bool TCustomExifData::GetThumbnailOffset(TStream* stream, int64_t& offset) const {
  const TExifTag* tag = Peek(esThumbnail).Find(ttag::ThumbnailOffset);
  if (!tag || tag->ElementCount() != 1 ||
      !(TypeSet({tdLongWord, tdLongInt, tdSubDirectory}) & (1u << std::min<uint16_t>(tag->DataType(), 15))))
    return false;
  uint32_t value;
  std::memcpy(&value, tag->Data(), 4);
  offset = tag->DataType() == tdLongInt ? int64_t{static_cast<int32_t>(value)} : int64_t{value};
  if (!stream) return true;
  const int64_t saved = stream->Position();
  uint8_t head[20];
  stream->SetPosition(FOffsetBase + offset);
  const bool ok = FOffsetBase + offset >= 0 && stream->Read(head, 20) == 20 && head[0] == 0xFF && head[1] == jmSOI;
  stream->SetPosition(saved);
  return ok;
}

// --- readers ----------------------------------------------------------------------------------

namespace {

template <class Text>
Text WithoutTrailingBlanks(Text text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string TCustomExifData::ShownText(TExifSectionKind kind, uint16_t id) const {
  return WithoutTrailingBlanks(ExternalTextToUtf8(Peek(kind).GetStringValue(id)));
}

std::u16string TCustomExifData::ShownWideText(TExifSectionKind kind, uint16_t id) const {
  return WithoutTrailingBlanks(Peek(kind).GetWideStringValue(id));
}

std::u16string TCustomExifData::Author() const {
  std::u16string result = ShownWideText(esPrimary, ttag::XPAuthor);
  if (result.empty()) result = Utf8ToUtf16(ShownText(esPrimary, ttag::Artist));
  return result;
}

std::u16string TCustomExifData::Comments() const {
  std::u16string result = ShownWideText(esPrimary, ttag::XPComment);
  if (!result.empty()) return result;
  const TExifTag* tag = Peek(esExif).Find(ttag::UserComment);
  if (!tag || (tag->DataType() != tdByte && tag->DataType() != tdUndefined) || tag->ElementCount() <= 9) return {};
  const uint8_t* data = tag->Data();
  const size_t size = static_cast<size_t>(tag->ElementCount());
  if (std::memcmp(data, "UNICODE\0", 8) == 0) return UnicodeComment(data + 8, size - 8, FByteOrder);
  if (std::memcmp(data, "ASCII\0\0\0", 8) == 0) {
    size_t end = size;
    while (end > 8 && data[end - 1] < 33) --end;
    return AsciiTagText(std::string_view(reinterpret_cast<const char*>(data + 8), end - 8));
  }
  return {};
}

TTiffOrientation TCustomExifData::ReadOrientation(TExifSectionKind kind) const {
  const TWordTagValue value = Peek(kind).GetWordValue(ttag::Orientation);
  if (value.MissingOrInvalid || (EnsureEnumsInRange && (value.Value & 0xFF) >= 9)) return toUndefined;
  return static_cast<TTiffOrientation>(value.Value & 0xFF);
}

TWindowsStarRating TCustomExifData::UserRating() const {
  const TWordTagValue value = Peek(esPrimary).GetWordValue(ttag::UserRating);
  if (value.MissingOrInvalid || (EnsureEnumsInRange && (value.Value & 0xFF) >= 6)) return urUndefined;
  return static_cast<TWindowsStarRating>(value.Value & 0xFF);
}

TExifFileSource TCustomExifData::FileSource() const {
  uint8_t value = 0;
  if (!Peek(esExif).TryGetByteValue(ttag::FileSource, 0, value) || (EnsureEnumsInRange && value >= 4)) return fsUnknown;
  return static_cast<TExifFileSource>(value);
}

TExifSceneType TCustomExifData::SceneType() const {
  uint8_t value = 0;
  if (!Peek(esExif).TryGetByteValue(ttag::SceneType, 0, value) || (EnsureEnumsInRange && value >= 2)) return esUnknown;
  return static_cast<TExifSceneType>(value);
}

int32_t TCustomExifData::GetExposureProgram() const {
  const TWordTagValue value = Peek(esExif).GetWordValue(ttag::ExposureProgram);
  if (value.MissingOrInvalid) return -1;
  const int low = value.Value & 0xFF;
  if (EnsureEnumsInRange && !(low == 255 || low <= 8)) return -1;
  return value.Value;
}

int32_t TCustomExifData::GetWhiteBalanceMode() const {
  const TWordTagValue value = Peek(esExif).GetWordValue(ttag::WhiteBalance);
  if (value.MissingOrInvalid) return -1;
  const int low = value.Value & 0xFF;
  if (EnsureEnumsInRange && !(low == 255 || low <= 1)) return -1;
  return value.Value;
}

TGPSAltitudeRef TCustomExifData::GPSAltitudeRef() const {
  uint8_t value = 0;
  if (!Peek(esGPS).TryGetByteValue(5, 0, value)) return alTagMissing;
  if (value <= 1) return static_cast<TGPSAltitudeRef>(value + 1);
  return EnsureEnumsInRange ? alTagMissing : static_cast<TGPSAltitudeRef>(std::min(value + 1, 255));
}

int TCustomExifData::GPSReference(uint16_t tag, std::string_view letters) const {
  const std::string text = Peek(esGPS).GetStringValue(tag);
  if (text.empty()) return 0;
  const size_t at = letters.find(UpCaseChar(text[0]));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

TDateTime TCustomExifData::GPSDateTimeUTC() const {
  // The date: any 10 characters with the year, month and day where "YYYY:MM:DD" has them,
  // whatever separates them ("2024-02-29" as well).
  TDateTime date = 0;
  const std::string stamp = GPSDateStamp();
  int year, month, day;
  if (stamp.size() != 10 || !ParseInt(std::string_view(stamp).substr(0, 4), year) ||
      !ParseInt(std::string_view(stamp).substr(5, 2), month) || !ParseInt(std::string_view(stamp).substr(8, 2), day) ||
      !TryEncodeDateTime(year, month, day, 0, 0, 0, 0, date))
    date = 0;
  const TExifRational h = Peek(esGPS).GetFractionValue(7, 0), m = Peek(esGPS).GetFractionValue(7, 1),
                      s = Peek(esGPS).GetFractionValue(7, 2);
  if (h.MissingOrInvalid() || m.MissingOrInvalid() || s.MissingOrInvalid()) return date;
  TDateTime time;
  if (!TryEncodeDateTime(1899, 12, 30, static_cast<int>(h.Numerator / h.Denominator),
                         static_cast<int>(m.Numerator / m.Denominator), static_cast<int>(s.Numerator / s.Denominator),
                         0, time))
    return date;
  if (date == 0) {
    date = DateTime();
    if (date == 0) date = DateTimeOriginal();
    date = std::trunc(date);
  }
  return date >= 0 ? date + time : date - time;
}

// --- TExifData --------------------------------------------------------------------------------

void TExifData::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName);
  LoadFromJPEG(stream);
}

void TExifData::LoadFromExifStream(TStream& stream) {
  TCustomExifData::LoadFromExifStream(stream);
  SetModified(false);
  LoadThumbnail(stream);
  FindLooseData(stream);
  SetModified(false);
}

void TExifData::FindLooseData(TStream& stream) {
  FLooseData.clear();
  const int64_t size = stream.Size() - OffsetBase();
  std::vector<std::pair<int64_t, int64_t>> held{{0, 8}};  // the header
  for (int kind = esPrimary; kind <= esThumbnail; ++kind) {
    const TExifSection& section = PeekSection(static_cast<TExifSectionKind>(kind));
    if (section.FileOffset() != 0)
      held.emplace_back(section.FileOffset() - 2, section.FileOffset() + 12 * int64_t{section.Count()} + 4);
    for (const TExifTag& tag : section)
      if (tag.FileDataSize() > 4) held.emplace_back(tag.FileDataOffset(), tag.FileDataOffset() + tag.FileDataSize());
  }
  int64_t offset;
  const size_t thumbnail = HasThumbnail() ? FThumbnail.size() : FOtherThumbnail ? FOtherThumbnail->size() : 0;
  if (thumbnail > 0 && GetThumbnailOffset(nullptr, offset)) held.emplace_back(offset, offset + int64_t(thumbnail));
  std::sort(held.begin(), held.end());
  int64_t at = 0;
  const int64_t saved = stream.Position();
  for (size_t i = 0; i <= held.size(); ++i) {
    const int64_t next = std::min(i < held.size() ? held[i].first : size, size);
    if (next > at) {
      std::vector<uint8_t> bytes(static_cast<size_t>(next - at));
      stream.SetPosition(OffsetBase() + at);
      // Zeros that pad the block hold nothing.
      if (stream.Read(bytes.data(), next - at) == next - at &&
          std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; }))
        FLooseData.emplace_back(at, std::move(bytes));
    }
    if (i < held.size()) at = std::max(at, held[i].second);
  }
  stream.SetPosition(saved);
}

// A thumbnail is kept only when it is whole: SOI, segments, scan data and EOI. A damaged or
// cut one means no thumbnail, and never costs the tags already read; what the thumbnail IFD's
// offset and length give is then kept as it is, to be written back unchanged.
void TExifData::LoadThumbnail(TStream& stream) {
  FThumbnail.clear();
  FOtherThumbnail.reset();
  int64_t offset;
  if (!GetThumbnailOffset(&stream, offset)) {
    const TExifTag* length = PeekSection(esThumbnail).Find(ttag::ThumbnailLength);
    if (!GetThumbnailOffset(nullptr, offset) || !length || length->ElementCount() != 1 ||
        (length->DataType() != tdLongWord && length->DataType() != tdWord))
      return;
    const int64_t size = length->DataType() == tdWord ? ElementAt<uint16_t>(*length, 0) : ElementAt<uint32_t>(*length, 0);
    const int64_t start = OffsetBase() + offset, saved = stream.Position();
    if (offset >= 8 && size >= 0 && size <= 65536 && start + size <= stream.Size()) {  // never the header
      FOtherThumbnail.emplace(static_cast<size_t>(size));
      stream.SetPosition(start);
      // Bytes that begin as a JPEG image does would read as a thumbnail once written back with
      // room after them: such a cut image goes, as a damaged one does.
      if (stream.Read(FOtherThumbnail->data(), size) != size ||
          (size >= 2 && (*FOtherThumbnail)[0] == 0xFF && (*FOtherThumbnail)[1] == jmSOI))
        FOtherThumbnail.reset();
    }
    stream.SetPosition(saved);
    return;
  }
  const int64_t start = OffsetBase() + offset;
  stream.SetPosition(start);
  int64_t size = 0;
  try {
    TJPEGHeaderParser parser(stream, JPEGMarkers({jmEOI}));
    while (parser.MoveNext())
      if (parser.Current()->MarkerNum() == jmEOI) size = stream.Position() - start;
  } catch (const EReadError&) {
    size = 0;
  } catch (const EInvalidJPEGHeader&) {
    size = 0;
  }
  if (size > 0) {
    FThumbnail.resize(static_cast<size_t>(size));
    stream.SetPosition(start);
    if (stream.Read(FThumbnail.data(), size) != size) FThumbnail.clear();
  }
}

void TExifData::SetThumbnail(std::vector<uint8_t> bytes) {
  if (bytes == FThumbnail) return;
  FThumbnail = std::move(bytes);
  FOtherThumbnail.reset();
  BeginUpdate();
  TExifSection& thumbnail = Section(esThumbnail);
  TUserMemoryStream image(FThumbnail.data(), static_cast<int64_t>(FThumbnail.size()));
  int width, height;
  if ((thumbnail.Find(256) || thumbnail.Find(257)) && GetJPEGImageSize(image, width, height)) {
    thumbnail.SetWordValue(256, 0, static_cast<uint16_t>(width));
    thumbnail.SetWordValue(257, 0, static_cast<uint16_t>(height));
  }
  SetModified(true);
  EndUpdate();
}

void TExifData::Clear(bool xmpToo) {
  FThumbnail.clear();
  FOtherThumbnail.reset();
  FLooseData.clear();
  TCustomExifData::Clear(xmpToo);
}

void TExifData::Assign(const TCustomExifData* source) {
  TCustomExifData::Assign(source);
  if (const auto* data = dynamic_cast<const TExifData*>(source))
    SetThumbnail(data->FThumbnail);
  else if (PeekSection(esThumbnail).Count() == 0)
    SetThumbnail({});
}

bool TExifData::Empty() const { return TCustomExifData::Empty() && FThumbnail.empty(); }

// --- value classes ----------------------------------------------------------------------------

uint16_t TExifFlashInfo::Value() const { return FOwner.PeekSection(esExif).GetWordValue(ttag::Flash).Value; }

TExifRational TExifFlashInfo::FlashEnergy() const {
  return FOwner.PeekSection(esExif).GetFractionValue(ttag::FlashEnergy, 0);
}

bool TExifFlashInfo::IsMissing() const {
  const TExifSection& exif = FOwner.PeekSection(esExif);
  return !exif.TagExists(ttag::Flash, TypeSet({tdWord, tdSmallInt})) &&
         !exif.TagExists(ttag::FlashEnergy, TypeSet({tdLongWordFraction, tdLongIntFraction}));
}

TExifFlashMode TExifFlashInfo::ModeOf(uint16_t value) {
  if (value & 0x10) return (value & 0x08) ? efAuto : efCompulsorySuppression;
  return (value & 0x08) ? efCompulsoryFire : efUnknown;
}

TExifStrobeLight TExifFlashInfo::StrobeLightOf(uint16_t value) {
  if (!(value & 0x04)) return esNoDetectionFunction;
  return (value & 0x02) ? esDetected : esUndetected;
}

uint8_t TCustomExifVersion::Element(int offset) const {
  uint8_t value = 0;
  if (!FOwner.PeekSection(FSection).TryGetByteValue(FTagID, FFirstIndex + offset, value)) return 0;
  return value >= '0' ? static_cast<uint8_t>(value - '0') : value;
}

std::string TCustomExifVersion::AsString() const {
  if (Major() == 0) return {};
  return std::to_string(Major() % 128) + os::DecimalSeparator() + std::to_string(Minor() % 128) +
         std::to_string(Release() % 128);
}

TExifRational TCustomExifResolution::XResolution() const {
  return FOwner.PeekSection(FSection).GetFractionValue(FXTag, 0);
}

TExifRational TCustomExifResolution::YResolution() const {
  return FOwner.PeekSection(FSection).GetFractionValue(FYTag, 0);
}

uint16_t TCustomExifResolution::ResolutionUnit() const {
  const TWordTagValue unit = FOwner.PeekSection(FSection).GetWordValue(FUnitTag);
  return unit.MissingOrInvalid ? 1 : unit.Value;
}

bool TCustomExifResolution::IsMissing() const {
  const TExifSection& section = FOwner.PeekSection(FSection);
  return !section.TagExists(FXTag, TypeSet({tdLongWordFraction})) ||
         !section.TagExists(FYTag, TypeSet({tdLongWordFraction}));
}

bool TISOSpeedRatings::IsMissing() const {
  return !FOwner.PeekSection(esExif).TagExists(ttag::ISOSpeedRatings, TypeSet({tdWord, tdShortInt}));
}

std::string TISOSpeedRatings::AsString() const {
  if (IsMissing()) return {};
  return FOwner.PeekSection(esExif).Find(ttag::ISOSpeedRatings)->AsString();
}

TExifRational TGPSCoordinate::Element(int index) const {
  return FOwner.PeekSection(esGPS).GetFractionValue(FTagID, index);
}

char TGPSCoordinate::Direction() const {
  const TExifTag* ref = FOwner.PeekSection(esGPS).Find(FRefTagID);
  if (!ref || ref->DataType() != tdAscii || ref->ElementCount() < 2) return '\0';
  return UpCaseChar(static_cast<char>(ref->Data()[0]));
}

std::string TGPSCoordinate::AsString() const {
  const TExifRational degrees = Degrees(), minutes = Minutes(), seconds = Seconds();
  if (degrees.MissingOrInvalid() || minutes.MissingOrInvalid()) return {};
  const TExifTag* ref = FOwner.PeekSection(esGPS).Find(FRefTagID);
  const std::string reference = ref ? ref->AsString() : std::string();
  if (!seconds.MissingOrInvalid())
    return RationalToString(degrees) + "," + RationalToString(minutes) + "," + RationalToString(seconds) + reference;
  return RationalToString(degrees) + "," + FormatG(minutes.Quotient()) + reference;
}

bool FindGPSTagName(uint16_t tag, std::u16string& name) {
  static constexpr struct {
    uint16_t Tag;
    const char16_t* Name;
  } Names[] = {
      {0, u"GPSVersionID"},    {2, u"GPSLatitude"},      {4, u"GPSLongitude"},        {5, u"GPSAltitudeRef"},
      {6, u"GPSAltitude"},     {7, u"GPSTimeStamp"},     {8, u"GPSSatellites"},       {9, u"GPSStatus"},
      {10, u"GPSMeasureMode"}, {11, u"GPSDOP"},          {12, u"GPSSpeedRef"},        {13, u"GPSSpeed"},
      {14, u"GPSTrackRef"},    {15, u"GPSTrack"},        {16, u"GPSImgDirectionRef"}, {17, u"GPSImgDirection"},
      {18, u"GPSMapDatum"},    {20, u"GPSDestLatitude"}, {22, u"GPSDestLongitude"},   {23, u"GPSDestBearingRef"},
      {24, u"GPSDestBearing"}, {26, u"GPSDestDistance"}, {30, u"GPSDifferential"}};
  for (const auto& entry : Names)
    if (entry.Tag == tag) {
      name = entry.Name;
      return true;
    }
  return false;
}

std::u16string GPSTagName(uint16_t tag) {
  std::u16string name;
  FindGPSTagName(tag, name);
  return name;
}

}  // namespace vmx
