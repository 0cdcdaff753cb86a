#include "data/json/JSONNumber.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using Float = long double;
// The bits of the significand; every value is below 2^Beyond; the smallest one is 2^LowestBit.
constexpr int Digits = std::numeric_limits<Float>::digits;
constexpr int64_t Beyond = std::numeric_limits<Float>::max_exponent;
constexpr int64_t LowestBit = std::numeric_limits<Float>::min_exponent - Digits;
static_assert(Digits <= 64);

// Significant digits kept exactly; the rest count only as zero or not.
constexpr size_t MaxDigits = 800;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipDigits(const char* p, const char* end) {
  while (p != end && IsDigit(*p)) ++p;
  return p;
}

// A natural number of any size: 32-bit limbs, the lowest first, no zero limb on top.
class TNatural {
 public:
  bool IsZero() const { return FLimbs.empty(); }

  size_t BitLength() const {
    if (FLimbs.empty()) return 0;
    return 32 * (FLimbs.size() - 1) + size_t(32 - std::countl_zero(FLimbs.back()));
  }

  bool Bit(size_t i) const { return i / 32 < FLimbs.size() && (FLimbs[i / 32] >> (i % 32) & 1); }

  void SetBit(size_t i) {
    if (FLimbs.size() <= i / 32) FLimbs.resize(i / 32 + 1);
    FLimbs[i / 32] |= uint32_t(1) << (i % 32);
  }

  // Whether any bit below bit I is set.
  bool AnyBitBelow(size_t i) const {
    const size_t whole = std::min(i / 32, FLimbs.size());
    for (size_t k = 0; k < whole; ++k)
      if (FLimbs[k]) return true;
    return whole < FLimbs.size() && i % 32 && (FLimbs[whole] & ((uint32_t(1) << (i % 32)) - 1));
  }

  // The Count (at most 64) bits from bit From on.
  uint64_t Bits(size_t from, size_t count) const {
    uint64_t bits = 0;
    for (size_t k = count; k-- > 0;) bits = bits << 1 | uint64_t(Bit(from + k));
    return bits;
  }

  // This * Factor + Add.
  void MulAdd(uint32_t factor, uint32_t add) {
    uint64_t carry = add;
    for (uint32_t& limb : FLimbs) {
      carry += uint64_t(limb) * factor;
      limb = uint32_t(carry);
      carry >>= 32;
    }
    if (carry) FLimbs.push_back(uint32_t(carry));
  }

  void MulPowerOfTen(int64_t count) {
    for (; count >= 9; count -= 9) MulAdd(1'000'000'000, 0);
    uint32_t rest = 1;
    while (count-- > 0) rest *= 10;
    MulAdd(rest, 0);
  }

  void ShiftLeft(size_t bits) {
    if (IsZero() || bits == 0) return;
    const size_t limbs = bits / 32, rest = bits % 32;
    FLimbs.insert(FLimbs.begin(), limbs, 0);
    if (!rest) return;
    uint32_t carry = 0;
    for (size_t k = limbs; k < FLimbs.size(); ++k) {
      const uint32_t next = FLimbs[k] >> (32 - rest);
      FLimbs[k] = FLimbs[k] << rest | carry;
      carry = next;
    }
    if (carry) FLimbs.push_back(carry);
  }

  void HalveDown() {
    for (size_t k = 0; k < FLimbs.size(); ++k)
      FLimbs[k] = FLimbs[k] >> 1 | (k + 1 < FLimbs.size() ? FLimbs[k + 1] << 31 : 0);
    Trim();
  }

  bool NotBelow(const TNatural& other) const {
    if (FLimbs.size() != other.FLimbs.size()) return FLimbs.size() > other.FLimbs.size();
    for (size_t k = FLimbs.size(); k-- > 0;)
      if (FLimbs[k] != other.FLimbs[k]) return FLimbs[k] > other.FLimbs[k];
    return true;
  }

  // This - Other, which is not above this.
  void Subtract(const TNatural& other) {
    int64_t borrow = 0;
    for (size_t k = 0; k < FLimbs.size(); ++k) {
      int64_t difference = int64_t(FLimbs[k]) - borrow - (k < other.FLimbs.size() ? other.FLimbs[k] : 0);
      borrow = difference < 0;
      FLimbs[k] = uint32_t(difference + (borrow << 32));
    }
    Trim();
  }

 private:
  void Trim() {
    while (!FLimbs.empty() && FLimbs.back() == 0) FLimbs.pop_back();
  }

  std::vector<uint32_t> FLimbs;
};

// X * 2^Exponent, and something more than that when Inexact, rounded to the nearest Float (ties
// to even; X is not zero). False when that is beyond the largest Float.
bool Round(const TNatural& x, int64_t exponent, bool inexact, Float& value) {
  const auto length = int64_t(x.BitLength());
  const int64_t top = length - 1 + exponent;  // the power of two of the highest bit
  if (top >= Beyond) return false;
  int64_t low = std::max(top - (Digits - 1), LowestBit);  // of the lowest bit kept
  const int64_t dropped = low - exponent;
  uint64_t kept;
  if (dropped <= 0) {
    kept = x.Bits(0, size_t(length)) << -dropped;  // then X has at most Digits bits
  } else {
    kept = dropped < length ? x.Bits(size_t(dropped), size_t(length - dropped)) : 0;
    const bool half = x.Bit(size_t(dropped - 1));
    if (half && (inexact || (kept & 1) || x.AnyBitBelow(size_t(dropped - 1)))) {
      ++kept;
      bool carried;  // into a bit more than the significand holds
      if constexpr (Digits == 64)
        carried = kept == 0;
      else
        carried = kept >> Digits != 0;
      if (carried) {
        kept = uint64_t(1) << (Digits - 1);
        if (++low + Digits - 1 >= Beyond) return false;
      }
    }
  }
  value = std::ldexp(Float(kept), int(low));  // exact: Kept fits the significand at Low
  return true;
}

}  // namespace

const char* SkipJSONNumber(const char* p, const char* end) {
  if (p != end && (*p == '+' || *p == '-')) ++p;
  if (p == end || !IsDigit(*p)) return nullptr;
  p = SkipDigits(p, end);
  if (p != end && *p == '.') {
    if (++p == end || !IsDigit(*p)) return nullptr;
    p = SkipDigits(p, end);
  }
  if (p != end && (*p == 'e' || *p == 'E')) {
    if (++p != end && (*p == '+' || *p == '-')) ++p;
    if (p == end || !IsDigit(*p)) return nullptr;
    p = SkipDigits(p, end);
  }
  return p;
}

bool JSONNumberValue(std::string_view number, Float& value) {
  const char* p = number.data();
  const char* const end = p + number.size();
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;

  // The value is Significant * 10^Exponent; Significant has no zero at either end.
  std::string significant;
  int64_t exponent = 0;
  bool inexact = false;  // digits beyond MaxDigits that are not all zero
  bool fraction = false;
  for (; p != end && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      fraction = true;
      continue;
    }
    if (fraction) --exponent;
    if (significant.size() == MaxDigits) {
      ++exponent;
      inexact = inexact || *p != '0';
    } else if (*p != '0' || !significant.empty()) {
      significant += *p;
    }
  }
  if (p != end) {
    ++p;
    const bool down = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    int64_t power = 0;
    for (; p != end; ++p) power = std::min<int64_t>(power * 10 + (*p - '0'), 1'000'000'000);
    exponent += down ? -power : power;
  }

  if (inexact) {
    significant += '1';  // stands for the digits beyond, which lie strictly between all 0 and all 9
    --exponent;
  }
  while (!significant.empty() && significant.back() == '0') {
    significant.pop_back();
    ++exponent;
  }
  if (significant.empty()) {
    value = negative ? -Float(0) : Float(0);
    return true;
  }

  // The value lies in [10^(magnitude - 1), 10^magnitude).
  const int64_t magnitude = int64_t(significant.size()) + exponent;
  if (magnitude > std::numeric_limits<Float>::max_exponent10 + 1) return false;
  if (magnitude < std::numeric_limits<Float>::min_exponent10 - std::numeric_limits<Float>::digits10 - 3) {
    value = negative ? -Float(0) : Float(0);
    return true;
  }

  if (exponent >= 0 && magnitude <= 19) {
    // Below 10^19, so an exact 64-bit integer, which Float holds exactly or rounds once.
    uint64_t whole = 0;
    for (const char digit : significant) whole = whole * 10 + uint64_t(digit - '0');
    for (int64_t k = 0; k < exponent; ++k) whole *= 10;
    value = negative ? -Float(whole) : Float(whole);
    return true;
  }

  TNatural x;
  for (size_t i = 0; i < significant.size(); i += 9) {
    const size_t count = std::min<size_t>(9, significant.size() - i);
    uint32_t chunk = 0, scale = 1;
    for (size_t k = 0; k < count; ++k) {
      chunk = chunk * 10 + uint32_t(significant[i + k] - '0');
      scale *= 10;
    }
    x.MulAdd(scale, chunk);
  }

  bool inRange;
  if (exponent >= 0) {
    x.MulPowerOfTen(exponent);
    inRange = Round(x, 0, false, value);
  } else {
    // X / 10^-Exponent: a quotient of at least Digits + 2 bits, and whether anything remains.
    TNatural divisor;
    divisor.MulAdd(0, 1);
    divisor.MulPowerOfTen(-exponent);
    const int64_t scale = std::max<int64_t>(0, int64_t(divisor.BitLength()) - int64_t(x.BitLength()) + Digits + 2);
    x.ShiftLeft(size_t(scale));
    const int64_t top = int64_t(x.BitLength()) - int64_t(divisor.BitLength());
    divisor.ShiftLeft(size_t(top));
    TNatural quotient;
    for (int64_t bit = top; bit >= 0; --bit) {
      if (x.NotBelow(divisor)) {
        x.Subtract(divisor);
        quotient.SetBit(size_t(bit));
      }
      divisor.HalveDown();
    }
    inRange = Round(quotient, -scale, !x.IsZero(), value);
  }
  if (negative) value = -value;
  return inRange;
}
