#pragma once
// 32-bit counts of seconds since 1900-01-01 00:00 UTC (NTP and RFC 868) wrap every 2^32 s, the
// first time at 2036-02-07 06:28:16 UTC. A count whose era-0 reading is before 2000 is taken for
// the next era only once the present is known to be near the wrap; before that, such a count
// (a zero, a stray text, a broken server) stays in 1900, where no caller believes it.

#include <cstdint>

#include "base/datetime.h"

namespace kestrum::base {

constexpr double kEraSeconds = 4294967296.0;  // 2^32
constexpr TDateTime kEra0Start = 2.0;         // 1900-01-01 00:00 as a TDateTime
constexpr double kEraDays = kEraSeconds / kSecsPerDay;
// Era-0 readings from here on are read in era 0 whatever the clock says.
constexpr TDateTime kEra0TrustedFrom = 36526.0;  // 2000-01-01 00:00 UTC
// A year before the wrap: from here on (by the local clock or the build date) earlier
// readings belong to era 1.
constexpr TDateTime kEra1ExpectedFrom = 49347.0;  // 2035-02-07 00:00 UTC

// The date of the commit the program was built from (UTC), a floor for the present that a
// dead clock battery cannot move back.
TDateTime BuildDate();

// `era0_value` (a count read in era 0, UTC) in the era it belongs to, judged by `utc_now` and
// `build_date`.
TDateTime ResolveEra(TDateTime era0_value, TDateTime utc_now, TDateTime build_date);
inline TDateTime ResolveEra(TDateTime era0_value, TDateTime utc_now) {
  return ResolveEra(era0_value, utc_now, BuildDate());
}

}  // namespace kestrum::base
