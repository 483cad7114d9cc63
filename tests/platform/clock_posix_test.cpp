#include <gtest/gtest.h>

#include <chrono>

#include "platform/ticks.h"

namespace kestrum::platform {
namespace {

using std::chrono::steady_clock;

// Sleep(0) only yields. Sleeping for zero time instead costs the timer slack (50 us or more) on
// every socket read; the quickest of many calls tells the two apart even on a loaded machine.
TEST(PosixClock, SleepZeroOnlyYieldsAndSleepWaits) {
  TTickPort& clock = SystemTicks();
  auto quickest = steady_clock::duration::max();
  for (int i = 0; i < 50; ++i) {
    const auto start = steady_clock::now();
    clock.Sleep(0);
    quickest = std::min(quickest, steady_clock::now() - start);
  }
  EXPECT_LT(quickest, std::chrono::microseconds(20));

  const auto start = steady_clock::now();
  clock.Sleep(5);
  EXPECT_GE(steady_clock::now() - start, std::chrono::milliseconds(5));
}

}  // namespace
}  // namespace kestrum::platform
