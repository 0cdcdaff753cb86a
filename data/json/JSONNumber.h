// The numbers of JSON text, read into the 80-bit floats a document holds (long double: 80-bit
// with MinGW on i686 and with g++ on x86-64).
//
// A number is an optional "+" or "-", one or more digits, optionally "." and one or more digits,
// optionally "e" or "E" with an optional sign and one or more digits. Leading zeros are allowed.
// Its value is rounded to the nearest long double (ties to even), whatever the locale; beyond
// 800 significant digits the further ones only say whether the rest is zero.
#pragma once

#include <string_view>

// The end of the number that starts at P; nullptr when none does. A "." or an exponent mark
// without digits after it is no number.
const char* SkipJSONNumber(const char* p, const char* end);

// The value of Number, a whole number as SkipJSONNumber takes it. False when its magnitude is
// beyond the largest long double; one too small for the smallest becomes zero.
bool JSONNumberValue(std::string_view number, long double& value);
