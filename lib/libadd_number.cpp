#include "lib/libadd_number.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "base/errors.h"
#include "base/sjis_bytes.h"

namespace kestrum::lib {
namespace {

// Biases of the rounding modes: a fraction of 0.499999 (or any above 0.000001) already
// moves away from zero.
constexpr long double kRoundHalfBias = 0.500001L;
constexpr long double kRoundUpBias = 0.999999L;
// Significant decimal digits kept before truncation, so that representation error
// (0.29 * 100 = 28.9999...) does not cut a whole number down.
constexpr int kTruncateSignificantDigits = 15;

// Beyond this many decimals 10^n is out of the extended range anyway.
constexpr long double kMaxLoopExponent = 5000.0L;

constexpr std::string_view kNotAFloatMessage = "'%s' は浮動小数点数ではありません";

long double PowerOfTen(long double decimals) {
  if (decimals != std::trunc(decimals) || std::fabs(decimals) > kMaxLoopExponent) {
    return std::pow(10.0L, decimals);
  }
  long double p = 1.0L;
  for (long double n = std::fabs(decimals); n > 0; n -= 1) p *= 10.0L;
  return decimals < 0 ? 1.0L / p : p;
}

long double ToSignificantDigits(long double v, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*Le", digits - 1, v);
  return std::strtold(text, nullptr);
}

// Scaled value of the rounding modes; an overflow of the scaling reaches the caller.
long double Scaled(long double value, long double p) {
  const long double v = value * p;
  if (!std::isfinite(v)) throw std::overflow_error("Floating point overflow");
  return v;
}

}  // namespace

std::string BlankDbcs(std::string_view text) {
  std::string result(text);
  for (size_t i = 0; i < result.size(); ++i) {
    if (base::IsLeadByte(static_cast<unsigned char>(result[i]))) {
      result[i] = ' ';
      if (i + 1 < result.size()) result[++i] = ' ';
    }
  }
  return result;
}

std::string CleanNumber(std::string_view text) {
  const std::string t = BlankDbcs(text);
  std::string result = t.find('-') != std::string::npos ? "-" : "";
  bool has_point = false;
  for (char c : t) {
    if (c >= '0' && c <= '9') {
      result += c;
    } else if (c == '.' && !has_point) {
      result += c;
      has_point = true;
    }
  }
  if (result.empty() || result == "-") return "0";
  return result;
}

int32_t IntegerPart(std::string_view text) {
  std::string t = CleanNumber(text);
  const size_t point = t.find('.');
  if (point != std::string::npos) t.resize(point);
  int32_t value = 0;
  const char* end = t.data() + t.size();
  const auto [ptr, ec] = std::from_chars(t.data(), end, value);
  if (ec != std::errc() || ptr != end) return 0;
  return value;
}

long double NumberPart(std::string_view text) {
  const std::string t = CleanNumber(text);
  if (t.find_first_of("0123456789") == std::string::npos) return 0.0L;  // "." and "-."
  const long double value = std::strtold(t.c_str(), nullptr);
  if (!std::isfinite(value)) {
    const std::string_view format = kNotAFloatMessage;
    const size_t slot = format.find("%s");
    throw base::EConvertError(std::string(format.substr(0, slot)) + t +
                              std::string(format.substr(slot + 2)));
  }
  return value;
}

long double TruncateDigits(long double value, long double decimals) {
  const long double p = PowerOfTen(decimals);
  const long double v = value * p;
  if (!std::isfinite(v)) return 0.0L;
  return std::trunc(ToSignificantDigits(v, kTruncateSignificantDigits)) / p;
}

long double RoundHalfDigits(long double value, long double decimals) {
  const long double p = PowerOfTen(decimals);
  const long double v = Scaled(value, p);
  return (v >= 0 ? std::trunc(v + kRoundHalfBias) : std::trunc(v - kRoundHalfBias)) / p;
}

long double RoundUpDigits(long double value, long double decimals) {
  const long double p = PowerOfTen(decimals);
  const long double v = Scaled(value, p);
  if (v == std::trunc(v)) return v / p;
  return (v > 0 ? std::trunc(v + kRoundUpBias) : std::trunc(v - kRoundUpBias)) / p;
}

long double AdjustDigits(int mode, long double value, long double decimals) {
  switch (mode) {
    case TruncateMode:
      return TruncateDigits(value, decimals);
    case RoundUpMode:
      return RoundUpDigits(value, decimals);
    default:
      return RoundHalfDigits(value, decimals);
  }
}

}  // namespace kestrum::lib
