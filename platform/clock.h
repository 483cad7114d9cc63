#pragma once
// Clock seam: the local and UTC wall clocks (ticks and sleeping are platform/ticks.h).
// Whoever needs a clock is handed one, chosen once at the program's start; tests hand a fake,
// so the machine's clock is never written.

#include "base/systemtime.h"

namespace kestrum::platform {

class TClockPort {
 public:
  virtual ~TClockPort() = default;
  virtual base::TSystemTime GetLocalTime() = 0;
  // False when the platform refuses (no right to change the time).
  virtual bool SetLocalTime(const base::TSystemTime& time) = 0;
  virtual base::TSystemTime GetSystemTime() = 0;  // UTC
  virtual bool SetSystemTime(const base::TSystemTime& time) = 0;
};

// The platform's real clock.
TClockPort& SystemClock();

}  // namespace kestrum::platform
