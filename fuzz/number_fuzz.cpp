// Numeric text helpers on arbitrary bytes: the cleaned text has the documented shape,
// IntegerPart is its 32-bit value (or 0), NumberPart agrees with it and throws nothing but
// EConvertError, and AdjustDigits stays within one unit of the last kept decimal.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fuzz/fuzz_check.h"
#include "lib/libadd_number.h"

using namespace kestrum::base;
using namespace kestrum::lib;

namespace {

// "-"? digits* ("." digits*)? and never empty or a lone sign.
bool IsCleanShape(const std::string& t) {
  size_t i = t.starts_with('-') ? 1 : 0;
  if (i == t.size()) return false;
  bool point = false;
  for (; i < t.size(); ++i) {
    if (t[i] == '.' && !point) {
      point = true;
    } else if (t[i] < '0' || t[i] > '9') {
      return false;
    }
  }
  return true;
}

// The int32 value of the cleaned text's whole part, computed digit by digit (0 without
// digits); nullopt when it does not fit.
std::optional<int32_t> ExpectedInteger(const std::string& clean) {
  const bool negative = clean.starts_with('-');
  const size_t from = negative ? 1 : 0;
  const std::string whole = clean.substr(from, clean.find('.') - from);
  int64_t value = 0;
  for (char c : whole) {
    value = value * 10 + (c - '0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

void CheckAdjust(int mode, long double value, int decimals) {
  long double adjusted = 0;
  try {
    adjusted = AdjustDigits(mode, value, decimals);
  } catch (const std::overflow_error&) {
    return;  // the scaled value left the extended range
  }
  if (!std::isfinite(value) || std::fabs(value) > 1e12L || std::abs(decimals) > 12) return;
  // One unit of the last kept decimal, plus the relative error of the 15-digit truncation.
  const long double unit = std::pow(10.0L, -decimals);
  FUZZ_CHECK(std::fabs(adjusted - value) <= unit * 1.000001L + std::fabs(value) * 1e-14L,
             "mode %d value %.21Lg decimals %d -> %.21Lg", mode, value, decimals, adjusted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::string clean = CleanNumber(text);
  FUZZ_CHECK(IsCleanShape(clean), "CleanNumber gave \"%s\"", clean.c_str());
  FUZZ_CHECK(clean == CleanNumber(clean), "CleanNumber is not idempotent on \"%s\"", clean.c_str());

  const int32_t integer = IntegerPart(text);
  const std::optional<int32_t> expected = ExpectedInteger(clean);
  FUZZ_CHECK(integer == expected.value_or(0), "IntegerPart(\"%s\") = %d, expected %d",
             clean.c_str(), integer, expected.value_or(0));

  long double number = 0;
  try {
    number = NumberPart(text);
  } catch (const EConvertError&) {
    return 0;  // beyond the extended range; any other exception escapes as a finding
  }
  FUZZ_CHECK(std::isfinite(number), "NumberPart(\"%s\") = %Lg", clean.c_str(), number);
  // Within one of the whole part: a long fraction may round the value up to the next integer.
  if (expected) {
    FUZZ_CHECK(std::fabs(number - integer) <= 1.0L, "NumberPart(\"%s\") = %.21Lg, IntegerPart %d",
               clean.c_str(), number, integer);
  }

  // Mode, decimals and, from eight bytes when there are enough, a raw double as the value.
  const uint8_t control = size > 0 ? data[0] : 0;
  const int mode = control % 4;
  const int decimals = static_cast<int>(control / 4 % 13) - 6;
  CheckAdjust(mode, number, decimals);
  if (size >= 9) {
    double raw = 0;
    std::memcpy(&raw, data + 1, sizeof raw);
    CheckAdjust(mode, raw, decimals);
    // Decimals far beyond the extended range take the pow path and the overflow checks.
    if (std::fabs(raw) < 1e6) CheckAdjust(mode, number, static_cast<int>(raw));
  }
  return 0;
}
