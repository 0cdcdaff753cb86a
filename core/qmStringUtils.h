// String routines shared by the whole program.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/Persistent.h"

// Position (from 1) of the first SubStr in S that starts after the first Offset characters; 0 when none.
int PosEx(std::string_view subStr, std::string_view s, int offset = 0);

// The wildcard match of magic words and file masks: "*" any run, "?" one character, anything
// else byte for byte, case-sensitive. Quirk kept on purpose: a mask of two stars or more does not
// match where nothing is left to match them ("a" does not match "a**"), while a single "*" always
// does. Runs in time proportional to len(text) x len(mask).
bool MatchesWildcard(std::string_view text, std::string_view mask);

// Appends the non-empty pieces of S between delimiter characters to Strings; no trimming.
void SplitByChars(std::string_view s, TStringList& strings, std::string_view delimiters);

// A line break (CR LF) inside an INI value is stored as the six characters "#13#10".
std::string EncodeLineBreaks(std::string_view s);
std::string DecodeLineBreaks(std::string_view s);
// Any text as one INI value, and back, losing nothing: a CR LF is "#13#10" as above, a lone CR
// "#13#00", a lone LF "#00#10", and a "#" that would otherwise be read as the start of one of
// these "#35#35". A value written by EncodeLineBreaks reads the same unless it holds one of the
// three other codes.
std::string EncodeTextLine(std::string_view s);
std::string DecodeTextLine(std::string_view s);

// Upper-casing with ASCII rules only.
std::string UpperCase(std::string_view s);
// Upper-casing with the code page's rules (UTF-8: letters beyond ASCII too).
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

// Comparisons ignoring case, ASCII rules and code-page rules.
bool SameText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

std::string Trim(std::string_view s);
bool StartsText(std::string_view prefix, std::string_view s);  // ignoring ASCII case

// A number in the general format of the framework's FloatToStr (ExponentDigits 0) and of "%g"
// (3): 15 significant digits at most, no trailing zeros, and DecimalSeparator only before a
// fraction. Fixed-point while the number is at least 0.00001 and has at most 15 digits before its
// fraction ("0.0000625", "2.8", "-0.666666666666667"); otherwise scientific, with "E", a "-"
// before a negative exponent and at least ExponentDigits digits ("6.25E-6", "1E020").
std::string GeneralNumberText(double value, std::string_view decimalSeparator, int exponentDigits = 0);

// The characters of a UTF-8 text, each as its bytes; each bad piece of ill-formed text counts as
// one character.
std::vector<std::string_view> Utf8Chars(std::string_view s);
