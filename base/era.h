#pragma once
// 32-bit counts of seconds since 1900-01-01 00:00 UTC (NTP and RFC 868) wrap every 2^32 s, the
// first time at 2036-02-07 06:28:16 UTC. A count is read in the era that puts it nearest to a
// reference time, normally the local clock.

#include <cmath>
#include <cstdint>

#include "base/datetime.h"

namespace kestrum::base {

constexpr double kEraSeconds = 4294967296.0;  // 2^32
constexpr TDateTime kEra0Start = 2.0;         // 1900-01-01 00:00 as a TDateTime
constexpr double kEraDays = kEraSeconds / kSecsPerDay;

// Whole eras (0 or more) to add to a value read in era 0 so that it lies nearest to
// `reference`. An exact tie takes the later era.
inline int64_t NearestEra(TDateTime era0_value, TDateTime reference) {
  const double eras = std::floor((reference - era0_value) / kEraDays + 0.5);
  return eras > 0 ? static_cast<int64_t>(eras) : 0;
}

// `era0_value` moved into the era nearest to `reference`.
inline TDateTime InNearestEra(TDateTime era0_value, TDateTime reference) {
  return era0_value + static_cast<double>(NearestEra(era0_value, reference)) * kEraDays;
}

}  // namespace kestrum::base
