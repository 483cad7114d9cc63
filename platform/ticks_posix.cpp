#include <sched.h>
#include <time.h>

#include <cerrno>

#include "platform/ticks.h"

namespace kestrum::platform {
namespace {

constexpr long kNanosPerMilli = 1000000;

class TPosixTicks final : public TTickPort {
 public:
  uint32_t GetTickCount() override {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto millis = static_cast<uint64_t>(ts.tv_sec) * 1000 +
                        static_cast<uint64_t>(ts.tv_nsec / kNanosPerMilli);
    return static_cast<uint32_t>(millis);
  }
  void Sleep(uint32_t milliseconds) override {
    // Sleep(0) gives up the rest of the time slice, as on Windows; nanosleep(0) would wait out
    // the timer slack (about 50 us) on every socket read.
    if (milliseconds == 0) {
      sched_yield();
      return;
    }
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * kNanosPerMilli};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

TTickPort& SystemTicks() {
  static TPosixTicks ticks;
  return ticks;
}

}  // namespace kestrum::platform
