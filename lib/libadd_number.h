#pragma once
// Numeric text helpers: reduction of a Shift-JIS text to its numeric content, conversion to
// whole and extended numbers, and decimal adjustment of extended values.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum::lib {

// Every double-byte character becomes two ASCII blanks; the length is unchanged.
std::string BlankDbcs(std::string_view text);

// An optional "-" (when the text holds one anywhere), then its digits and its first "." in
// the order they stand; "0" when nothing or the sign alone remains.
std::string CleanNumber(std::string_view text);

// CleanNumber cut before its "."; 0 when that is not a 32-bit integer. Never throws.
int32_t IntegerPart(std::string_view text);

// CleanNumber as an extended value. Throws EConvertError only beyond the extended range.
long double NumberPart(std::string_view text);

enum TAdjustMode : int { TruncateMode = 1, RoundHalfMode = 2, RoundUpMode = 3 };

// Adjusts `value` at `decimals` decimal places (any real number, negative allowed).
// Mode 1 truncates, 3 rounds away from zero, any other value rounds half away from zero.
long double AdjustDigits(int mode, long double value, long double decimals);
long double TruncateDigits(long double value, long double decimals);
long double RoundHalfDigits(long double value, long double decimals);
long double RoundUpDigits(long double value, long double decimals);

}  // namespace kestrum::lib
