#include "base/era.h"

#include <algorithm>

// Seconds since 1970 of the commit's date, given by the build; this fallback (2026-12-09) keeps
// builds without git reproducible.
#ifndef KESTRUM_BUILD_TIME
#define KESTRUM_BUILD_TIME 1796774400
#endif

namespace kestrum::base {
namespace {

constexpr TDateTime kUnixEpoch = 25569.0;  // 1970-01-01 00:00

}  // namespace

TDateTime BuildDate() { return kUnixEpoch + KESTRUM_BUILD_TIME / kSecsPerDay; }

TDateTime ResolveEra(TDateTime era0_value, TDateTime utc_now, TDateTime build_date) {
  if (era0_value >= kEra0TrustedFrom) return era0_value;
  if (std::max(utc_now, build_date) >= kEra1ExpectedFrom) return era0_value + kEraDays;
  return era0_value;
}

}  // namespace kestrum::base
