#include "platform/clock.h"

namespace kestrum::platform {
namespace {

TClockPort* current_clock = nullptr;

}  // namespace

TClockPort& Clock() { return current_clock != nullptr ? *current_clock : SystemClock(); }

TClockOverride::TClockOverride(TClockPort& port) : previous_(current_clock) {
  current_clock = &port;
}

TClockOverride::~TClockOverride() { current_clock = previous_; }

}  // namespace kestrum::platform
