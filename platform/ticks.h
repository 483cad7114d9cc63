#pragma once
// Ticks seam: a millisecond counter blind to steps of the wall clock, and sleeping. Apart from
// the wall clock (platform/clock.h): what times waits need not be what tells the date. Handed
// in like the clock; a test's fake clock is often both (sleeping advances virtual time).

#include <cstdint>

namespace kestrum::platform {

class TTickPort {
 public:
  virtual ~TTickPort() = default;
  // Milliseconds since an arbitrary start, wrapping at 2^32.
  virtual uint32_t GetTickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// The platform's real ticks.
TTickPort& SystemTicks();

}  // namespace kestrum::platform
