// Routines the SQLite connection and its queries share: the error classes, field types and
// declared-type mapping, date and number conversions with explicit formats, the SQL macro
// tokenizer and the parameter scanner.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/Persistent.h"

// The layer's own errors.
class ESqlite3Error : public Exception {
 public:
  using Exception::Exception;
};

// Errors the SQLite library reports, and the dataset's own database errors.
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

// A write that failed, as the provider operations hand it on, with the failure it wraps.
class EUpdateError : public EDatabaseError {
 public:
  EUpdateError(const std::string& message, std::string context, int errorCode, int previousError,
               std::exception_ptr originalException)
      : EDatabaseError(message),
        Context(std::move(context)),
        ErrorCode(errorCode),
        PreviousError(previousError),
        OriginalException(std::move(originalException)) {}
  std::string Context;
  int ErrorCode;
  int PreviousError;
  std::exception_ptr OriginalException;
};

// The application's handler of the exceptions that a dataset cannot raise to a caller (a detail
// that fails to follow its master); empty until the application installs one.
using TDataSetExceptionHandler = std::function<void(std::exception_ptr error, TComponent& dataSet)>;
TDataSetExceptionHandler& DataSetExceptionHandler();
// Called inside a catch: hands the exception being handled to the installed handler, or lets it
// pass on when there is none.
void HandleDataSetException(TComponent& dataSet);

// An argument a routine cannot work with.
class EInvalidArgument : public Exception {
 public:
  using Exception::Exception;
};

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftWideString,
  ftLargeint,
  ftTimeStamp,
  ftVariant,
};

bool IsBlobType(TFieldType type);     // held as bytes: blob, memo, graphic, ...
bool IsTextType(TFieldType type);     // string, wide string and the blob-like types
bool IsNumericType(TFieldType type);  // integer and floating-point kinds
bool IsDateTimeType(TFieldType type);
bool IsIntegerType(TFieldType type);  // small, word, integer and large integers
bool IsFloatType(TFieldType type);    // float, currency and BCD
bool IsBinaryType(TFieldType type);   // blob-like types whose bytes are no text (not the memos)

// Date and time values: days since 30 December 1899, the fraction the time of day.
using TDateTime = double;

TDateTime EncodeDate(int year, int month, int day);  // throws EConvertError when out of range
TDateTime EncodeTime(int hour, int minute, int second, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);

// The formats a conversion works with: passed in, never process-wide.
struct TFormatSettings {
  char DecimalSeparator = '.';
  std::string ShortDateFormat = "yyyy-mm-dd";
  std::string ShortTimeFormat = "hh:nn:ss.zzz";
  std::string LongTimeFormat = "hh:nn:ss";
};

// Formats with the letters yyyy yy m mm d dd h hh n nn s ss z zzz; text in "..." or '...'
// is copied as it stands, every other character too.
std::string FormatDateTime(const std::string& format, TDateTime value);
// Reads Text by the date or time letters of Format (separators match any one non-digit).
bool TryParseDate(const std::string& text, const std::string& format, TDateTime& result);
bool TryParseTime(const std::string& text, TDateTime& result);

// Declared SQL type to field type, size and precision.
void GetFieldInfo(const std::string& declaredType, TFieldType& fieldType, int& size, int& precision);

// The user's decimal separator (os::DecimalSeparator); never empty.
std::string UserDecimalSeparator();
// Text with its first "." as Separator when that is not ".": a number of SQLite's form made
// readable by TextToExtended.
std::string LocalizeDecimalPoint(const std::string& text, const std::string& separator = UserDecimalSeparator());
// Text read as a float whose fraction follows Separator (only); 0 when it does not parse.
double TextToExtended(const std::string& text, const std::string& separator = UserDecimalSeparator());
// A number's text as SQLite writes it (with ".") or as the user does (with Separator):
// LocalizeDecimalPoint, then TextToExtended.
double SQLiteTextToFloat(const std::string& text, const std::string& separator = UserDecimalSeparator());
int64_t TextToInteger(const std::string& text);  // 0 when it does not parse
// true, t, yes, y and false, f, no, n (any case) or empty; else a number, true when not 0.
bool TextToBool(const std::string& text);
TDateTime TextToDate(const std::string& text, const TFormatSettings& settings);
TDateTime TextToTime(const std::string& text);
TDateTime TextToDateTime(const std::string& text, const TFormatSettings& settings);
// yyyy-mm-dd[ hh:nn[:ss[.fff]]]; a fraction of fewer than three digits is still a fraction.
TDateTime SQLiteTextToDateTime(const std::string& text);
std::string FloatToSQLText(double value);  // shortest text that reads back the same, with '.'

// SQL macro tokens.
enum TMacroToken {
  mtNone = 0,
  mtName = 1,
  mtInteger = 2,
  mtAssign = 3,
  mtString = 4,
  mtQuotedName = 5,
  mtCompare = 6,
  mtFloat = 7,
  mtParam = 8,
  mtEnd = 9,
};

// The next token of Text from Position (1-based, moved past the token).
void ScanSQLMacro(const std::string& text, size_t& position, TMacroToken& kind, std::string& token);
bool SkipToLineEnd(const std::string& text, size_t& position);
// True when Token equals Expected ignoring case; else raises ESqlite3Error.
bool SyntaxCheck(const std::string& token, const std::string& expected);

// An SQL text with its ":name" parameters turned into numbered places "?1", "?2", ...
// The same name twice gets the same number; quoted text, quoted names and comments are
// skipped; "::" stands for one ":".
struct TParsedSQL {
  std::string SQL;
  std::vector<std::string> Names;  // in order of first appearance; place n is Names[n - 1]
};
TParsedSQL ParseSQLParams(const std::string& sql);

std::string QuotedSQLText(const std::string& text);         // '...' with inner quotes doubled
std::string SQLName(const std::string& name);               // plain identifiers as they are, others in "..."
bool SameText(const std::string& a, const std::string& b);  // ASCII case ignored
std::string LowerCase(const std::string& text);
std::string TrimText(const std::string& text);  // blanks and control characters at both ends
// The names of a list separated by ";" ("a;b"); a last empty name is dropped.
std::vector<std::string> SplitNames(const std::string& text);
std::string JoinTexts(const std::vector<std::string>& parts, const std::string& separator);
