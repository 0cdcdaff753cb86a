// What the files of the TIFF layer (Vmx.Exif.Values, .Read, .Write and .Setters) share beyond
// Vmx.Exif.h; no reader of Exif data needs it.
#pragma once

#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>

#include "metadata/Vmx.Exif.h"

namespace vmx {

static_assert(std::endian::native == std::endian::little, "tag data is held in little-endian order");

constexpr TDateTime MsPerDay = 86400000.0;

inline bool ParseInt(std::string_view s, int& value) {
  if (s.empty()) return false;
  const char* first = s.data();
  if (*first == '+') ++first;
  const auto [end, error] = std::from_chars(first, s.data() + s.size(), value);
  return error == std::errc() && end == s.data() + s.size();
}

inline bool IsWindowsXPTextTag(const TExifTag& tag) {
  return tag.DataType() == tdByte && tag.ID() >= ttag::XPTitle && tag.ID() <= ttag::XPSubject && tag.Section() &&
         tag.Section()->Kind() == esPrimary;
}

// Runs Work inside one update bracket of Owner, which is closed also when Work raises.
template <class Work>
void InUpdate(IExifSectionOwner& owner, Work&& work) {
  owner.BeginUpdate();
  try {
    work();
  } catch (...) {
    owner.EndUpdate();
    throw;
  }
  owner.EndUpdate();
}

template <class T>
T ElementAt(const TExifTag& tag, int32_t index) {
  T value;
  std::memcpy(&value, tag.Data() + int64_t{index} * static_cast<int64_t>(sizeof(T)), sizeof(T));
  return value;
}

}  // namespace vmx
