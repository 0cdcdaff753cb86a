// Tags and sections changed, added and removed, and tags written back as directory entries.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.Internal.h"

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
