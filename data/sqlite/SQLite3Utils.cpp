#include "data/sqlite/SQLite3Utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/CivilDate.h"
#include "os/os.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr int64_t kUnixEpochInDelphiDays = 25569;  // 1 January 1970 after 30 December 1899
constexpr double kMsPerDay = 86400000.0;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// The digit runs of Text, each as a number; false when a run is too long to be a number, or when
// a character is neither a digit nor a separator (a blank or ASCII punctuation): a letter ("PM",
// a word after the date) is not skipped, so such a text is never read as another moment.
bool NumberRuns(const std::string& text, std::vector<int>& numbers, std::vector<size_t>* lengths = nullptr) {
  size_t i = 0;
  while (i < text.size()) {
    if (!IsDigit(text[i])) {
      if (static_cast<unsigned char>(text[i]) >= 128 || IsLetter(text[i])) return false;
      ++i;
      continue;
    }
    size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i - start > 9) return false;
    numbers.push_back(std::stoi(text.substr(start, i - start)));
    if (lengths) lengths->push_back(i - start);
  }
  return true;
}

// The fixed-position number of a SQLite date-time text; EConvertError when it is none.
int FixedNumber(const std::string& text, size_t start, size_t length) {
  int value = 0;
  if (start >= text.size()) throw EConvertError("'" + text + "' is not a valid date and time");
  const auto piece = text.substr(start, length);
  auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (error != std::errc() || end != piece.data() + piece.size() || piece.size() != length)
    throw EConvertError("'" + text + "' is not a valid date and time");
  return value;
}

}  // namespace

TDataSetExceptionHandler& DataSetExceptionHandler() {
  static TDataSetExceptionHandler handler;
  return handler;
}

void HandleDataSetException(TComponent& dataSet) {
  const TDataSetExceptionHandler& handler = DataSetExceptionHandler();
  if (!handler) throw;
  handler(std::current_exception(), dataSet);
}

bool IsBlobType(TFieldType type) {
  switch (type) {
    case TFieldType::ftBlob:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftVariant:
      return true;
    default:
      return false;
  }
}

bool IsTextType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftWideString || IsBlobType(type);
}

bool IsNumericType(TFieldType type) {
  switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
      return true;
    default:
      return false;
  }
}

bool IsDateTimeType(TFieldType type) {
  return type == TFieldType::ftDate || type == TFieldType::ftTime || type == TFieldType::ftDateTime ||
         type == TFieldType::ftTimeStamp;
}

bool IsIntegerType(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftWord ||
         type == TFieldType::ftLargeint;
}

bool IsFloatType(TFieldType type) {
  return type == TFieldType::ftFloat || type == TFieldType::ftCurrency || type == TFieldType::ftBCD;
}

namespace {

// Blob-like types whose bytes are text (memos) rather than binary data.
bool IsMemoType(TFieldType type) { return type == TFieldType::ftMemo || type == TFieldType::ftFmtMemo; }

}  // namespace

bool IsBinaryType(TFieldType type) { return IsBlobType(type) && !IsMemoType(type); }

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  result = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochInDelphiDays);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
    return false;
  result = ((hour * 60.0 + minute) * 60.0 + second + msec / 1000.0) / 86400.0;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, msec, result)) throw EConvertError("Invalid argument to time encode");
  return result;
}

namespace {
// Whole milliseconds since 30 December 1899, rounded.
int64_t TotalMilliseconds(TDateTime value) { return static_cast<int64_t>(std::llround(value * kMsPerDay)); }
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  const int64_t days = FloorDiv(TotalMilliseconds(value), 86400000);
  CivilFromDays(days - kUnixEpochInDelphiDays, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  const int64_t total = TotalMilliseconds(value);
  int64_t ms = total - FloorDiv(total, 86400000) * 86400000;
  msec = static_cast<int>(ms % 1000);
  ms /= 1000;
  second = static_cast<int>(ms % 60);
  ms /= 60;
  minute = static_cast<int>(ms % 60);
  hour = static_cast<int>(ms / 60);
}

std::string FormatDateTime(const std::string& format, TDateTime value) {
  int year, month, day, hour, minute, second, msec;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, msec);
  std::string result;
  char buffer[16];
  auto put = [&](int number, int width) {
    std::snprintf(buffer, sizeof buffer, "%0*d", width, number);
    result += buffer;
  };
  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const size_t close = format.find(c, i + 1);
      const size_t end = close == std::string::npos ? format.size() : close;
      result.append(format, i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    const char letter = AsciiLower(c);
    size_t count = 1;
    while (i + count < format.size() && AsciiLower(format[i + count]) == letter) ++count;
    switch (letter) {
      case 'y':
        count >= 4 ? put(year, 4) : put(year % 100, 2);
        break;
      case 'm':
        put(month, count >= 2 ? 2 : 1);
        break;
      case 'd':
        put(day, count >= 2 ? 2 : 1);
        break;
      case 'h':
        put(hour, count >= 2 ? 2 : 1);
        break;
      case 'n':
        put(minute, count >= 2 ? 2 : 1);
        break;
      case 's':
        put(second, count >= 2 ? 2 : 1);
        break;
      case 'z':
        put(msec, count >= 3 ? 3 : 1);
        break;
      default:
        result.append(format, i, count);
        break;
    }
    i += count;
  }
  return result;
}

bool TryParseDate(const std::string& text, const std::string& format, TDateTime& result) {
  std::string order;
  for (char c : format) {
    const char letter = AsciiLower(c);
    if ((letter == 'y' || letter == 'm' || letter == 'd') && order.find(letter) == std::string::npos) order += letter;
  }
  if (order.size() != 3) return false;
  std::vector<int> numbers;
  std::vector<size_t> lengths;
  if (!NumberRuns(text, numbers, &lengths) || numbers.size() != 3) return false;
  int year = 0, month = 0, day = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (order[i] == 'y') {
      year = numbers[i];
      if (lengths[i] <= 2) year += year < 50 ? 2000 : 1900;
    } else if (order[i] == 'm') {
      month = numbers[i];
    } else {
      day = numbers[i];
    }
  }
  return TryEncodeDate(year, month, day, result);
}

bool TryParseTime(const std::string& text, TDateTime& result) {
  std::vector<int> numbers;
  if (text.empty() || !NumberRuns(text, numbers) || numbers.size() < 2 || numbers.size() > 4) return false;
  numbers.resize(4, 0);
  return TryEncodeTime(numbers[0], numbers[1], numbers[2], numbers[3], result);
}

void GetFieldInfo(const std::string& declaredType, TFieldType& fieldType, int& size, int& precision) {
  fieldType = TFieldType::ftString;
  size = 255;
  precision = 0;
  const std::string text = LowerCase(declaredType);
  const size_t open = text.find('(');
  const size_t close = text.find(')');
  auto number = [](const std::string& s, int& value) {
    const std::string t = TrimText(s);
    auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    // A size of a billion or more is no real column: it falls back like any other odd type.
    return error == std::errc() && end == t.data() + t.size() && !t.empty() && value >= 0 && value < 1000000000;
  };
  if (open != std::string::npos && close != std::string::npos && close > open) {
    const std::string base = text.substr(0, open);
    const std::string digits = text.substr(open + 1, close - open - 1);
    int value = 0;
    // A length that is no number ("max") keeps the start values.
    if (base == "varchar" || base == "char" || base == "varchar2") {
      if (number(digits, value)) size = value;
    } else if (base == "nvarchar" || base == "nchar" || base == "nvarchar2") {
      if (number(digits, value)) {
        fieldType = TFieldType::ftWideString;
        size = 2 * value;
      }
    } else if (base == "numeric") {
      size_t separator = digits.find('.');
      if (separator == std::string::npos) separator = digits.find(',');
      int digitsBefore = 0, decimals = 0;
      if (separator == std::string::npos) {
        if (number(digits, digitsBefore)) {
          fieldType = TFieldType::ftFloat;
          size = digitsBefore;
        }
      } else if (number(digits.substr(0, separator), digitsBefore) &&
                 number(digits.substr(separator + 1, 2), decimals)) {
        fieldType = TFieldType::ftFloat;
        size = digitsBefore;
        precision = decimals;
      }
    }
    return;
  }
  if (open != std::string::npos) {
    size = 256;
    return;
  }
  struct Row {
    const char* keyword;
    TFieldType type;
    int size;
  };
  static const Row table[] = {
      {"date", TFieldType::ftDate, 10},
      {"datetime", TFieldType::ftDateTime, 24},
      {"time", TFieldType::ftTime, 12},
      {"timestamp", TFieldType::ftTimeStamp, 12},
      {"integer", TFieldType::ftInteger, 12},
      {"int", TFieldType::ftInteger, 12},
      {"float", TFieldType::ftFloat, 12},
      {"real", TFieldType::ftFloat, 12},
      {"boolean", TFieldType::ftBoolean, 2},
      {"logical", TFieldType::ftBoolean, 2},
      {"char", TFieldType::ftString, 1},
      {"byte", TFieldType::ftString, 1},
      {"shorttext", TFieldType::ftString, 255},
      {"string", TFieldType::ftString, 255},
      {"widetext", TFieldType::ftWideString, 512},
      {"widestring", TFieldType::ftWideString, 512},
      {"currency", TFieldType::ftCurrency, 10},
      {"financial", TFieldType::ftCurrency, 10},
      {"money", TFieldType::ftCurrency, 10},
      {"blob", TFieldType::ftBlob, 4},
      {"graphic", TFieldType::ftGraphic, 4},
      {"clob", TFieldType::ftMemo, 4},
      {"memo", TFieldType::ftMemo, 4},
      {"text", TFieldType::ftMemo, 4},
      {"longtext", TFieldType::ftMemo, 4},
      {"nclob", TFieldType::ftWideString, 60},
      {"nmemo", TFieldType::ftWideString, 60},
      {"ntext", TFieldType::ftWideString, 60},
      {"nlongtext", TFieldType::ftWideString, 60},
  };
  for (const Row& row : table)
    if (text == row.keyword) {
      fieldType = row.type;
      size = row.size;
      return;
    }
}

std::string UserDecimalSeparator() { return os::DecimalSeparator(); }

std::string LocalizeDecimalPoint(const std::string& text, const std::string& separator) {
  std::string result = text;
  const size_t point = result.find('.');
  if (point != std::string::npos && !separator.empty() && separator != ".") result.replace(point, 1, separator);
  return result;
}

double TextToExtended(const std::string& text, const std::string& separator) {
  std::string t = TrimText(text);
  if (!separator.empty() && separator != ".") {
    if (t.find('.') != std::string::npos) return 0;
    const size_t at = t.find(separator);
    if (at != std::string::npos) t.replace(at, separator.size(), ".");
  }
  double value = 0;
  auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(value)) return 0;
  return value;
}

double SQLiteTextToFloat(const std::string& text, const std::string& separator) {
  return TextToExtended(LocalizeDecimalPoint(text, separator), separator);
}

int64_t TextToInteger(const std::string& text) {
  const std::string t = TrimText(text);
  const char* first = t.data();
  if (!t.empty() && t[0] == '+') ++first;
  int64_t value = 0;
  auto [end, error] = std::from_chars(first, t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size()) return 0;
  return value;
}

bool TextToBool(const std::string& text) {
  const std::string t = LowerCase(TrimText(text));
  if (t == "true" || t == "t" || t == "yes" || t == "y") return true;
  if (t == "false" || t == "f" || t == "no" || t == "n" || t.empty()) return false;
  return SQLiteTextToFloat(t) != 0;
}

TDateTime TextToDate(const std::string& text, const TFormatSettings& settings) {
  TDateTime result = 0;
  if (TryParseDate(text, settings.ShortDateFormat, result)) return result;
  if (TryParseDate(text, "dd-mm-yyyy", result)) return result;
  if (TryParseDate(text, "yyyy-mm-dd", result)) return result;
  return EncodeDate(1900, 1, 1);
}

TDateTime TextToTime(const std::string& text) {
  std::string rest = text;
  const size_t blank = rest.find(' ');
  if (blank != std::string::npos) rest.erase(0, blank + 1);
  const size_t dot = rest.find('.');
  if (dot != std::string::npos) rest.erase(dot);
  TDateTime result = 0;
  return TryParseTime(rest, result) ? result : 0;
}

TDateTime TextToDateTime(const std::string& text, const TFormatSettings& settings) {
  if (text.empty()) return 0;
  const size_t blank = text.find(' ');
  TDateTime date = 0, time = 0;
  if (blank != std::string::npos && TryParseDate(text.substr(0, blank), settings.ShortDateFormat, date) &&
      TryParseTime(text.substr(blank + 1), time))
    return date + time;
  if (blank == std::string::npos && TryParseDate(text, settings.ShortDateFormat, date)) return date;
  return TextToDate(text, settings);
}

TDateTime SQLiteTextToDateTime(const std::string& text) {
  if (text.size() < 10) return 0;
  TDateTime result = 0;
  if (!TryEncodeDate(FixedNumber(text, 0, 4), FixedNumber(text, 5, 2), FixedNumber(text, 8, 2), result))
    throw EConvertError("'" + text + "' is not a valid date");
  if (text.size() <= 10) return result;
  const int hour = FixedNumber(text, 11, 2);
  const int minute = FixedNumber(text, 14, 2);
  const int second = text.size() > 16 ? FixedNumber(text, 17, 2) : 0;
  int msec = 0;
  if (text.size() > 19) {
    // ".5" is half a second: the digits are a fraction, read to milliseconds. Up to three
    // characters are read, all digits ("03:00:00 PM" is no time of this form).
    const std::string digits = text.substr(20, 3);
    if (!std::all_of(digits.begin(), digits.end(), IsDigit))
      throw EConvertError("'" + text + "' is not a valid date and time");
    msec = digits.empty() ? 0 : FixedNumber(digits + std::string(3 - digits.size(), '0'), 0, 3);
  }
  TDateTime time = 0;
  if (!TryEncodeTime(hour, minute, second, msec, time)) throw EConvertError("'" + text + "' is not a valid time");
  return result + time;
}

std::string FloatToSQLText(double value) {
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return "0";
  return std::string(buffer, end);
}

void ScanSQLMacro(const std::string& text, size_t& position, TMacroToken& kind, std::string& token) {
  for (;;) {
    token.clear();
    kind = mtEnd;
    while (position <= text.size() && static_cast<unsigned char>(text[position - 1]) <= 32) ++position;
    if (position > text.size()) return;
    const size_t i = position - 1;
    const char c = text[i];
    if (c == '!') {
      SkipToLineEnd(text, position);
      continue;
    }
    kind = mtNone;
    if (IsLetter(c)) {
      kind = mtName;
      size_t end = i;
      while (end < text.size() && IsNameChar(text[end])) ++end;
      token = text.substr(i, end - i);
      position = end + 1;
    } else if (IsDigit(c) || c == '-') {
      size_t end = i;
      while (end < text.size() && (IsDigit(text[end]) || text[end] == '-' || text[end] == '.')) ++end;
      token = text.substr(i, end - i);
      position = end + 1;
      kind = token.find('.') != std::string::npos ? mtFloat : mtInteger;
      // The canonical form of the number; a token that is none stays as written.
      if (kind == mtInteger) {
        int64_t value = 0;
        auto [last, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (error == std::errc() && last == token.data() + token.size()) token = std::to_string(value);
      } else {
        double value = 0;
        auto [last, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (error == std::errc() && last == token.data() + token.size()) token = FloatToSQLText(value);
      }
    } else if (c == ':') {
      const bool assign = i + 1 < text.size() && text[i + 1] == '=';
      kind = assign ? mtAssign : mtParam;
      token = assign ? ":=" : ":";
      position += assign ? 2 : 1;
    } else if (c == '\'' || c == '"') {
      kind = c == '\'' ? mtString : mtQuotedName;
      const size_t close = text.find(c, i + 1);
      const size_t end = close == std::string::npos ? text.size() : close;
      token = text.substr(i + 1, end - i - 1);
      position = end + 2;
    } else if (c == '<' || c == '=' || c == '>') {
      kind = mtCompare;
      token = std::string(1, c);
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if ((c == '<' && (next == '=' || next == '>')) || (c == '>' && (next == '=' || next == '<'))) token += next;
      position += token.size();
    } else {
      token = std::string(1, c);
      ++position;
    }
    return;
  }
}

bool SkipToLineEnd(const std::string& text, size_t& position) {
  if (position > text.size()) return false;
  while (position <= text.size() && text[position - 1] != '\r' && text[position - 1] != '\n') ++position;
  return true;
}

bool SyntaxCheck(const std::string& token, const std::string& expected) {
  if (!SameText(token, expected)) throw ESqlite3Error("SQL macro syntax error on sql, expected " + expected);
  return true;
}

TParsedSQL ParseSQLParams(const std::string& sql) {
  TParsedSQL result;
  std::string& out = result.SQL;
  out.reserve(sql.size());
  size_t i = 0;
  auto copyUntil = [&](const std::string& closing) {
    const size_t end = sql.find(closing, i);
    const size_t stop = end == std::string::npos ? sql.size() : end + closing.size();
    out.append(sql, i, stop - i);
    i = stop;
  };
  while (i < sql.size()) {
    const char c = sql[i];
    const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    if (c == '\'' || c == '"' || c == '`') {
      out += c;
      ++i;
      copyUntil(std::string(1, c));  // a doubled quote is two quoted pieces in a row
    } else if (c == '[') {
      copyUntil("]");
    } else if (c == '-' && next == '-') {
      copyUntil("\n");
    } else if (c == '/' && next == '*') {
      out += "/*";
      i += 2;
      copyUntil("*/");
    } else if (c == ':' && next == ':') {
      out += ':';
      i += 2;
    } else if (c == ':' && IsNameChar(next)) {
      size_t end = i + 1;
      while (end < sql.size() && IsNameChar(sql[end])) ++end;
      const std::string name = sql.substr(i + 1, end - i - 1);
      auto found = std::find_if(result.Names.begin(), result.Names.end(),
                                [&](const std::string& known) { return SameText(known, name); });
      size_t number = static_cast<size_t>(found - result.Names.begin()) + 1;
      if (found == result.Names.end()) result.Names.push_back(name);
      out += "?" + std::to_string(number);
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return result;
}

std::string QuotedSQLText(const std::string& text) {
  std::string result = "'";
  for (char c : text) {
    if (c == '\'') result += '\'';
    result += c;
  }
  return result + "'";
}

std::string SQLName(const std::string& name) {
  const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
  if (plain) return name;
  std::string result = "\"";
  for (char c : name) {
    if (c == '"') result += '"';
    result += c;
  }
  return result + "\"";
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string LowerCase(const std::string& text) {
  std::string result = text;
  for (char& c : result) c = AsciiLower(c);
  return result;
}

std::string TrimText(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
  return text.substr(first, last - first);
}

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(';', start);
    const std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end == std::string::npos) {
      if (!piece.empty()) names.push_back(piece);
      break;
    }
    names.push_back(piece);
    start = end + 1;
  }
  return names;
}

std::string JoinTexts(const std::vector<std::string>& parts, const std::string& separator) {
  std::string result;
  for (size_t i = 0; i < parts.size(); ++i) result += (i ? separator : "") + parts[i];
  return result;
}
