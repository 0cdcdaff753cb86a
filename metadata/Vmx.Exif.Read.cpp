// Tags and sections as read from a file: their data, texts and values.
#include <algorithm>
#include <cstdio>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.Internal.h"

namespace vmx {

// --- tags -------------------------------------------------------------------------------------

TExifTag::TExifTag(TExifSection* section, uint16_t id, uint16_t dataType, int32_t elementCount)
    : FDataType(dataType), FElementCount(std::max(elementCount, 0)), FID(id), FSection(section) {
  FData.resize(static_cast<size_t>(int64_t{FElementCount} * TiffElementSize(dataType)));
  FFileDataSize = DataSize();
}

TExifTag::TExifTag(TExifSection* section, const TTiffDirectoryEntry& entry, const TTiffInfo& info)
    : FDataType(entry.IsValid() ? entry.DataType : uint16_t{tdUndefined}),
      FElementCount(entry.IsValid() ? entry.ElementCount : 0),
      FID(entry.TagID),
      FFileDataOffset(entry.DataOffset),
      FFileDataSize(entry.DataSize()),
      FReadOK(entry.IsValid()),
      FSection(section) {
  const int elementSize = TiffElementSize(FDataType);
  const int64_t size = int64_t{FElementCount} * elementSize;
  if (size <= 0) return;
  FData.resize(static_cast<size_t>(size));
  info.Stream->SetPosition(info.StartOffset + entry.DataOffset);
  if (info.Stream->Read(FData.data(), size) != size) {  // cannot happen for a checked entry
    FData.clear();
    FDataType = tdUndefined;
    FElementCount = 0;
    FReadOK = false;
    return;
  }
  if (info.ByteOrder != boBigEndian || elementSize == 1) return;
  const int swapSize = FDataType == tdWord || FDataType == tdSmallInt ? 2 : FDataType == tdDouble ? 8 : 4;
  for (size_t i = 0; i + swapSize <= FData.size(); i += static_cast<size_t>(swapSize))
    std::reverse(FData.begin() + static_cast<ptrdiff_t>(i), FData.begin() + static_cast<ptrdiff_t>(i) + swapSize);
}

namespace {

std::string FloatToStr(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

// The little-endian UTF-16 text of a Windows tag: every code unit its count holds, up to the
// first NUL (its terminator, or the padding after it); some writers leave the terminator out.
std::u16string XPText(const TExifTag& tag) {
  std::u16string result;
  const int32_t length = tag.ElementCount() / 2;
  for (int32_t i = 0; i < length; ++i) {
    const auto unit = static_cast<char16_t>(tag.Data()[2 * i] | tag.Data()[2 * i + 1] << 8);
    if (unit == 0) break;
    result += unit;
  }
  return result;
}

// The text of an ASCII tag: up to its first NUL, the terminator or the padding of a
// fixed-size field; a camera that fills the field to its count writes no NUL at all.
std::string AsciiText(const TExifTag& tag) {
  const auto* text = reinterpret_cast<const char*>(tag.Data());
  return std::string(text, std::find(text, text + tag.ElementCount(), '\0'));
}

}  // namespace

std::string TExifTag::ElementAsString(int32_t index) const {
  if (index < 0 || index >= FElementCount) return {};
  switch (FDataType) {
    case tdByte:
      return std::to_string(FData[static_cast<size_t>(index)]);
    case tdAscii:
      return std::string(1, static_cast<char>(FData[static_cast<size_t>(index)]));
    case tdWord:
      return std::to_string(ElementAt<uint16_t>(*this, index));
    case tdLongWord:
    case tdSubDirectory:
      return std::to_string(ElementAt<uint32_t>(*this, index));
    case tdLongWordFraction:
      return RationalToString(ElementAt<TExifRational>(*this, index));
    case tdLongIntFraction:
      return RationalToString(ElementAt<TExifSignedRational>(*this, index));
    case tdShortInt:
      return std::to_string(static_cast<int8_t>(FData[static_cast<size_t>(index)]));
    case tdSmallInt:
      return std::to_string(ElementAt<int16_t>(*this, index));
    case tdLongInt:
      return std::to_string(ElementAt<int32_t>(*this, index));
    case tdSingle:
      return FloatToStr(ElementAt<float>(*this, index));
    case tdDouble:
      return FloatToStr(ElementAt<double>(*this, index));
    default:
      return {};
  }
}

const std::string& TExifTag::AsString() const {
  if (FAsStringValid) return FAsString;
  FAsString.clear();
  if (FElementCount > 0) {
    if (FDataType == tdAscii) {
      FAsString = AsciiText(*this);
    } else if (FDataType == tdUndefined) {
      FAsString = BinToHexStr(FData.data(), DataSize());
    } else if (IsWindowsXPTextTag(*this)) {
      FAsString = Utf16ToUtf8(XPText(*this));
    } else {
      for (int32_t i = 0; i < FElementCount; ++i) {
        if (i > 0) FAsString += ',';
        FAsString += ElementAsString(i);
      }
    }
  }
  FAsStringValid = true;
  return FAsString;
}

bool TExifTag::IsPadding() const {
  return FID == ttag::Padding && FDataType == tdUndefined && FElementCount >= 2 &&
         ElementAt<uint16_t>(*this, 0) == ttag::Padding;
}

// --- sections ---------------------------------------------------------------------------------

TExifSection::~TExifSection() {
  while (!FTags.empty()) {
    FTags.back()->FSection = nullptr;
    FTags.pop_back();
  }
}

void TExifSection::Changed() {
  FModified = true;
  if (FOwner && FKind != esUnowned) FOwner->SectionChanged(*this);
}

void TExifSection::Clear() {
  FLoadFlags = 0;
  if (FTags.empty()) return;
  const bool hadMakerNote = FKind == esExif && Find(ttag::MakerNote);
  while (!FTags.empty()) {
    FTags.back()->FSection = nullptr;
    FTags.pop_back();
  }
  if (hadMakerNote && FOwner) FOwner->MakerNoteTagChanged();
  Changed();
}

void TExifSection::Load(const TTiffDirectory& directory, const TTiffInfo& info) {
  Clear();
  FLoadFlags = directory.LoadFlags;
  FFileOffset = directory.Entries.empty() ? 0 : directory.Entries.front().EntryOffset;
  FTags.reserve(directory.Entries.size());
  for (const TTiffDirectoryEntry& entry : directory.Entries)
    FTags.push_back(std::make_unique<TExifTag>(this, entry, info));
  std::stable_sort(FTags.begin(), FTags.end(), [](const auto& a, const auto& b) { return a->ID() < b->ID(); });
  FModified = false;
}

void TExifSection::LoadFromStream(const TTiffInfo& info, int64_t dataOffsetAdjust, int64_t directoryOffset) {
  TTiffDirectory directory;
  LoadTiffDirectory(info, directory, dataOffsetAdjust, directoryOffset);
  Load(directory, info);
}

bool TExifSection::Remove(uint16_t id) {
  int index;
  if (!FindIndex(id, index)) return false;
  Delete(static_cast<size_t>(index));
  return true;
}

bool TExifSection::FindIndex(uint16_t id, int& index) const {
  const auto it =
      std::lower_bound(FTags.begin(), FTags.end(), id, [](const auto& tag, uint16_t v) { return tag->ID() < v; });
  index = static_cast<int>(it - FTags.begin());
  return it != FTags.end() && (*it)->ID() == id;
}

TExifTag* TExifSection::Find(uint16_t id) const {
  int index;
  return FindIndex(id, index) ? FTags[static_cast<size_t>(index)].get() : nullptr;
}

bool TExifSection::TagExists(uint16_t id, TTiffDataTypes types, int32_t minCount) const {
  const TExifTag* tag = Find(id);
  return tag && tag->DataType() < 16 && (types & (1u << tag->DataType())) && tag->ElementCount() >= minCount;
}

namespace {

const TExifTag* ElementTag(const TExifSection& section, uint16_t id, int32_t index, TTiffDataTypes types) {
  const TExifTag* tag = section.Find(id);
  if (!tag || index < 0 || index >= tag->ElementCount() || tag->DataType() >= 16 || !(types & (1u << tag->DataType())))
    return nullptr;
  return tag;
}

}  // namespace

bool TExifSection::TryGetByteValue(uint16_t id, int32_t index, uint8_t& value) const {
  const TExifTag* tag = ElementTag(*this, id, index, TypeSet({tdByte, tdShortInt, tdUndefined}));
  if (!tag) return false;
  value = tag->Data()[index];
  return true;
}

bool TExifSection::TryGetWordValue(uint16_t id, int32_t index, uint16_t& value) const {
  const TExifTag* tag = ElementTag(*this, id, index, TypeSet({tdByte, tdShortInt, tdWord, tdSmallInt}));
  if (!tag) return false;
  value = TiffElementSize(tag->DataType()) == 1 ? tag->Data()[index] : ElementAt<uint16_t>(*tag, index);
  return true;
}

bool TExifSection::TryGetLongWordValue(uint16_t id, int32_t index, uint32_t& value) const {
  const TExifTag* tag =
      ElementTag(*this, id, index, TypeSet({tdByte, tdShortInt, tdWord, tdSmallInt, tdLongWord, tdLongInt}));
  if (!tag) return false;
  switch (TiffElementSize(tag->DataType())) {
    case 1:
      value = tag->Data()[index];
      break;
    case 2:
      value = ElementAt<uint16_t>(*tag, index);
      break;
    default:
      value = ElementAt<uint32_t>(*tag, index);
      break;
  }
  return true;
}

bool TExifSection::TryGetStringValue(uint16_t id, std::string& value) const {
  const TExifTag* tag = Find(id);
  if (!tag || tag->DataType() != tdAscii || tag->ElementCount() <= 0) return false;
  value = AsciiText(*tag);
  return true;
}

bool TExifSection::TryGetWideStringValue(uint16_t id, std::u16string& value) const {
  const TExifTag* tag = Find(id);
  if (!tag || tag->DataType() != tdByte || tag->ElementCount() <= 1) return false;
  value = XPText(*tag);
  return true;
}

std::string TExifSection::GetStringValue(uint16_t id, const std::string& def) const {
  std::string value;
  return TryGetStringValue(id, value) ? value : def;
}

std::u16string TExifSection::GetWideStringValue(uint16_t id, const std::u16string& def) const {
  std::u16string value;
  return TryGetWideStringValue(id, value) ? value : def;
}

TWordTagValue TExifSection::GetWordValue(uint16_t id, int32_t index) const {
  uint16_t value;
  return TryGetWordValue(id, index, value) ? TWordTagValue::From(value) : TWordTagValue::Missing();
}

TLongIntTagValue TExifSection::GetLongIntValue(uint16_t id, int32_t index) const {
  uint32_t value;
  return TryGetLongWordValue(id, index, value) ? TLongIntTagValue::From(static_cast<int32_t>(value))
                                               : TLongIntTagValue::Missing();
}

TExifRational TExifSection::GetFractionValue(uint16_t id, int32_t index, TExifRational def) const {
  const TExifTag* tag = ElementTag(*this, id, index, TypeSet({tdLongWordFraction, tdLongIntFraction}));
  return tag ? ElementAt<TExifRational>(*tag, index) : def;
}

TExifSignedRational TExifSection::GetSignedFractionValue(uint16_t id, int32_t index, TExifSignedRational def) const {
  const TExifTag* tag = ElementTag(*this, id, index, TypeSet({tdLongWordFraction, tdLongIntFraction}));
  return tag ? ElementAt<TExifSignedRational>(*tag, index) : def;
}

TDateTime TExifSection::GetDateTimeValue(uint16_t id, uint16_t subSecID, TDateTime def) const {
  TDateTime value;
  std::string text = GetStringValue(id);
  // A date that fills its field may end in a blank where the NUL would be.
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!TryExifStringToDateTime(text, value)) return def;
  if (!FOwner || subSecID == 0) return value;
  const std::string subSec = FOwner->Section(esExif).GetStringValue(subSecID);
  if (subSec.empty()) return value;
  std::string digits = "000";
  digits.replace(0, std::min<size_t>(subSec.size(), 3), subSec.substr(0, 3));
  int ms;
  if (ParseInt(digits, ms)) value += (value >= 0 ? ms : -ms) / MsPerDay;
  return value;
}

}  // namespace vmx
