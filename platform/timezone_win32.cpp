#include <windows.h>

#include "platform/timezone.h"

namespace kestrum::platform {
namespace {

TTimeZoneInfo::TState StateOf(DWORD id) {
  switch (id) {
    case TIME_ZONE_ID_UNKNOWN:
      return TTimeZoneInfo::TState::kUnknown;
    case TIME_ZONE_ID_STANDARD:
      return TTimeZoneInfo::TState::kStandard;
    case TIME_ZONE_ID_DAYLIGHT:
      return TTimeZoneInfo::TState::kDaylight;
    default:
      return TTimeZoneInfo::TState::kFailed;
  }
}

class TWin32TimeZone final : public TTimeZonePort {
 public:
  TTimeZoneInfo GetTimeZoneInformation() override {
    TIME_ZONE_INFORMATION native{};
    TTimeZoneInfo info;
    info.state = StateOf(::GetTimeZoneInformation(&native));
    info.bias = native.Bias;
    info.standard_bias = native.StandardBias;
    info.daylight_bias = native.DaylightBias;
    return info;
  }
};

}  // namespace

TTimeZonePort& SystemTimeZone() {
  static TWin32TimeZone zone;
  return zone;
}

}  // namespace kestrum::platform
