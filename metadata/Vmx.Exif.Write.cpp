// Tags and sections changed, added and removed; the Exif block written from them, and into JPEG files.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.Internal.h"
#include "os/os.h"

namespace vmx {

// --- the write side of tags ---------------------------------------------------------------------

namespace {

bool IsIntegerType(uint16_t type) {
  return type == tdByte || type == tdWord || type == tdLongWord || type == tdShortInt || type == tdSmallInt;
}

uint32_t ElementBits(const uint8_t* data, int size) {
  uint32_t value = 0;
  std::memcpy(&value, data, static_cast<size_t>(size));  // little-endian: low-order bytes first
  return value;
}

std::string Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return std::string(s);
}

int64_t ParseRanged(const std::string& item, int64_t low, int64_t high) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
  if (item.empty() || end != item.data() + item.size())
    throw EConvertError("'" + item + "' is not a valid integer value");
  if (error != std::errc() || value < low || value > high) throw ERangeError();
  return value;
}

// A fraction "n/d" or a whole number "n" (over 1), each part an integer in [Low, High]. An empty
// item is the missing fraction 0/0, which is how the tag's text shows one.
template <class Fraction>
Fraction ParseFraction(const std::string& item, int64_t low, int64_t high) {
  if (item.empty()) return Fraction{};
  const size_t slash = item.find('/');
  int64_t parts[2] = {0, 1};
  for (size_t i = 0; i < (slash == std::string::npos ? 1u : 2u); ++i) {
    const std::string_view part =
        i == 0 ? std::string_view(item).substr(0, slash) : std::string_view(item).substr(slash + 1);
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), parts[i]);
    if (part.empty() || end != part.data() + part.size()) throw EConvertError("'" + item + "' is not a valid fraction");
    if (error != std::errc() || parts[i] < low || parts[i] > high) throw ERangeError();
  }
  Fraction value;
  value.Numerator = static_cast<decltype(value.Numerator)>(parts[0]);
  value.Denominator = static_cast<decltype(value.Denominator)>(parts[1]);
  return value;
}

double ParseFloat(const std::string& item) {
  char* end = nullptr;
  const double value = std::strtod(item.c_str(), &end);
  if (item.empty() || end != item.c_str() + item.size())
    throw EConvertError("'" + item + "' is not a valid floating point value");
  return value;
}

template <class T>
void AppendValue(std::vector<uint8_t>& out, T value) {
  const size_t at = out.size();
  out.resize(at + sizeof(T));
  std::memcpy(out.data() + at, &value, sizeof(T));
}

// The characters and their NUL.
std::span<const uint8_t> AsciiBytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.c_str()), text.size() + 1};
}

// Little-endian UCS-2 with a two-byte terminator, as the Windows text tags hold it.
std::vector<uint8_t> UCS2Bytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) AppendValue<uint16_t>(bytes, c);
  AppendValue<uint16_t>(bytes, 0);
  return bytes;
}

// The date-time texts last written by this thread, reused for the same value.
struct TDateTimeTexts {
  TDateTime Value = 0;
  std::string Date, SubSec;
};

const TDateTimeTexts& DateTimeTexts(TDateTime value) {
  thread_local TDateTimeTexts cache;
  if (cache.Date.empty() || cache.Value != value) {
    cache.Value = value;
    cache.Date = DateTimeToExifString(value);
    cache.SubSec = MillisecondsToSubsecString(value);
  }
  return cache;
}

}  // namespace

void TExifTag::Changed() {
  FAsStringValid = false;
  if (FSection) FSection->TagChanged(*this, false);
}

void TExifTag::UpdateData(uint16_t newType, int32_t newCount) { Update(newType, newCount, nullptr); }

void TExifTag::UpdateData(uint16_t newType, int32_t newCount, std::span<const uint8_t> newData) {
  Update(newType, newCount, &newData);
}

void TExifTag::Update(uint16_t newType, int32_t newCount, const std::span<const uint8_t>* newData) {
  newCount = std::max(newCount, 0);
  const int oldElementSize = TiffElementSize(FDataType), newElementSize = TiffElementSize(newType);
  const int64_t oldSize = DataSize(), newSize = int64_t{newCount} * newElementSize;
  const size_t copied = newData ? std::min(newData->size(), static_cast<size_t>(newSize)) : 0;
  if (!newData && newType == FDataType && newCount == FElementCount) return;
  if (FSection) FSection->TagChanging(*this, newSize, false, FID);
  std::vector<uint32_t> kept;
  if (!newData && oldSize != newSize && IsIntegerType(FDataType) && IsIntegerType(newType))
    for (int32_t i = 0; i < std::min(FElementCount, newCount); ++i)
      kept.push_back(ElementBits(FData.data() + int64_t{i} * oldElementSize, oldElementSize));
  FData.resize(static_cast<size_t>(newSize));
  if (newData) {
    std::copy_n(newData->begin(), copied, FData.begin());
    std::fill(FData.begin() + static_cast<ptrdiff_t>(copied), FData.end(), uint8_t{0});
  } else if (oldElementSize != newElementSize) {
    std::fill_n(FData.begin(), static_cast<size_t>(std::min(oldSize, newSize)), uint8_t{0});
    for (size_t i = 0; i < kept.size(); ++i)
      std::memcpy(FData.data() + i * static_cast<size_t>(newElementSize), &kept[i],
                  static_cast<size_t>(newElementSize));
  }
  FDataType = newType;
  FElementCount = newCount;
  Changed();
}

void TExifTag::SetID(uint16_t id) {
  if (id == FID) return;
  if (FSection) FSection->TagChanging(*this, DataSize(), true, id);
  FID = id;
  FAsStringValid = false;
  if (FSection) FSection->TagChanged(*this, true);
}

void TExifTag::Assign(const TExifTag* source) {
  if (!source) {
    SetElementCount(0);
    return;
  }
  if (source == this) return;
  if (!(FSection && FSection == source->FSection)) SetID(source->FID);
  UpdateData(source->FDataType, source->FElementCount, source->FData);
}

void TExifTag::SetAsString(const std::string& text) {
  if (text.empty()) {
    SetElementCount(0);
  } else if (FDataType == tdAscii) {
    if (FSection && FSection->Owner() && FSection->Owner()->EnforceASCII() &&
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 128; }))
      throw ENotOnlyASCIIError();
    UpdateData(tdAscii, static_cast<int32_t>(text.size() + 1), AsciiBytes(text));
  } else if (FDataType == tdUndefined) {
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
      unsigned value = 0;
      const auto [end, error] = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, value, 16);
      if (error != std::errc() || end != text.data() + 2 * i + 2)
        throw EConvertError("'" + text + "' is not valid hexadecimal text");
      bytes[i] = static_cast<uint8_t>(value);
    }
    UpdateData(tdUndefined, static_cast<int32_t>(bytes.size()), bytes);
  } else if (IsWindowsXPTextTag(*this)) {
    const std::vector<uint8_t> bytes = UCS2Bytes(Utf8ToUtf16(text));
    UpdateData(tdByte, static_cast<int32_t>(bytes.size()), bytes);
  } else {
    std::vector<uint8_t> bytes;
    int32_t count = 0;
    size_t start = 0;
    for (;;) {
      const size_t comma = text.find(',', start);
      const std::string item =
          Trim(std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      switch (FDataType) {
        case tdByte:
          AppendValue<uint8_t>(bytes, static_cast<uint8_t>(ParseRanged(item, 0, 255)));
          break;
        case tdWord:
          AppendValue<uint16_t>(bytes, static_cast<uint16_t>(ParseRanged(item, 0, 65535)));
          break;
        case tdLongWord:
          AppendValue<uint32_t>(bytes, static_cast<uint32_t>(ParseRanged(item, 0, 4294967295)));
          break;
        case tdShortInt:
          AppendValue<int8_t>(bytes, static_cast<int8_t>(ParseRanged(item, -128, 127)));
          break;
        case tdSmallInt:
          AppendValue<int16_t>(bytes, static_cast<int16_t>(ParseRanged(item, -32768, 32767)));
          break;
        case tdLongInt:
        case tdSubDirectory:
          AppendValue<int32_t>(bytes, static_cast<int32_t>(ParseRanged(item, INT32_MIN, INT32_MAX)));
          break;
        case tdLongWordFraction:
          AppendValue(bytes, ParseFraction<TExifRational>(item, 0, 4294967295));
          break;
        case tdLongIntFraction:
          AppendValue(bytes, ParseFraction<TExifSignedRational>(item, INT32_MIN, INT32_MAX));
          break;
        case tdSingle:
          AppendValue<float>(bytes, static_cast<float>(ParseFloat(item)));
          break;
        case tdDouble:
          AppendValue<double>(bytes, ParseFloat(item));
          break;
        default:
          break;
      }
      ++count;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    UpdateData(FDataType, count, bytes);
  }
  FAsString = text;
  FAsStringValid = true;
}

void TExifTag::WriteEntry(TStream& stream, TByteOrder byteOrder, uint32_t dataOffset) const {
  WriteWord(stream, FID, byteOrder);
  WriteWord(stream, FDataType, byteOrder);
  WriteLongInt(stream, FElementCount, byteOrder);
  if (DataSize() > 4) {
    WriteLongWord(stream, dataOffset, byteOrder);
    return;
  }
  const int elementSize = TiffElementSize(FDataType);
  if (elementSize == 2) {
    for (int32_t i = 0; i < FElementCount; ++i) WriteWord(stream, ElementAt<uint16_t>(*this, i), byteOrder);
  } else if (elementSize == 4 && FElementCount == 1) {
    WriteLongWord(stream, ElementAt<uint32_t>(*this, 0), byteOrder);
  } else {
    stream.WriteBuffer(FData.data(), DataSize());
  }
  const uint8_t zeros[4] = {};
  stream.WriteBuffer(zeros, 4 - DataSize());
}

void TExifTag::WriteData(TStream& stream, TByteOrder byteOrder) const {
  if (DataSize() <= 4) return;
  switch (TiffElementSize(FDataType)) {
    case 1:
      stream.WriteBuffer(FData.data(), DataSize());
      break;
    case 2:
      for (int32_t i = 0; i < FElementCount; ++i) WriteWord(stream, ElementAt<uint16_t>(*this, i), byteOrder);
      break;
    default:
      if (FDataType == tdDouble) {
        for (int32_t i = 0; i < FElementCount; ++i) WriteDouble(stream, byteOrder, ElementAt<double>(*this, i));
      } else {
        for (int64_t i = 0; i < DataSize() / 4; ++i)
          WriteLongWord(stream, ElementAt<uint32_t>(*this, static_cast<int32_t>(i)), byteOrder);
      }
  }
}

// --- the write side of sections -------------------------------------------------------------

TExifSection::TIterator::TIterator(const TExifSection* section, size_t index)
    : FSection(section),
      FIndex(index),
      FCurrent(index < section->FTags.size() ? section->FTags[index].get() : nullptr) {}

TExifSection::TIterator& TExifSection::TIterator::operator++() {
  const auto& tags = FSection->FTags;
  if (FIndex < tags.size() && tags[FIndex].get() == FCurrent) ++FIndex;  // else the current one went
  FCurrent = FIndex < tags.size() ? tags[FIndex].get() : nullptr;
  return *this;
}

void TExifSection::TagChanging(const TExifTag& tag, int64_t newDataSize, bool idChange, uint16_t newID) {
  if (idChange) {
    if (Find(newID)) throw ETagAlreadyExists(newID);
    if (!IsExtendable()) throw EIllegalEditOfExifData();
  }
  if (newDataSize > 4 && newDataSize > tag.FileDataSize() && !IsExtendable()) throw EIllegalEditOfExifData();
  // The maker-note tag that takes another number is gone as much as one deleted.
  if (idChange && FKind == esExif && tag.ID() == ttag::MakerNote && FOwner) FOwner->MakerNoteTagChanged();
}

void TExifSection::TagChanged(TExifTag& tag, bool idChanged) {
  if (idChanged)
    std::stable_sort(FTags.begin(), FTags.end(), [](const auto& a, const auto& b) { return a->ID() < b->ID(); });
  if (FKind == esExif && tag.ID() == ttag::MakerNote && FOwner) FOwner->MakerNoteTagChanged();
  Changed();
}

void TExifSection::Delete(size_t index) {
  std::unique_ptr<TExifTag> tag = std::move(FTags[index]);
  FTags.erase(FTags.begin() + static_cast<ptrdiff_t>(index));
  tag->FSection = nullptr;
  if (FKind == esExif && tag->ID() == ttag::MakerNote && FOwner) FOwner->MakerNoteTagChanged();
  Changed();
}

TExifTag& TExifSection::Insert(uint16_t id, uint16_t dataType, int32_t elementCount) {
  int index;
  if (FindIndex(id, index)) throw ETagAlreadyExists(id);
  auto tag = std::make_unique<TExifTag>(this, id, dataType, elementCount);
  TExifTag& result = *tag;
  FTags.insert(FTags.begin() + index, std::move(tag));
  Changed();
  return result;
}

void TExifSection::SetElement(uint16_t id, int32_t index, uint16_t dataType, const void* value, int size) {
  if (index < 0) throw Exception("Assertion failed: negative element index");
  if (TiffElementSize(dataType) != size)
    throw Exception("Assertion failed: an element of another size than its type's");
  TExifTag* tag = Find(id);
  if (tag) {
    tag->UpdateData(dataType, std::max(tag->ElementCount(), index + 1));
  } else {
    if (!IsExtendable()) throw EIllegalEditOfExifData();
    tag = &Insert(id, dataType, index + 1);
  }
  uint8_t* element = tag->FData.data() + int64_t{index} * size;
  if (std::memcmp(element, value, static_cast<size_t>(size)) == 0) return;
  std::memcpy(element, value, static_cast<size_t>(size));
  tag->Changed();
}

void TExifSection::SetByteValue(uint16_t id, int32_t index, uint8_t value, uint16_t dataType) {
  SetElement(id, index, dataType, &value, 1);
}

void TExifSection::SetWordValue(uint16_t id, int32_t index, uint16_t value) {
  SetElement(id, index, tdWord, &value, 2);
}

void TExifSection::SetLongWordValue(uint16_t id, int32_t index, uint32_t value) {
  SetElement(id, index, tdLongWord, &value, 4);
}

void TExifSection::SetFractionValue(uint16_t id, int32_t index, TExifRational value, uint16_t type) {
  if (type != tdLongWordFraction && type != tdLongIntFraction)
    throw Exception("Assertion failed: a fraction of a type that is none");
  if (!value.MissingOrInvalid()) {
    SetElement(id, index, type, &value, 8);
    return;
  }
  if (index < 0) throw Exception("Assertion failed: negative element index");
  // A missing value: the last element goes (the tag with it when it was the only one), an
  // earlier one becomes 0/0, in a tag of the fraction's type.
  TExifTag* tag = Find(id);
  if (!tag || index >= tag->ElementCount()) return;
  tag->UpdateData(type, tag->ElementCount());
  if (index == tag->ElementCount() - 1) {
    if (index == 0)
      Remove(id);
    else
      tag->SetElementCount(index);
  } else {
    SetElement(id, index, type, &value, 8);
  }
}

void TExifSection::SetStringValue(uint16_t id, const std::string& value) {
  if (value.empty()) {
    Remove(id);
    return;
  }
  if (FOwner && FOwner->EnforceASCII() &&
      std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) >= 128; }))
    throw ENotOnlyASCIIError();
  AddOrUpdate(id, tdAscii, static_cast<int32_t>(value.size() + 1), AsciiBytes(value));
}

void TExifSection::SetWideStringValue(uint16_t id, const std::u16string& value) {
  if (value.empty()) {
    Remove(id);
    return;
  }
  const std::vector<uint8_t> bytes = UCS2Bytes(value);
  AddOrUpdate(id, tdByte, static_cast<int32_t>(bytes.size()), bytes);
}

void TExifSection::SetDateTimeValue(uint16_t id, uint16_t subSecID, TDateTime value) {
  if (value == 0) {
    Remove(id);
    return;
  }
  const TDateTimeTexts& texts = DateTimeTexts(value);
  const std::string subSec = texts.SubSec;
  SetStringValue(id, texts.Date);
  if (!FOwner || subSecID == 0) return;
  TExifSection& exif = FOwner->Section(esExif);
  if (!exif.Find(subSecID) && !FOwner->AlwaysWritePreciseTimes()) return;
  exif.AddOrUpdate(subSecID, tdAscii, static_cast<int32_t>(subSec.size() + 1), AsciiBytes(subSec));
}

void TExifSection::Remove(std::initializer_list<uint16_t> ids) {
  if (FOwner) FOwner->BeginUpdate();
  for (size_t i = FTags.size(); i-- > 0;)
    if (std::find(ids.begin(), ids.end(), FTags[i]->ID()) != ids.end()) Delete(i);
  if (FOwner) FOwner->EndUpdate();
}

bool TExifSection::RemovePaddingTag() {
  for (size_t i = 0; i < FTags.size(); ++i)
    if (FTags[i]->IsPadding()) {
      Delete(i);
      return true;
    }
  return false;
}

TExifTag& TExifSection::AddOrUpdate(uint16_t id, uint16_t dataType, int32_t elementCount,
                                    std::span<const uint8_t> data) {
  TExifTag* tag = Find(id);
  if (!tag) {
    if (!IsExtendable()) throw EIllegalEditOfExifData();
    tag = &Insert(id, dataType, 0);
  }
  tag->UpdateData(dataType, elementCount, data);
  return *tag;
}

void TExifSection::Assign(const TExifSection& source) {
  if (&source == this) return;
  if (FOwner) FOwner->BeginUpdate();
  try {
    Clear();
    for (const auto& tag : source.FTags)
      AddOrUpdate(tag->ID(), tag->DataType(), tag->ElementCount(), {tag->Data(), static_cast<size_t>(tag->DataSize())});
  } catch (...) {
    if (FOwner) FOwner->EndUpdate();
    throw;
  }
  if (FOwner) FOwner->EndUpdate();
}

// --- the Exif block -------------------------------------------------------------------------

namespace {

constexpr int64_t MaxThumbnailSize = 61440;
constexpr int64_t MaxSegmentData = 65533;  // a JPEG segment's length field counts itself
constexpr uint16_t Compression = 259;
using ttag::ThumbnailLength;

// The tag that points at each kind's directory, and the section that holds it (the
// thumbnail IFD points at its own image).
constexpr uint16_t PointerTag[] = {
    0, 0, ttag::ExifPointer, ttag::InteropPointer, ttag::GPSPointer, ttag::ThumbnailOffset, 0};
constexpr TExifSectionKind PointerSection[] = {esUnowned, esUnowned,   esPrimary, esExif,
                                               esPrimary, esThumbnail, esUnowned};

void WriteZeros(TStream& stream, int64_t count) {
  static constexpr uint8_t Zeros[256] = {};
  for (; count > 0; count -= 256) stream.WriteBuffer(Zeros, std::min<int64_t>(count, 256));
}

// The room a value takes in a block's data area: none when it fits its entry, otherwise its size
// rounded up to a whole word, as TIFF wants every value to begin on one.
int64_t StoredSize(const TExifTag& tag) { return tag.DataSize() > 4 ? (tag.DataSize() + 1) & ~int64_t{1} : 0; }

}  // namespace

// Where each directory of a block lies, its offsets counting from the TIFF header.
struct TExifData::TBlockLayout {
  struct TRegion {
    int64_t Offset = 0, DirectorySize = 0, DataSize = 0;
    int64_t End() const { return Offset + DirectorySize + DataSize; }
  };
  std::array<TRegion, esMakerNote + 1> Regions;  // by section kind; a directory size of 0 is not written
  const TExifTag* KeptMakerNote = nullptr;       // written where it lay, at KeepOffset
  int64_t KeepOffset = 0;
  // With the maker note, the bytes its pointers may reach outside it stay where they were.
  const std::vector<std::pair<int64_t, std::vector<uint8_t>>>* Loose = nullptr;
  std::vector<uint8_t> Thumbnail;
  bool HasThumbnail = false;  // IFD1 points at Thumbnail
  int64_t Size = 0;           // of the TIFF structure

  int64_t KeepEnd() const { return KeptMakerNote ? KeepOffset + KeptMakerNote->DataSize() : 0; }
  // The end of a piece kept in place that [Start, End) would overlap; -1 when none is.
  int64_t KeptPieceEnd(int64_t start, int64_t end) const {
    if (KeptMakerNote && start < KeepEnd() && end > KeepOffset) return KeepEnd();
    if (Loose)
      for (const auto& [offset, bytes] : *Loose)
        if (start < offset + int64_t(bytes.size()) && end > offset) return offset + int64_t(bytes.size());
    return -1;
  }

  // Gives the pointer tags of the sub-directories their place (a directory without tags
  // loses its pointer), then measures the section.
  void Prepare(TExifSection& section, std::initializer_list<TExifSectionKind> subKinds) {
    for (const TExifSectionKind sub : subKinds) {
      if (Regions[sub].DirectorySize == 0 && sub != section.Kind()) {
        section.Remove({PointerTag[sub]});  // every copy: a file may repeat a tag
      } else if (TExifTag* pointer = section.Find(PointerTag[sub])) {
        pointer->UpdateData(tdLongWord, 1);
      } else {
        section.AddOrUpdate(PointerTag[sub], tdLongWord, 1, {});
      }
    }
    if (section.Kind() != esPrimary && section.Count() == 0) return;
    if (section.Count() > 65535) throw EVmxExifException("Too many tags in one directory");
    TRegion& region = Regions[section.Kind()];
    region.DirectorySize = 12 * int64_t{section.Count()} + 6;
    for (const TExifTag& tag : section) region.DataSize += StoredSize(tag);
  }
};

void TExifData::RemovePaddingTags() {
  for (TExifSection& section : *this) section.RemovePaddingTag();
}

void StandardThumbnailSize(int width, int height, int& newWidth, int& newHeight) {
  newWidth = newHeight = 0;
  if (width <= 0 || height <= 0) return;
  const double ratio = static_cast<double>(width) / height;
  if (height >= width) {
    newHeight = 120, newWidth = static_cast<int>(std::lround(120 * ratio));
    if (newWidth > 160) newWidth = 160, newHeight = static_cast<int>(std::lround(160 / ratio));
  } else {
    newWidth = 160, newHeight = static_cast<int>(std::lround(160 / ratio));
    if (newHeight > 120) newHeight = 120, newWidth = static_cast<int>(std::lround(120 * ratio));
  }
  newWidth = std::max(newWidth, 1), newHeight = std::max(newHeight, 1);
}

// Encodes the thumbnail again with Quality, scaled to fit 160 x 120 when it is larger.
void TExifData::RecodeThumbnail(int quality) {
  TUserMemoryStream image(FThumbnail.data(), static_cast<int64_t>(FThumbnail.size()));
  int width, height;
  if (!GetJPEGImageSize(image, width, height)) throw EVmxExifException("The thumbnail is not a JPEG image");
  if (!ThumbnailScaler) throw EVmxExifException("No JPEG codec to scale the thumbnail with");
  if (width > 160 || height > 120) StandardThumbnailSize(width, height, width, height);
  SetThumbnail(ThumbnailScaler(FThumbnail, width, height, quality));
}

void TExifData::StandardizeThumbnail() {
  TUserMemoryStream image(FThumbnail.data(), static_cast<int64_t>(FThumbnail.size()));
  int width, height;
  if (GetJPEGImageSize(image, width, height) && (width > 160 || height > 120)) RecodeThumbnail(90);
}

TExifData::TBlockLayout TExifData::PlanBlock() {
  if (RemovePaddingTagsOnSave) RemovePaddingTags();
  TBlockLayout layout;
  auto& regions = layout.Regions;
  layout.Prepare(Section(esInterop), {});
  layout.Prepare(Section(esGPS), {});

  // A maker note lies where it lay, so that offsets inside it, which count from the TIFF
  // header, stay right; it moves when that place is not free or not within a segment's
  // reach. An offset schema that says how far it was moved brings it back.
  TExifSection& exif = Section(esExif);
  TExifTag* makerNote = exif.Find(ttag::MakerNote);
  TExifTag* schema = exif.Find(ttag::OffsetSchema);
  if (schema && (schema->DataType() != tdLongInt || schema->ElementCount() != 1)) schema = nullptr;
  if (makerNote && makerNote->FileDataOffset() != 0 && makerNote->DataSize() > 4) {
    int64_t keep = makerNote->FileDataOffset();
    const int32_t shift = schema ? ElementAt<int32_t>(*schema, 0) : 0;
    if (keep - shift >= 8) keep -= shift;
    // A note that grew where it lay may not reach over the bytes kept beside it.
    const bool overLoose =
        keep == makerNote->FileDataOffset() &&
        std::any_of(FLooseData.begin(), FLooseData.end(), [&](const auto& piece) {
          return keep < piece.first + int64_t(piece.second.size()) && keep + makerNote->DataSize() > piece.first;
        });
    if (keep >= 8 && keep + makerNote->DataSize() <= MaxSegmentData - 6 && !overLoose) {
      layout.KeptMakerNote = makerNote;
      layout.KeepOffset = keep;
      if (keep == makerNote->FileDataOffset()) layout.Loose = &FLooseData;
      if (schema && keep != makerNote->FileDataOffset()) schema->UpdateData(tdLongInt, 1, std::array<uint8_t, 4>{});
    }
  }
  // Bytes that only the maker note's own pointers may reach stay only with the maker note in its
  // place; written elsewhere, those pointers would lie.
  if (makerNote && makerNote->FileDataOffset() != 0 && !layout.Loose && !FLooseData.empty())
    throw EMakerNoteCannotStay();
  layout.Prepare(exif, {esInterop});
  if (layout.KeptMakerNote) regions[esExif].DataSize -= StoredSize(*makerNote);

  TExifSection& thumbnail = Section(esThumbnail);
  if (HasThumbnail()) {
    TUserMemoryStream image(FThumbnail.data(), static_cast<int64_t>(FThumbnail.size()));
    const int64_t whole = GetJPEGDataSize(image);  // up to its EOI
    if (whole < static_cast<int64_t>(FThumbnail.size())) SetThumbnail({FThumbnail.begin(), FThumbnail.begin() + whole});
    if (FThumbnail.size() > MaxThumbnailSize) RecodeThumbnail(90);
    if (FThumbnail.size() > MaxThumbnailSize) throw Exception("Assertion failed: the thumbnail is too large");
    layout.Thumbnail = FThumbnail;
    layout.HasThumbnail = true;
    thumbnail.SetWordValue(Compression, 0, 6);
    thumbnail.SetLongWordValue(ThumbnailLength, 0, static_cast<uint32_t>(FThumbnail.size()));
    layout.Prepare(thumbnail, {esThumbnail});
    regions[esThumbnail].DataSize += static_cast<int64_t>(FThumbnail.size());
  } else if (FOtherThumbnail && thumbnail.Find(ttag::ThumbnailOffset) && thumbnail.Find(ThumbnailLength)) {
    // An image that is no JPEG goes back as it came, for the readers that take it.
    layout.Thumbnail = *FOtherThumbnail;
    layout.HasThumbnail = true;
    thumbnail.SetLongWordValue(ThumbnailLength, 0, static_cast<uint32_t>(layout.Thumbnail.size()));
    layout.Prepare(thumbnail, {esThumbnail});
    regions[esThumbnail].DataSize += static_cast<int64_t>(layout.Thumbnail.size());
  } else {
    thumbnail.Remove({ttag::ThumbnailOffset, ThumbnailLength});  // the rest of IFD1 stays
    layout.Prepare(thumbnail, {});
  }
  layout.Prepare(Section(esPrimary), {esExif, esGPS});

  // The directories follow each other, around a maker note kept in place.
  int64_t at = 8;
  for (int kind = esPrimary; kind <= esThumbnail; ++kind) {
    auto& region = regions[static_cast<size_t>(kind)];
    if (region.DirectorySize == 0) continue;
    region.Offset = at;
    // Readers look at 20 bytes where a thumbnail starts: a tiny one keeps that much free of
    // what is kept in place, or those bytes would read as its start.
    const int64_t window = kind == esThumbnail && layout.HasThumbnail
                               ? std::max<int64_t>(0, 20 - static_cast<int64_t>(layout.Thumbnail.size()))
                               : 0;
    for (int64_t past; (past = layout.KeptPieceEnd(region.Offset, region.End() + window)) >= 0;)
      region.Offset = past + (past & 1);
    at = region.End();
  }
  layout.Size = std::max(at, layout.KeepEnd());
  if (layout.Loose)
    for (const auto& [offset, bytes] : *layout.Loose)
      layout.Size = std::max(layout.Size, offset + int64_t(bytes.size()));
  const int64_t thumbnailAt = regions[esThumbnail].End() - static_cast<int64_t>(layout.Thumbnail.size());
  // Readers look for 20 bytes where a thumbnail starts: zeros follow a tiny one.
  if (layout.HasThumbnail) layout.Size = std::max(layout.Size, thumbnailAt + 20);
  if (layout.Size > UINT32_MAX) throw EVmxExifException("Exif data too large for TIFF offsets");
  for (const TExifSectionKind sub : {esExif, esInterop, esGPS})
    if (regions[sub].DirectorySize != 0)
      Section(PointerSection[sub]).SetLongWordValue(PointerTag[sub], 0, static_cast<uint32_t>(regions[sub].Offset));
  if (layout.HasThumbnail) thumbnail.SetLongWordValue(ttag::ThumbnailOffset, 0, static_cast<uint32_t>(thumbnailAt));

  // A maker note that moves takes the shift into the offset schema, where there is one.
  if (makerNote && !layout.KeptMakerNote && schema && makerNote->FileDataOffset() != 0) {
    int64_t offset = regions[esExif].Offset + regions[esExif].DirectorySize;
    for (const TExifTag& tag : exif) {
      if (&tag == makerNote) break;
      offset += StoredSize(tag);
    }
    if (offset != makerNote->FileDataOffset()) {
      const int32_t shifted =
          static_cast<int32_t>(ElementAt<int32_t>(*schema, 0) + offset - makerNote->FileDataOffset());
      std::array<uint8_t, 4> value;
      std::memcpy(value.data(), &shifted, 4);
      schema->UpdateData(tdLongInt, 1, value);
    }
  }
  return layout;
}

void TExifData::WriteBlock(TStream& stream, const TBlockLayout& layout) const {
  const TByteOrder order = ByteOrder();
  const auto& regions = layout.Regions;
  WriteRawChars(stream, std::string_view("Exif\0\0", 6));
  WriteRawChars(stream, order == boBigEndian ? "MM" : "II");
  WriteWord(stream, 42, order);
  WriteLongWord(stream, static_cast<uint32_t>(regions[esPrimary].Offset), order);
  // The directories and the kept maker note in the order they lie in, gaps filled with zeros.
  std::vector<std::pair<int64_t, int>> pieces;
  for (int kind = esPrimary; kind <= esThumbnail; ++kind)
    if (regions[static_cast<size_t>(kind)].DirectorySize != 0)
      pieces.emplace_back(regions[static_cast<size_t>(kind)].Offset, kind);
  if (layout.KeptMakerNote) pieces.emplace_back(layout.KeepOffset, esUnowned);
  if (layout.Loose)
    for (size_t i = 0; i < layout.Loose->size(); ++i) pieces.emplace_back((*layout.Loose)[i].first, -1 - int(i));
  std::sort(pieces.begin(), pieces.end());
  int64_t at = 8;
  for (const auto& [offset, kind] : pieces) {
    WriteZeros(stream, offset - at);
    if (kind == esUnowned) {
      layout.KeptMakerNote->WriteData(stream, order);
      at = layout.KeepEnd();
      continue;
    }
    if (kind < 0) {
      const std::vector<uint8_t>& bytes = (*layout.Loose)[size_t(-1 - kind)].second;
      stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
      at = offset + int64_t(bytes.size());
      continue;
    }
    const TExifSection& section = PeekSection(static_cast<TExifSectionKind>(kind));
    const auto& region = regions[static_cast<size_t>(kind)];
    WriteWord(stream, static_cast<uint16_t>(section.Count()), order);
    int64_t dataOffset = region.Offset + region.DirectorySize;
    for (const TExifTag& tag : section) {
      if (&tag == layout.KeptMakerNote) {
        tag.WriteEntry(stream, order, static_cast<uint32_t>(layout.KeepOffset));
        continue;
      }
      tag.WriteEntry(stream, order, static_cast<uint32_t>(dataOffset));
      dataOffset += StoredSize(tag);
    }
    const bool thumbnailFollows = kind == esPrimary && regions[esThumbnail].DirectorySize != 0;
    WriteLongWord(stream, thumbnailFollows ? static_cast<uint32_t>(regions[esThumbnail].Offset) : 0, order);
    for (const TExifTag& tag : section) {
      if (&tag == layout.KeptMakerNote) continue;
      tag.WriteData(stream, order);
      if (tag.DataSize() > 4) WriteZeros(stream, StoredSize(tag) - tag.DataSize());
    }
    if (kind == esThumbnail) stream.WriteBuffer(layout.Thumbnail.data(), static_cast<int64_t>(layout.Thumbnail.size()));
    at = region.End();
  }
  WriteZeros(stream, layout.Size - at);
}

void TExifData::SaveToStream(TStream& stream) {
  std::optional<TBlockLayout> layout;
  InUpdate(*this, [&] { layout = PlanBlock(); });
  WriteBlock(stream, *layout);
}

// --- persistence ----------------------------------------------------------------------------

void TExifData::LoadFromStream(TStream& stream) {
  // The checks that reading the block starts with, made before the old tags go.
  if (!HasExifHeader(stream, false)) throw EInvalidExifData();
  if (stream.Size() - stream.Position() < 6 + 8) throw EReadError();
  Clear(false);
  LoadFromExifStream(stream);
}

void TCustomExifData::describe(TPropertyVisitor& visitor) {
  visitor.Boolean("AlwaysWritePreciseTimes", FAlwaysWritePreciseTimes);
  visitor.Boolean("EnforceASCII", FEnforceASCII);
  visitor.Boolean("EnsureEnumsInRange", EnsureEnumsInRange);
}

void TExifData::describe(TPropertyVisitor& visitor) {
  TCustomExifData::describe(visitor);
  visitor.Boolean("RemovePaddingTagsOnSave", RemovePaddingTagsOnSave);
  visitor.Binary(
      "Data", !Empty(),
      [this] {
        TMemoryStream block;
        SaveToStream(block);
        return std::string(block.Bytes().begin(), block.Bytes().end());
      },
      [this](const std::string& bytes) {
        TUserMemoryStream block(bytes.data(), static_cast<int64_t>(bytes.size()));
        LoadFromStream(block);
      });
}

// --- JPEG files -----------------------------------------------------------------------------

namespace {

// A stream written front to back into a file that is being written, in pieces of 64 KiB.
class TChunkWriter : public TStream {
 public:
  explicit TChunkWriter(const os::TWriteChunk& write) : FWrite(write) { FBuffer.reserve(Capacity); }
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    if (count <= 0 || (static_cast<int64_t>(FBuffer.size()) + count > Capacity && !Flush())) return 0;
    const std::string_view bytes(static_cast<const char*>(buffer), static_cast<size_t>(count));
    if (count >= Capacity && !FWrite(bytes)) return 0;
    if (count < Capacity) FBuffer.append(bytes);
    FWritten += count;
    return count;
  }
  // Only where it stands can be asked: the bytes written.
  int64_t Seek(int64_t, TSeekOrigin) override { return FWritten; }
  int64_t Size() override { return FWritten; }
  bool Flush() {
    const bool ok = FBuffer.empty() || FWrite(FBuffer);
    FBuffer.clear();
    return ok;
  }

 private:
  static constexpr int64_t Capacity = 65536;
  const os::TWriteChunk& FWrite;
  std::string FBuffer;
  int64_t FWritten = 0;
};

}  // namespace

// What a JPEG file becomes: the segments that are replaced or inserted, and the new size.
struct TExifData::TJPEGPlan {
  struct TEdit {
    int64_t Offset = 0, OldSize = 0;  // an old size of 0 inserts
    bool IsExif = true;
  };
  int64_t Start = 0, End = 0;  // the JPEG data of the source
  std::vector<TEdit> Edits;    // in file order
  std::optional<TBlockLayout> Exif;
  std::vector<uint8_t> XMPSegment;  // what the new file's XMP segment holds (new or kept)
  bool WriteXMP = false;
  int64_t Size = 0;
};

TExifData::TJPEGPlan TExifData::PlanJPEG(TStream& source) {
  TJPEGPlan plan;
  plan.Start = source.Position();
  // A new Exif segment goes after SOI and the APP0 (JFIF) segments that follow it.
  int64_t insertAt = plan.Start + 2;
  std::optional<TJPEGPlan::TEdit> exif, xmp;
  TJPEGHeaderParser parser(source, JPEGMarkers({0xE0, jmApp1}));
  while (parser.MoveNext()) {
    TFoundJPEGSegment& segment = *parser.Current();
    if (segment.MarkerNum() == 0xE0) {
      if (segment.Offset() == insertAt) insertAt += segment.TotalSize();
    } else if (!exif && HasExifHeader(segment.Data(), false)) {
      exif = TJPEGPlan::TEdit{segment.Offset(), segment.TotalSize(), true};
    } else if (!xmp && HasXMPSegmentHeader(segment.Data())) {
      xmp = TJPEGPlan::TEdit{segment.Offset(), segment.TotalSize(), false};
      plan.XMPSegment = segment.Data().Bytes();
    }
  }
  plan.End = source.Size();

  if (!Empty()) InUpdate(*this, [&] { plan.Exif = PlanBlock(); });
  const int64_t exifSize = plan.Exif ? 6 + plan.Exif->Size : 0;
  if (exifSize > MaxSegmentData) throw ESegmentTooLarge("Exif data");
  if (exif || plan.Exif) plan.Edits.push_back(exif.value_or(TJPEGPlan::TEdit{insertAt, 0, true}));

  plan.WriteXMP = FXMPChanged && !FXMPUnreadable;
  if (plan.WriteXMP) {
    TMemoryStream packet;
    if (!FXMPPacket.IncludesSignature()) WriteRawChars(packet, XMPSignature);
    FXMPPacket.SaveToStream(packet);
    plan.XMPSegment = packet.Bytes();
    if (packet.Size() > MaxSegmentData) throw ESegmentTooLarge("XMP packet");
    plan.Edits.push_back(xmp.value_or(TJPEGPlan::TEdit{exif ? exif->Offset + exif->OldSize : insertAt, 0, false}));
  }
  std::stable_sort(plan.Edits.begin(), plan.Edits.end(),
                   [](const auto& a, const auto& b) { return a.Offset < b.Offset; });

  plan.Size = plan.End - plan.Start;
  for (const TJPEGPlan::TEdit& edit : plan.Edits) {
    const int64_t data = edit.IsExif ? exifSize : static_cast<int64_t>(plan.XMPSegment.size());
    plan.Size += (data > 0 ? 4 + data : 0) - edit.OldSize;
  }
  return plan;
}

void TExifData::WriteJPEG(TStream& source, TStream& dest, const TJPEGPlan& plan) const {
  auto segmentHeader = [&](int64_t dataSize) {
    const uint8_t head[] = {0xFF, jmApp1};
    dest.WriteBuffer(head, 2);
    WriteWord(dest, static_cast<uint16_t>(dataSize + 2), boBigEndian);
  };
  int64_t at = plan.Start;
  for (const TJPEGPlan::TEdit& edit : plan.Edits) {
    source.SetPosition(at);
    dest.CopyFrom(source, edit.Offset - at);
    if (!edit.IsExif) {
      segmentHeader(static_cast<int64_t>(plan.XMPSegment.size()));
      dest.WriteBuffer(plan.XMPSegment.data(), static_cast<int64_t>(plan.XMPSegment.size()));
    } else if (plan.Exif) {
      segmentHeader(6 + plan.Exif->Size);
      WriteBlock(dest, *plan.Exif);
    }
    at = edit.Offset + edit.OldSize;
  }
  source.SetPosition(at);
  dest.CopyFrom(source, plan.End - at);
}

bool TExifData::SaveToJPEG(TStream& source, TStream& dest) {
  WriteJPEG(source, dest, PlanJPEG(source));
  return !FXMPChangesLost;
}

namespace {

bool SameTags(const TExifSection& a, const TExifSection& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i)
    if (a[i].ID() != b[i].ID() || a[i].DataType() != b[i].DataType() || a[i].ElementCount() != b[i].ElementCount() ||
        !std::equal(a[i].Data(), a[i].Data() + a[i].DataSize(), b[i].Data()))
      return false;
  return true;
}

}  // namespace

// Whether a written file holds what was meant: the same tags, thumbnail and XMP segment.
bool TExifData::ReadsBackAs(const std::string& fileName, const std::vector<uint8_t>& xmpSegment) const {
  TExifData written;
  try {
    written.LoadFromFile(fileName);
  } catch (const Exception&) {
    return false;
  }
  if (written.XMPSegmentData() != xmpSegment || written.Thumbnail() != FThumbnail) return false;
  for (int kind = esPrimary; kind <= esThumbnail; ++kind)
    if (!SameTags(PeekSection(static_cast<TExifSectionKind>(kind)),
                  written.PeekSection(static_cast<TExifSectionKind>(kind))))
      return false;
  return true;
}

bool TExifData::SaveToJPEGFile(const std::string& fileName) {
  auto source = std::make_unique<TFileStream>(fileName);
  const TJPEGPlan plan = PlanJPEG(*source);
  bool readBack = true;
  const bool written = os::WriteFileReplacing(
      fileName,
      [&](const os::TWriteChunk& write) {
        TChunkWriter out(write);
        try {
          WriteJPEG(*source, out, plan);
        } catch (const EWriteError&) {
          return false;
        }
        source.reset();  // closed before the new file takes its place
        if (out.Size() != plan.Size) throw Exception("Assertion failed: the new file has not its planned size");
        return out.Flush();
      },
      [&](const std::string& newFile) { return readBack = ReadsBackAs(newFile, plan.XMPSegment); });
  if (!written)
    throw EInOutError(readBack ? "Cannot write file \"" + fileName + "\""
                               : "The new file \"" + fileName + "\" did not read back as written; the old one is kept");
  return !FXMPChangesLost;
}

}  // namespace vmx
