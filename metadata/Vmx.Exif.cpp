// The TIFF layer (header, directories, value texts) and the tags and sections built on it.
#include "metadata/Vmx.Exif.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "core/CivilDate.h"
#include "core/Unicode.h"

namespace vmx {

static_assert(std::endian::native == std::endian::little, "tag data is held in little-endian order");

// --- dates ---------------------------------------------------------------------------------

namespace {

constexpr TDateTime MsPerDay = 86400000.0;


constexpr int64_t DelphiEpochDays = -25569;  // 30 December 1899 from 1 January 1970

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

bool ParseInt(std::string_view s, int& value) {
  if (s.empty()) return false;
  const char* first = s.data();
  if (*first == '+') ++first;
  const auto [end, error] = std::from_chars(first, s.data() + s.size(), value);
  return error == std::errc() && end == s.data() + s.size();
}

bool ParseUInt32(std::string_view s, uint32_t& value) {
  uint64_t wide = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), wide);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || wide > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(wide);
  return true;
}

std::string FloatToStr(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

}  // namespace

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || ms < 0 || ms > 999)
    return false;
  const double date = static_cast<double>(DaysFromCivil(year, month, day) - DelphiEpochDays);
  const double time = ((hour * 60.0 + minute) * 60.0 + second + ms / 1000.0) / 86400.0;
  result = date >= 0 ? date + time : date - time;
  return true;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second, int& ms) {
  const double date = std::trunc(value);
  int64_t msOfDay = std::llround(std::fabs(value - date) * MsPerDay);
  int64_t days = static_cast<int64_t>(date);
  if (msOfDay >= 86400000) {  // rounding reached the next day
    msOfDay -= 86400000;
    days += value >= 0 ? 1 : -1;
  }
  CivilFromDays(days + DelphiEpochDays, year, month, day);
  hour = static_cast<int>(msOfDay / 3600000);
  minute = static_cast<int>(msOfDay / 60000 % 60);
  second = static_cast<int>(msOfDay / 1000 % 60);
  ms = static_cast<int>(msOfDay % 1000);
}

std::string DateTimeToExifString(TDateTime value) {
  if (value == 0) return std::string(19, ' ');
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.4d:%.2d:%.2d %.2d:%.2d:%.2d", y, m, d, h, n, s);
  return buffer;
}

bool TryExifStringToDateTime(std::string_view s, TDateTime& value) {
  if (s.size() != 19 || s[4] != ':' || s[7] != ':') return false;
  int y, m, d, h, n, sec;
  if (!ParseInt(s.substr(0, 4), y) || !ParseInt(s.substr(5, 2), m) || !ParseInt(s.substr(8, 2), d) ||
      !ParseInt(s.substr(11, 2), h) || !ParseInt(s.substr(14, 2), n) || !ParseInt(s.substr(17, 2), sec))
    return false;
  return TryEncodeDateTime(y, m, d, h, n, sec, 0, value);
}

std::string MillisecondsToSubsecString(TDateTime value) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%.3d", ms);
  return buffer;
}

// --- types and rationals -------------------------------------------------------------------

int TiffElementSize(uint16_t dataType) {
  static constexpr int Sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return dataType < std::size(Sizes) ? Sizes[dataType] : 0;
}

std::string RationalToString(TExifRational value) {
  if (value.MissingOrInvalid()) return {};
  if (value.Denominator == 1) return std::to_string(value.Numerator);
  return std::to_string(value.Numerator) + "/" + std::to_string(value.Denominator);
}

std::string RationalToString(TExifSignedRational value) {
  if (value.MissingOrInvalid()) return {};
  if (value.Denominator == 1) return std::to_string(value.Numerator);
  return std::to_string(value.Numerator) + "/" + std::to_string(value.Denominator);
}

bool TryStringToRational(std::string_view s, TExifRational& value) {
  value = {};
  const size_t slash = s.find('/');
  TExifRational parsed;
  if (slash == std::string_view::npos) {
    if (!ParseUInt32(s, parsed.Numerator)) return false;
    parsed.Denominator = 1;
  } else if (!ParseUInt32(s.substr(0, slash), parsed.Numerator) ||
             !ParseUInt32(s.substr(slash + 1), parsed.Denominator)) {
    return false;
  }
  value = parsed;
  return true;
}

// --- TIFF header and directories ---------------------------------------------------------------

bool HasExifHeader(TStream& stream, bool moveToTiffHeader) {
  uint8_t header[10];
  const int64_t got = stream.Read(header, 10);
  const bool ok = got == 10 && std::memcmp(header, "Exif\0\0", 6) == 0 &&
                  ((header[6] == 'I' && header[7] == 'I') || (header[6] == 'M' && header[7] == 'M')) &&
                  ((header[8] == 0x2A && header[9] == 0) || (header[8] == 0 && header[9] == 0x2A));
  stream.Seek(ok && moveToTiffHeader ? -4 : -got, TSeekOrigin::soCurrent);
  return ok;
}

void LoadTiffDirectory(const TTiffInfo& info, TTiffDirectory& directory, int64_t dataOffsetAdjust,
                       int64_t directoryOffset) {
  directory = {};
  TStream& stream = *info.Stream;
  const int64_t start = info.StartOffset;
  const int64_t size = stream.Size();
  const int64_t p = start + directoryOffset;
  if (p < 0 || p + 2 > size) {
    directory.LoadFlags = lfBadOffset;
    return;
  }
  stream.SetPosition(p);
  const int64_t declared = ReadWord(stream, info.ByteOrder);
  const int64_t fitting = (size - p - 2) / 12;
  const int64_t count = std::min(declared, fitting);
  if (declared > fitting) directory.LoadFlags |= lfCountCut;
  const int64_t nextPointer = p + 2 + 12 * declared;
  if (nextPointer + 4 <= size) directory.NextPointerOffset = nextPointer - start;

  directory.Entries.reserve(static_cast<size_t>(count));
  bool previousValid = true;
  for (int64_t i = 0; i < count; ++i) {
    TTiffDirectoryEntry entry;
    entry.EntryOffset = stream.Position() - start;
    entry.TagID = ReadWord(stream, info.ByteOrder);
    entry.DataType = ReadWord(stream, info.ByteOrder);
    entry.ElementCount = ReadLongInt(stream, info.ByteOrder);
    const int elementSize = TiffElementSize(entry.DataType);
    const int64_t dataSize = int64_t{entry.ElementCount} * elementSize;  // 64-bit: cannot wrap
    if (dataSize > 4) {
      entry.DataOffset = int64_t{ReadLongWord(stream, info.ByteOrder)} + dataOffsetAdjust;
      if (start + entry.DataOffset < 0 || start + entry.DataOffset + dataSize > size) entry.ElementCount = -1;
    } else {
      entry.DataOffset = stream.Position() - start;
      stream.Seek(4, TSeekOrigin::soCurrent);
    }
    const bool valid = entry.IsValid();
    if (!valid && !previousValid) {  // two bad entries in a row: the rest is not a directory
      directory.LoadFlags |= lfCountCut;
      break;
    }
    if (!valid) directory.LoadFlags |= lfBadEntry;
    previousValid = valid;
    directory.Entries.push_back(entry);
  }
}

void LoadTiffInfo(TStream& stream, TTiffInfo& info) {
  info.Directories.clear();
  info.Stream = &stream;
  info.StartOffset = stream.Position();
  const uint16_t mark = ReadWord(stream, boLittleEndian);
  if (mark == 0x4949)
    info.ByteOrder = boLittleEndian;
  else if (mark == 0x4D4D)
    info.ByteOrder = boBigEndian;
  else
    throw EInvalidTiffData();
  const uint16_t magic = ReadWord(stream, info.ByteOrder);
  if (magic != 42) {
    if (static_cast<uint16_t>(magic << 8 | magic >> 8) != 42) throw EInvalidTiffData();
    info.ByteOrder = info.ByteOrder == boBigEndian ? boLittleEndian : boBigEndian;  // the data wins
  }
  const int64_t limit = stream.Size() - info.StartOffset - 4;
  int64_t offset = ReadLongWord(stream, info.ByteOrder);

  // The chain, as a loop: it ends on a zero or bad offset, an offset met before, a
  // directory without room for its next pointer, or after MaxTiffDirectories.
  std::unordered_set<int64_t> visited;
  while (offset != 0 && info.Directories.size() < MaxTiffDirectories && visited.insert(offset).second) {
    TTiffDirectory& directory = info.Directories.emplace_back();
    LoadTiffDirectory(info, directory, 0, offset);
    if ((directory.LoadFlags & lfBadOffset) || directory.NextPointerOffset < 0) break;
    stream.SetPosition(info.StartOffset + directory.NextPointerOffset);
    uint32_t next = 0;
    if (!TryReadLongWord(stream, info.ByteOrder, next) || next > limit) break;
    offset = next;
  }
}

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

bool IsWindowsXPTextTag(const TExifTag& tag) {
  return tag.DataType() == tdByte && tag.ID() >= ttag::XPTitle && tag.ID() <= ttag::XPSubject && tag.Section() &&
         tag.Section()->Kind() == esPrimary;
}

template <class T>
T ElementAt(const TExifTag& tag, int32_t index) {
  T value;
  std::memcpy(&value, tag.Data() + int64_t{index} * static_cast<int64_t>(sizeof(T)), sizeof(T));
  return value;
}

// The UCS-2 text of (count div 2) - 1 characters, little-endian.
std::u16string XPText(const TExifTag& tag) {
  std::u16string result;
  const int32_t length = tag.ElementCount() / 2 - 1;
  for (int32_t i = 0; i < length; ++i)
    result += static_cast<char16_t>(tag.Data()[2 * i] | tag.Data()[2 * i + 1] << 8);
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
    case tdByte: return std::to_string(FData[static_cast<size_t>(index)]);
    case tdAscii: return std::string(1, static_cast<char>(FData[static_cast<size_t>(index)]));
    case tdWord: return std::to_string(ElementAt<uint16_t>(*this, index));
    case tdLongWord:
    case tdSubDirectory: return std::to_string(ElementAt<uint32_t>(*this, index));
    case tdLongWordFraction: return RationalToString(ElementAt<TExifRational>(*this, index));
    case tdLongIntFraction: return RationalToString(ElementAt<TExifSignedRational>(*this, index));
    case tdShortInt: return std::to_string(static_cast<int8_t>(FData[static_cast<size_t>(index)]));
    case tdSmallInt: return std::to_string(ElementAt<int16_t>(*this, index));
    case tdLongInt: return std::to_string(ElementAt<int32_t>(*this, index));
    case tdSingle: return FloatToStr(ElementAt<float>(*this, index));
    case tdDouble: return FloatToStr(ElementAt<double>(*this, index));
    default: return {};
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
  for (const TTiffDirectoryEntry& entry : directory.Entries) FTags.push_back(std::make_unique<TExifTag>(this, entry, info));
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
  const auto it = std::lower_bound(FTags.begin(), FTags.end(), id, [](const auto& tag, uint16_t v) { return tag->ID() < v; });
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
    case 1: value = tag->Data()[index]; break;
    case 2: value = ElementAt<uint16_t>(*tag, index); break;
    default: value = ElementAt<uint32_t>(*tag, index); break;
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
  if (item.empty() || end != item.data() + item.size()) throw EConvertError("'" + item + "' is not a valid integer value");
  if (error != std::errc() || value < low || value > high) throw ERangeError();
  return value;
}

double ParseFloat(const std::string& item) {
  char* end = nullptr;
  const double value = std::strtod(item.c_str(), &end);
  if (item.empty() || end != item.c_str() + item.size()) throw EConvertError("'" + item + "' is not a valid floating point value");
  return value;
}

template <class T>
void AppendValue(std::vector<uint8_t>& out, T value) {
  const size_t at = out.size();
  out.resize(at + sizeof(T));
  std::memcpy(out.data() + at, &value, sizeof(T));
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

void TExifTag::UpdateData(uint16_t newType, int32_t newCount, const void* newData) {
  newCount = std::max(newCount, 0);
  if (!newData && newType == FDataType && newCount == FElementCount) return;
  const int oldElementSize = TiffElementSize(FDataType), newElementSize = TiffElementSize(newType);
  const int64_t oldSize = DataSize(), newSize = int64_t{newCount} * newElementSize;
  if (FSection) FSection->TagChanging(*this, newSize, false, FID);
  std::vector<uint32_t> kept;
  if (!newData && oldSize != newSize && IsIntegerType(FDataType) && IsIntegerType(newType))
    for (int32_t i = 0; i < std::min(FElementCount, newCount); ++i)
      kept.push_back(ElementBits(FData.data() + int64_t{i} * oldElementSize, oldElementSize));
  FData.resize(static_cast<size_t>(newSize));
  if (newData) {
    std::memcpy(FData.data(), newData, static_cast<size_t>(newSize));
  } else if (oldElementSize != newElementSize) {
    std::fill_n(FData.begin(), static_cast<size_t>(std::min(oldSize, newSize)), uint8_t{0});
    for (size_t i = 0; i < kept.size(); ++i)
      std::memcpy(FData.data() + i * static_cast<size_t>(newElementSize), &kept[i], static_cast<size_t>(newElementSize));
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
  UpdateData(source->FDataType, source->FElementCount, source->FData.data());
}

void TExifTag::SetAsString(const std::string& text) {
  if (text.empty()) {
    SetElementCount(0);
  } else if (FDataType == tdAscii) {
    if (FSection && FSection->Owner() && FSection->Owner()->EnforceASCII() &&
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 128; }))
      throw ENotOnlyASCIIError();
    UpdateData(tdAscii, static_cast<int32_t>(text.size() + 1), text.c_str());
  } else if (FDataType == tdUndefined) {
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
      unsigned value = 0;
      const auto [end, error] = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, value, 16);
      if (error != std::errc() || end != text.data() + 2 * i + 2) throw EConvertError("'" + text + "' is not valid hexadecimal text");
      bytes[i] = static_cast<uint8_t>(value);
    }
    UpdateData(tdUndefined, static_cast<int32_t>(bytes.size()), bytes.data());
  } else if (IsWindowsXPTextTag(*this)) {
    const std::u16string wide = Utf8ToUtf16(text);
    std::vector<uint8_t> bytes;
    for (char16_t c : wide) AppendValue<uint16_t>(bytes, c);
    AppendValue<uint16_t>(bytes, 0);
    UpdateData(tdByte, static_cast<int32_t>(bytes.size()), bytes.data());
  } else {
    std::vector<uint8_t> bytes;
    int32_t count = 0;
    size_t start = 0;
    for (;;) {
      const size_t comma = text.find(',', start);
      const std::string item = Trim(std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      switch (FDataType) {
        case tdByte: AppendValue<uint8_t>(bytes, static_cast<uint8_t>(ParseRanged(item, 0, 255))); break;
        case tdWord: AppendValue<uint16_t>(bytes, static_cast<uint16_t>(ParseRanged(item, 0, 65535))); break;
        case tdLongWord: AppendValue<uint32_t>(bytes, static_cast<uint32_t>(ParseRanged(item, 0, 4294967295))); break;
        case tdShortInt: AppendValue<int8_t>(bytes, static_cast<int8_t>(ParseRanged(item, -128, 127))); break;
        case tdSmallInt: AppendValue<int16_t>(bytes, static_cast<int16_t>(ParseRanged(item, -32768, 32767))); break;
        case tdLongInt:
        case tdSubDirectory:
          AppendValue<int32_t>(bytes, static_cast<int32_t>(ParseRanged(item, INT32_MIN, INT32_MAX)));
          break;
        case tdLongWordFraction:
        case tdLongIntFraction: {
          TExifRational value;
          TryStringToRational(item, value);
          AppendValue(bytes, value);
          break;
        }
        case tdSingle: AppendValue<float>(bytes, static_cast<float>(ParseFloat(item))); break;
        case tdDouble: AppendValue<double>(bytes, ParseFloat(item)); break;
        default: break;
      }
      ++count;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    UpdateData(FDataType, count, bytes.data());
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
    case 1: stream.WriteBuffer(FData.data(), DataSize()); break;
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
    : FSection(section), FIndex(index),
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
  TExifTag* tag = Find(id);
  if (tag) {
    tag->UpdateData(dataType, std::max(tag->ElementCount(), index + 1), nullptr);
  } else {
    if (!IsExtendable()) throw EIllegalEditOfExifData();
    tag = &Insert(id, dataType, index + 1);
  }
  uint8_t* element = tag->FData.data() + int64_t{index} * size;
  if (std::memcmp(element, value, static_cast<size_t>(size)) == 0) return;
  std::memcpy(element, value, static_cast<size_t>(size));
  tag->Changed();
}

void TExifSection::SetByteValue(uint16_t id, int32_t index, uint8_t value) { SetElement(id, index, tdByte, &value, 1); }

void TExifSection::SetWordValue(uint16_t id, int32_t index, uint16_t value) { SetElement(id, index, tdWord, &value, 2); }

void TExifSection::SetLongWordValue(uint16_t id, int32_t index, uint32_t value) {
  SetElement(id, index, tdLongWord, &value, 4);
}

void TExifSection::SetFractionValue(uint16_t id, int32_t index, TExifRational value, uint16_t type) {
  if (!value.MissingOrInvalid()) {
    SetElement(id, index, type, &value, 8);
    return;
  }
  TExifTag* tag = Find(id);
  if (!tag || index < 0 || index >= tag->ElementCount()) return;
  if (index == tag->ElementCount() - 1) {
    if (index == 0)
      Remove(id);
    else
      tag->SetElementCount(index);
  } else {
    SetElement(id, index, tag->DataType(), &value, 8);
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
  AddOrUpdate(id, tdAscii, static_cast<int32_t>(value.size() + 1), value.c_str());
}

void TExifSection::SetWideStringValue(uint16_t id, const std::u16string& value) {
  if (value.empty()) {
    Remove(id);
    return;
  }
  std::vector<uint8_t> bytes;
  for (char16_t c : value) AppendValue<uint16_t>(bytes, c);
  AppendValue<uint16_t>(bytes, 0);
  AddOrUpdate(id, tdByte, static_cast<int32_t>(bytes.size()), bytes.data());
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
  exif.AddOrUpdate(subSecID, tdAscii, static_cast<int32_t>(subSec.size() + 1), subSec.c_str());
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

TExifTag& TExifSection::AddOrUpdate(uint16_t id, uint16_t dataType, int32_t elementCount, const void* data) {
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
    for (const auto& tag : source.FTags) AddOrUpdate(tag->ID(), tag->DataType(), tag->ElementCount(), tag->Data());
  } catch (...) {
    if (FOwner) FOwner->EndUpdate();
    throw;
  }
  if (FOwner) FOwner->EndUpdate();
}

}  // namespace vmx
