// The zone from the C library: tm_gmtoff is seconds east of UTC, the bias its negated minutes.
#include <time.h>

#include "platform/timezone.h"

namespace kestrum::platform {
namespace {

class TPosixTimeZone final : public TTimeZonePort {
 public:
  TTimeZoneInfo GetTimeZoneInformation() override {
    TTimeZoneInfo info;
    const time_t now = time(nullptr);
    struct tm local;
    if (now == static_cast<time_t>(-1) || localtime_r(&now, &local) == nullptr) return info;
    // The offset in force already includes any daylight shift, so the extra biases stay 0.
    info.bias = static_cast<int32_t>(-local.tm_gmtoff / 60);
    info.state =
        local.tm_isdst > 0 ? TTimeZoneInfo::TState::kDaylight : TTimeZoneInfo::TState::kStandard;
    return info;
  }
};

}  // namespace

TTimeZonePort& SystemTimeZone() {
  static TPosixTimeZone zone;
  return zone;
}

}  // namespace kestrum::platform
