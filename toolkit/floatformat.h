#pragma once
// Numbers as text after the toolkit's format settings: picture patterns, the general form,
// and reading a text back into a floating value.

#include <string>
#include <string_view>

namespace kestrum::toolkit {

// Picture pattern, up to three sections "positive;negative;zero":
//   0  digit, shown even when it is a leading or trailing zero
//   #  digit, shown only when significant
//   .  decimal point (DecimalSeparator), written only when a fraction digit follows
//   ,  anywhere before the point: thousands grouped with ThousandSeparator
//   '...' "..."  literal text; any other character is copied where it stands
// The value is rounded half away from zero at the pattern's decimals (on its 18-digit
// decimal form). Integer digits beyond the placeholders all stand at the first one. An empty
// negative section means the positive one with "-" in front, shown only when a non-zero digit
// is; the zero section serves values that round to zero. An empty pattern, and a value of
// 1e18 or more, give FloatToStr.
std::string FormatFloat(std::string_view pattern, long double value);

// General form with up to 15 significant digits: "1234.5", "0.001", "1E18", "1.5E-7";
// "NAN", "INF" and "-INF" for values that are not finite.
std::string FloatToStr(long double value);

// Blanks, an optional sign, digits with at most one DecimalSeparator (at least one digit),
// an optional exponent "E"/"e" with sign, blanks. False for anything else and beyond the range.
bool TryTextToFloat(std::string_view text, long double& value);
// As above, throwing EConvertError "'text' は浮動小数点数ではありません".
long double TextToFloat(std::string_view text);

}  // namespace kestrum::toolkit
