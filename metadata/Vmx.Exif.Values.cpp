// The values of the TIFF layer that stand on their own: dates and times, data types and rationals.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/CivilDate.h"
#include "metadata/Vmx.Exif.Internal.h"

namespace vmx {

// --- dates ---------------------------------------------------------------------------------

namespace {

constexpr int64_t DelphiEpochDays = -25569;  // 30 December 1899 from 1 January 1970

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

bool ParseUInt32(std::string_view s, uint32_t& value) {
  uint64_t wide = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), wide);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || wide > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(wide);
  return true;
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

}  // namespace vmx
