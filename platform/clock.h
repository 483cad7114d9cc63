#pragma once
// Clock seam: the local and UTC wall clocks, the millisecond tick counter and sleeping.
// Whoever needs a clock is handed one; tests hand a fake (virtual time), so nothing really
// sleeps and the machine's clock is never written.

#include <cstdint>

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
  // Milliseconds since an arbitrary start, wrapping at 2^32.
  virtual uint32_t GetTickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// The platform's real clock.
TClockPort& SystemClock();

}  // namespace kestrum::platform
