#pragma once
// The platform's calendar record of a moment (16-bit fields, as the Windows SYSTEMTIME).

#include <cstdint>

namespace kestrum::base {

struct TSystemTime {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;      // 1-12
  uint16_t wDayOfWeek = 0;  // 0 = Sunday
  uint16_t wDay = 0;        // 1-31
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;

  friend bool operator==(const TSystemTime&, const TSystemTime&) = default;
};

}  // namespace kestrum::base
