// The WinINet probe against the loopback HTTP responder under every fault: an answer is any
// response but a redirect, and no probe outlasts its budget by much however the server behaves.
#include <gtest/gtest.h>

#include <string>

#include "platform/ticks.h"
#include "platform/webprobe_win32.h"
#include "responders/responder_set.h"
#include "tcpip/wsock.h"

namespace kestrum::platform {
namespace {

using fakes::TFault;

constexpr int kBudgetMs = 300;
constexpr uint32_t kMarginMs = 700;

TEST(WinInetProbe, EveryFaultEndsWithinTheBudget) {
  tcpip::wsock::Startup(0x0101);
  {
    fakes::TResponderSetOptions options;
    options.sntp_port = options.time_port = fakes::kServiceOff;
    options.timing.delay_ms = 50;
    options.timing.late_ms = 3 * kBudgetMs;
    options.timing.trickle_ms = kBudgetMs / 3;
    fakes::TResponderSet set(options);
    const std::string url = "http://127.0.0.1:" + std::to_string(set.HttpPort()) + "/";
    const struct {
      TFault fault;
      bool answered;
    } cases[] = {
        {TFault::kNone, true},      {TFault::kDelay, true},    {TFault::kLong, true},
        {TFault::kFlood, true},     {TFault::kSilence, false}, {TFault::kHang, false},
        {TFault::kLate, false},     {TFault::kTrickle, false}, {TFault::kRedirect, false},
        {TFault::kContinue, false}, {TFault::kReset, false},
    };
    const auto probe = MakeWinInetProbe(kBudgetMs);
    for (const auto& c : cases) {
      SCOPED_TRACE(fakes::FaultName(c.fault));
      set.SetFaults(TFault::kNone, TFault::kNone, c.fault);
      const uint32_t start = SystemTicks().GetTickCount();
      EXPECT_EQ(probe->Probe(url), c.answered);
      EXPECT_LE(SystemTicks().GetTickCount() - start, kBudgetMs + kMarginMs);
    }
  }
  tcpip::wsock::Cleanup();
}

}  // namespace
}  // namespace kestrum::platform
