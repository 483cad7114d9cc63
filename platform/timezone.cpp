#include "platform/timezone.h"

namespace kestrum::platform {
namespace {

TTimeZonePort* current_zone = nullptr;

}  // namespace

TTimeZonePort& TimeZone() { return current_zone != nullptr ? *current_zone : SystemTimeZone(); }

TTimeZoneOverride::TTimeZoneOverride(TTimeZonePort& port) : previous_(current_zone) {
  current_zone = &port;
}

TTimeZoneOverride::~TTimeZoneOverride() { current_zone = previous_; }

}  // namespace kestrum::platform
