#pragma once
// Time-zone seam: the machine's zone bias as GetTimeZoneInformation reports it. Tests install a
// fixed zone with TTimeZoneOverride.

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

// The zone in force: the platform's own unless a test installed another.
TTimeZonePort& TimeZone();

// The platform's real zone.
TTimeZonePort& SystemTimeZone();

// Installs `port` as TimeZone() for the guard's lifetime; restores the previous one after.
class TTimeZoneOverride {
 public:
  explicit TTimeZoneOverride(TTimeZonePort& port);
  ~TTimeZoneOverride();
  TTimeZoneOverride(const TTimeZoneOverride&) = delete;
  TTimeZoneOverride& operator=(const TTimeZoneOverride&) = delete;

 private:
  TTimeZonePort* previous_;
};

}  // namespace kestrum::platform
