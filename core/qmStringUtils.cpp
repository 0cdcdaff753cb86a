// String routines shared by the whole program.
#include "core/qmStringUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

#include "core/Unicode.h"

namespace {

const std::string_view EncodedLineBreak = "#13#10";
const std::string_view LineBreak = "\r\n";

// Every occurrence of From in S replaced by To, scanning left to right.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(s.size());
  size_t start = 0;
  for (size_t found = s.find(from); found != std::string_view::npos; found = s.find(from, start)) {
    result.append(s.substr(start, found - start));
    result.append(to);
    start = found + from.size();
  }
  result.append(s.substr(start));
  return result;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool AsciiSameChar(char a, char b) { return AsciiUpper(a) == AsciiUpper(b); }

// ---------------------------------------------------------------------------------------------
// The wildcard match.
//
// Matches(i, j) tells whether text[i..] matches mask[j..]. The rules, tried in this order:
//   1. the remaining mask is exactly "*": a match, whatever text remains;
//   2. the text is used up: a match only when the mask is used up too;
//   3. "*": Matches(i, j + 1) or Matches(i + 1, j);
//   4. "?": Matches(i + 1, j + 1);
//   5. anything else, the mask's end included, must equal the text byte: Matches(i + 1, j + 1).
// Each value needs only values of the next text position and of the next mask position, so the
// table is filled from the ends backwards, one row per text position, keeping a single row.

class TWildcardMatcher {
 public:
  TWildcardMatcher(std::string_view text, std::string_view mask) : FText(text), FMask(mask) {}

  // Row must hold len(mask) + 1 entries.
  bool Run(std::span<bool> row) const {
    FillTextEndRow(row);
    for (size_t i = FText.size(); i-- > 0;) FillRow(i, row);
    return row[0];
  }

 private:
  std::string_view FText;
  std::string_view FMask;

  // Rule 1: only the mask's last position can leave exactly "*".
  bool IsFinalStar(size_t j) const { return j + 1 == FMask.size() && FMask[j] == '*'; }

  // Rules 1 and 2, with the text used up.
  void FillTextEndRow(std::span<bool> row) const {
    for (size_t j = 0; j <= FMask.size(); ++j) row[j] = IsFinalStar(j) || j == FMask.size();
  }

  // On entry Row holds Matches(i + 1, .); on exit Matches(i, .).
  void FillRow(size_t i, std::span<bool> row) const {
    const size_t m = FMask.size();
    bool nextBoth = false;  // Matches(i + 1, j + 1), before that entry was overwritten
    for (size_t j = m + 1; j-- > 0;) {
      const bool nextText = row[j];  // Matches(i + 1, j)
      bool value;
      if (j == m)
        value = false;  // rule 5: the mask's end never equals a text byte
      else if (IsFinalStar(j))
        value = true;
      else if (FMask[j] == '*')
        value = row[j + 1] || nextText;  // row[j + 1] already holds Matches(i, j + 1)
      else if (FMask[j] == '?')
        value = nextBoth;
      else
        value = FMask[j] == FText[i] && nextBoth;
      nextBoth = nextText;
      row[j] = value;
    }
  }
};

// Before the first star, rules 4 and 5 leave no choice: text and mask advance together.
// False when they part; otherwise both lose the prefix that matched and Mask is empty or starts
// with a star.
bool MatchUpToFirstStar(std::string_view& text, std::string_view& mask) {
  size_t i = 0;
  for (; i < mask.size() && mask[i] != '*'; ++i) {
    if (i == text.size() || (mask[i] != '?' && mask[i] != text[i])) return false;
  }
  text.remove_prefix(i);
  mask.remove_prefix(i);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Case mapping in the ANSI code page, which is UTF-8.
//
// Covered: ASCII, Latin-1 Supplement, Latin Extended-A, the Greek letters and the Cyrillic
// letters up to U+04FF. All of them, and their partners, are one- or two-byte sequences, and a
// letter and its partner take the same number of bytes, so mapping never changes the length.
// Letters whose partner would be ASCII or which have no single-letter partner (dotless i,
// dotted capital I, long s, sharp s, kra, micro sign, the Greek vowels with diaeresis and accent)
// stay as they are.
// The bytes of a bad piece of ill-formed text are copied unchanged.

using TCodePoint = int32_t;

struct TCaseRange {
  TCodePoint First, Last;
  // Block: First..Last are capitals, each small letter is the capital + Delta.
  // Alternating: First..Last run capital, small, capital, small ...; Delta is 1.
  int32_t Delta;
  bool Alternating;
};

constexpr std::array<TCaseRange, 22> CaseRanges{{
    {0x0041, 0x005A, 0x20, false},   // A-Z
    {0x00C0, 0x00D6, 0x20, false},   // À-Ö
    {0x00D8, 0x00DE, 0x20, false},   // Ø-Þ
    {0x0178, 0x0178, -0x79, false},  // Ÿ - ÿ
    {0x0100, 0x012F, 1, true},       // Ā ā ... Į į
    {0x0132, 0x0137, 1, true},       // Ĳ ĳ ... Ķ ķ
    {0x0139, 0x0148, 1, true},       // Ĺ ĺ ... Ň ň
    {0x014A, 0x0177, 1, true},       // Ŋ ŋ ... Ŷ ŷ
    {0x0179, 0x017E, 1, true},       // Ź ź ... Ž ž
    {0x0386, 0x0386, 0x26, false},   // Ά - ά
    {0x0388, 0x038A, 0x25, false},   // Έ Ή Ί
    {0x038C, 0x038C, 0x40, false},   // Ό
    {0x038E, 0x038F, 0x3F, false},   // Ύ Ώ
    {0x0391, 0x03A1, 0x20, false},   // Α-Ρ
    {0x03A3, 0x03AB, 0x20, false},   // Σ-Ϋ
    {0x0400, 0x040F, 0x50, false},   // Ѐ-Џ
    {0x0410, 0x042F, 0x20, false},   // А-Я
    {0x0460, 0x0481, 1, true},       // Ѡ ѡ ... Ҁ ҁ
    {0x048A, 0x04BF, 1, true},       // Ҋ ҋ ... Ҿ ҿ
    {0x04C0, 0x04C0, 0x0F, false},   // Ӏ - ӏ
    {0x04C1, 0x04CE, 1, true},       // Ӂ ӂ ... Ӎ ӎ
    {0x04D0, 0x04FF, 1, true},       // Ӑ ӑ ... Ӿ ӿ
}};

constexpr TCodePoint GreekFinalSigma = 0x03C2;
constexpr TCodePoint GreekCapitalSigma = 0x03A3;

TCodePoint ToUpperCodePoint(TCodePoint c) {
  if (c == GreekFinalSigma) return GreekCapitalSigma;
  for (const TCaseRange& r : CaseRanges) {
    if (r.Alternating) {
      if (c >= r.First && c <= r.Last && (c - r.First) % 2 == 1) return c - 1;
    } else if (c >= r.First + r.Delta && c <= r.Last + r.Delta) {
      return c - r.Delta;
    }
  }
  return c;
}

TCodePoint ToLowerCodePoint(TCodePoint c) {
  for (const TCaseRange& r : CaseRanges) {
    if (c < r.First || c > r.Last) continue;
    if (!r.Alternating) return c + r.Delta;
    return (c - r.First) % 2 == 0 ? c + 1 : c;
  }
  return c;
}

template <class Mapping>
std::string MapLetters(std::string_view s, Mapping map) {
  std::string result;
  result.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {  // ASCII, by far the most common
      result += static_cast<char>(map(s[i++]));
      continue;
    }
    const TUtf8Char c = Utf8CharAt(s, i);
    // Every letter mapped has a partner of its own length; a bad piece is left as it is.
    if (c.Valid)
      AppendUtf8(result, static_cast<char32_t>(map(static_cast<TCodePoint>(c.Code))));
    else
      result.append(s.substr(i, c.Length));
    i += c.Length;
  }
  return result;
}

}  // namespace

int PosEx(std::string_view subStr, std::string_view s, int offset) {
  if (subStr.empty()) return 0;
  const size_t start = static_cast<size_t>(std::max(offset, 0));
  if (start >= s.size()) return 0;
  const size_t found = s.find(subStr, start);
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

bool MatchesWildcard(std::string_view text, std::string_view mask) {
  if (!MatchUpToFirstStar(text, mask)) return false;
  if (mask.empty()) return text.empty();
  if (mask == "*") return true;  // the common trailing star of a magic word
  const TWildcardMatcher matcher(text, mask);
  constexpr size_t ShortMask = 64;
  if (mask.size() < ShortMask) {
    std::array<bool, ShortMask> row{};
    return matcher.Run(std::span<bool>(row.data(), mask.size() + 1));
  }
  const auto row = std::make_unique<bool[]>(mask.size() + 1);
  return matcher.Run(std::span<bool>(row.get(), mask.size() + 1));
}

void SplitByChars(std::string_view s, TStringList& strings, std::string_view delimiters) {
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && delimiters.find(s[i]) == std::string_view::npos) continue;
    if (i > start) strings.emplace_back(s.substr(start, i - start));
    start = i + 1;
  }
}

std::string EncodeLineBreaks(std::string_view s) { return ReplaceAll(s, LineBreak, EncodedLineBreak); }

std::string DecodeLineBreaks(std::string_view s) { return ReplaceAll(s, EncodedLineBreak, LineBreak); }

namespace {

struct TLineCode {
  std::string_view Code, Text;
};
constexpr TLineCode LineCodes[] = {{"#13#10", "\r\n"}, {"#13#00", "\r"}, {"#00#10", "\n"}, {"#35#35", "#"}};
constexpr size_t LineCodeSize = 6;

}  // namespace

std::string EncodeTextLine(std::string_view s) {
  // Written from the end: whether a "#" needs its code depends on what follows it as written.
  std::string reversed;
  reversed.reserve(s.size());
  const auto startsCode = [&reversed] {
    if (reversed.size() < LineCodeSize - 1) return false;
    const std::string next(reversed.rbegin(), reversed.rbegin() + LineCodeSize - 1);
    return std::any_of(std::begin(LineCodes), std::end(LineCodes),
                       [&next](const TLineCode& code) { return code.Code.substr(1) == next; });
  };
  for (size_t i = s.size(); i-- > 0;) {
    std::string_view code;
    if (s[i] == '\n' && i > 0 && s[i - 1] == '\r') {
      code = LineCodes[0].Code;
      --i;
    } else if (s[i] == '\r') {
      code = LineCodes[1].Code;
    } else if (s[i] == '\n') {
      code = LineCodes[2].Code;
    } else if (s[i] == '#' && startsCode()) {
      code = LineCodes[3].Code;
    }
    if (code.empty())
      reversed += s[i];
    else
      reversed.append(code.rbegin(), code.rend());
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

std::string DecodeTextLine(std::string_view s) {
  std::string result;
  result.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto code = s[i] != '#' ? std::end(LineCodes)
                                  : std::find_if(std::begin(LineCodes), std::end(LineCodes),
                                                 [&](const TLineCode& c) { return s.substr(i).starts_with(c.Code); });
    if (code == std::end(LineCodes)) {
      result += s[i++];
    } else {
      result += code->Text;
      i += LineCodeSize;
    }
  }
  return result;
}

std::string UpperCase(std::string_view s) {
  std::string result(s);
  std::transform(result.begin(), result.end(), result.begin(), AsciiUpper);
  return result;
}

std::string AnsiUpperCase(std::string_view s) { return MapLetters(s, ToUpperCodePoint); }

std::string AnsiLowerCase(std::string_view s) { return MapLetters(s, ToLowerCodePoint); }

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), AsciiSameChar);
}

// Upper-casing folds the Greek final sigma together with the other small sigma, so the
// comparison goes through capitals. Mapping keeps the length, so different lengths never match.
bool AnsiSameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AnsiUpperCase(a) == AnsiUpperCase(b);
}

std::string Trim(std::string_view s) {
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  const auto first = std::find_if_not(s.begin(), s.end(), isBlank);
  const auto last = std::find_if_not(s.rbegin(), s.rend(), isBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

bool StartsText(std::string_view prefix, std::string_view s) {
  return prefix.size() <= s.size() && SameText(prefix, s.substr(0, prefix.size()));
}

std::vector<std::string_view> Utf8Chars(std::string_view s) {
  std::vector<std::string_view> chars;
  for (size_t start = 0; start < s.size(); start += chars.back().size())
    chars.push_back(s.substr(start, Utf8CharLength(s, start)));
  return chars;
}

std::string GeneralNumberText(double value, std::string_view decimalSeparator, int exponentDigits) {
  constexpr int Precision = 15;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  // The digits rounded to the precision, and the power of ten of the first one.
  char scientific[40];
  std::snprintf(scientific, sizeof scientific, "%.*e", Precision - 1, std::fabs(value));
  const char* e = std::strchr(scientific, 'e');
  const int exponent = std::atoi(e + 1);
  std::string digits(1, scientific[0]);
  digits.append(scientific + 2, static_cast<size_t>(e - scientific - 2));  // the digits after the point
  digits.erase(digits.find_last_not_of('0') + 1);
  if (digits.empty()) return "0";

  std::string text = value < 0 ? "-" : "";
  if (exponent >= Precision || exponent < -5) {
    text += digits[0];
    if (digits.size() > 1) text.append(decimalSeparator).append(digits, 1);
    std::string power = std::to_string(std::abs(exponent));
    if (static_cast<int>(power.size()) < exponentDigits) power.insert(0, exponentDigits - power.size(), '0');
    return text + "E" + (exponent < 0 ? "-" : "") + power;
  }
  if (exponent < 0) return text.append("0").append(decimalSeparator).append(-exponent - 1, '0') + digits;
  const size_t whole = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= whole) return text + digits + std::string(whole - digits.size(), '0');
  return text + digits.substr(0, whole) + std::string(decimalSeparator) + digits.substr(whole);
}
