#pragma once
// Time-zone seam: the machine's zone bias as GetTimeZoneInformation reports it. Tests hand a
// fixed zone to whoever needs one.

#include <cstdint>

namespace kestrum::platform {

struct TTimeZoneInfo {
  enum class TState {
    kFailed,    // the query failed
    kUnknown,   // the zone has no daylight-saving rules
    kStandard,  // standard time in force
    kDaylight,  // daylight-saving time in force
  };
  TState state = TState::kFailed;
  // Minutes; UTC = local time + bias (+ the standard or daylight bias in force).
  int32_t bias = 0;
  int32_t standard_bias = 0;
  int32_t daylight_bias = 0;
};

class TTimeZonePort {
 public:
  virtual ~TTimeZonePort() = default;
  virtual TTimeZoneInfo GetTimeZoneInformation() = 0;
};

// The platform's real zone.
TTimeZonePort& SystemTimeZone();

}  // namespace kestrum::platform
