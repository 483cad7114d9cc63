#include "tcpip/time_query.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "fakes/fake_clock.h"
#include "loopback_fixture.h"
#include "platform/clock.h"
#include "platform/timezone.h"

namespace kestrum::tcpip::testing {
namespace {

using R = fakes::TTcpTimeResponder;

const std::string kEpoch1970 = "\x83\xAA\x7E\x80";  // 2208988800 s after 1900
constexpr double kSeconds1970 = 2208988800.0;

class TJapanZone final : public platform::TTimeZonePort {
 public:
  platform::TTimeZoneInfo GetTimeZoneInformation() override {
    return {platform::TTimeZoneInfo::TState::kStandard, -540, 0, 0};
  }
};

class TimeQueryTest : public LoopbackTest {
 protected:
  TimeQueryTest() {
    Aim(time_);
    time_.QueryLimit = kShortLimitMs;
  }

  // Milliseconds FetchTime took, whether it returned or raised.
  template <typename TException>
  uint32_t FetchExpecting() {
    const uint32_t start = platform::SystemTicks().GetTickCount();
    EXPECT_THROW(time_.FetchTime(), TException);
    return platform::SystemTicks().GetTickCount() - start;
  }

  T_Time time_{platform::SystemTimeZone(), platform::SystemClock(), platform::SystemTicks()};
};

TEST(TimeQueryDefaults, PortModeAndTheFiveSecondBound) {
  const T_Time time{platform::SystemTimeZone(), platform::SystemClock(), platform::SystemTicks()};
  EXPECT_EQ(time.Port, 37);
  EXPECT_EQ(time.ServerTime, 0.0);
  EXPECT_EQ(time.TimeMode, tzUTC);
  EXPECT_EQ(time.QueryLimit, 5000u);
  EXPECT_EQ(time.Socket, kNoSocket);
}

// Exactly four bytes and the server's close make a time; fewer bytes or a zero count a time in
// 1900; anything else raises and keeps the previous ServerTime.
TEST_F(TimeQueryTest, ExactlyFourBytesAndTheClose) {
  constexpr double kRefused = -1.0;
  struct TCase {
    const char* name;
    R::TScript script;
    double expected;
  };
  const TCase cases[] = {
      {"1970", {R::Send(kEpoch1970), R::Close()}, 25569.0},
      {"all ones", {R::Send("\xFF\xFF\xFF\xFF"), R::Close()}, 2.0 + 4294967295.0 / 86400.0},
      {"split", {R::Send("\x83\xAA"), R::Delay(30), R::Send("\x7E\x80"), R::Close()}, 25569.0},
      // Too few bytes, or zeros: the 1900 time they read as, which the caller refuses.
      {"nothing", {R::Close()}, 2.0},
      {"three bytes", {R::Send(std::string("\x01\x00\x00", 3)), R::Close()}, 2.0 + 65536 / 86400.0},
      {"five bytes", {R::Send(kEpoch1970 + std::string(1, '\0')), R::Close()}, kRefused},
      {"a stray byte first", {R::Send("\x01" + kEpoch1970), R::Close()}, kRefused},
      {"twice", {R::Send(kEpoch1970 + kEpoch1970), R::Close()}, kRefused},
      {"count zero", {R::Send(std::string(4, '\0')), R::Close()}, 2.0},
#ifndef _WIN32
      // Under Wine the responder's abortive close leaves as an orderly one.
      {"reset after the bytes", {R::Send(kEpoch1970), R::Delay(50), R::Reset()}, kRefused},
#endif
      {"reset at once", {R::Reset()}, 2.0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    responder_.Enqueue(c.script);
    time_.ServerTime = kRefused;
    if (c.expected == kRefused) {
      EXPECT_THROW(time_.FetchTime(), ETcpIpError);
    } else {
      EXPECT_NO_THROW(time_.FetchTime());
    }
    EXPECT_DOUBLE_EQ(time_.ServerTime, c.expected);
  }
  EXPECT_EQ(responder_.accepted(), std::size(cases));
}

// A server that never stops sending is cut off at the fifth byte; one that trickles slower than
// the bound is cut off by it, however much is still arriving.
TEST_F(TimeQueryTest, EndlessStreamsEndTheQuery) {
  responder_.SetConcurrent(true);
  const struct {
    const char* name;
    R::TScript script;
    uint32_t at_least_ms;
  } cases[] = {
      {"flood", {R::Repeat(kEpoch1970, 0)}, 0},
      {"one byte every 20 ms", {R::Repeat("\x83", 20)}, 0},
      {"a correct reply slower than the bound",
       {R::Send("\x83"), R::Delay(90), R::Send("\xAA"), R::Delay(90), R::Send("\x7E"), R::Delay(90),
        R::Send("\x80"), R::Close()},
       kShortLimitMs - 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    responder_.Enqueue(c.script);
    const uint32_t took = FetchExpecting<ETcpIpError>();
    EXPECT_GE(took, c.at_least_ms);
    EXPECT_LT(took, kShortLimitMs + 300);
  }
}

// A count is read in the era its 1900 reading and the local clock (fake, UTC = local) call for.
TEST_F(TimeQueryTest, TimesAcrossTheEraWrap) {
  fakes::TFakeClock clock;
  clock.set_utc_bias(0);
  T_Time dated(platform::SystemTimeZone(), clock, platform::SystemTicks());
  Aim(dated);
  dated.QueryLimit = kShortLimitMs;
  const base::TDateTime wrap = base::EncodeDate(2036, 2, 7) + base::EncodeTime(6, 28, 16, 0);
  const base::TDateTime second = 1.0 / base::kSecsPerDay;
  const struct {
    const char* name;
    base::TDateTime local;
    base::TDateTime server;
  } cases[] = {
      {"2026", base::EncodeDate(2026, 12, 9), base::EncodeDate(2026, 12, 9) - 2 * second},
      {"last second of era 0", wrap - second, wrap - second},
      {"client before, server after the wrap", wrap - second, wrap + second},
      {"client after, server before the wrap", wrap + second, wrap - second},
      {"2100", base::EncodeDate(2100, 6, 1), base::EncodeDate(2100, 6, 1) + 30 * second},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clock.set_local_now(c.local);
    const double seconds = std::round((c.server - 2.0) * base::kSecsPerDay);
    const auto wire = static_cast<uint32_t>(std::fmod(seconds, 4294967296.0));
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(wire >> (24 - 8 * i));
    responder_.Enqueue({R::Send(bytes), R::Close()});
    ASSERT_NO_THROW(dated.FetchTime());
    EXPECT_NEAR(dated.ServerTime, c.server, 1e-3 * second);
  }
  // A zero count (era 1's first second) and a short reply stay in 1900 whatever the clock.
  clock.set_local_now(wrap + second);
  for (const std::string& bytes : {std::string(4, '\0'), std::string("\x01\x00\x00", 3)}) {
    responder_.Enqueue({R::Send(bytes), R::Close()});
    ASSERT_NO_THROW(dated.FetchTime());
    EXPECT_LT(dated.ServerTime, 3.0);
  }
}

TEST(TcpIpErrors, SocketErrorIsATcpIpError) {
  const ESocketError error(10061);
  const ETcpIpError& base = error;
  EXPECT_STREQ(base.what(), "Error creating socket");
}

TEST_F(TimeQueryTest, AllOnesIsEarly2036) {
  responder_.Enqueue({R::Send("\xFF\xFF\xFF\xFF"), R::Close()});
  time_.FetchTime();
  const base::TDate date = base::DecodeDate(time_.ServerTime);
  const base::TTimeOfDay clock = base::DecodeTime(time_.ServerTime);
  EXPECT_EQ(date, (base::TDate{2036, 2, 7}));
  EXPECT_EQ(clock, (base::TTimeOfDay{6, 28, 15, 0}));
}

TEST_F(TimeQueryTest, LocalModeShiftsByTheZoneBias) {
  TJapanZone zone;
  T_Time time{zone, platform::SystemClock(), platform::SystemTicks()};
  Aim(time);
  responder_.Enqueue({R::Send(kEpoch1970), R::Close()});
  time.TimeMode = tzLocal;
  time.FetchTime();
  EXPECT_DOUBLE_EQ(time.ServerTime, 25569.0 + 0.375);
}

TEST_F(TimeQueryTest, FailedQueryKeepsTheEarlierServerTime) {
  responder_.Enqueue({R::Send(kEpoch1970), R::Close()});
  time_.FetchTime();
  ASSERT_DOUBLE_EQ(time_.ServerTime, 25569.0);

  const uint16_t port = time_.Port;
  time_.Port = ClosedPort();
  EXPECT_THROW(time_.FetchTime(), ESocketError);
  EXPECT_DOUBLE_EQ(time_.ServerTime, 25569.0);

  time_.Port = port;
  time_.Hostname = "";
  EXPECT_THROW(time_.FetchTime(), ETcpIpError);
  EXPECT_DOUBLE_EQ(time_.ServerTime, 25569.0);
}

TEST_F(TimeQueryTest, SilentServerEndsTheQueryWithinTheBound) {
  responder_.Enqueue({R::Hang()});
  responder_.Enqueue({R::Send("\x83"), R::Delay(80), R::Send("\xAA"), R::Delay(80), R::Send("\x7E"),
                      R::Hang()});  // trickles, then stalls
  time_.ServerTime = 12345.0;
  for (int query = 0; query < 2; ++query) {
    const uint32_t took = FetchExpecting<ETcpIpError>();
    EXPECT_GE(took, kShortLimitMs - 20) << query;
    EXPECT_LT(took, kShortLimitMs + 800) << query;
    EXPECT_DOUBLE_EQ(time_.ServerTime, 12345.0) << query;
    EXPECT_EQ(time_.Socket, kNoSocket) << query;
    EXPECT_FALSE(time_.LoggedIn) << query;
  }
  EXPECT_TRUE(responder_.WaitForClientCloses(2, 2000));
}

TEST_F(TimeQueryTest, UnansweredConnectEndsWithinTheBound) {
  fakes::TUnansweredListener unanswered;
  time_.Port = unanswered.port();
  // Hooked: the lookup and the connect's wait call the hook between quarter-second slices.
  static int hooked = 0;
  time_.WaitHook = [] { ++hooked; };
  time_.QueryLimit = 600;
  try {
    time_.FetchTime();
    FAIL() << "connected to a full accept queue";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.ErrorCode, 10060);
  }
  EXPECT_EQ(time_.Socket, kNoSocket);
  EXPECT_EQ(hooked, 2);
}

TEST_F(TimeQueryTest, NextQueryClosesThePreviousSocketFirst) {
  TTraceLog trace;
  time_.TraceHandler = trace.Handler();
  responder_.Enqueue({R::Send(kEpoch1970), R::Close()});
  responder_.Enqueue({R::Send("\xFF\xFF\xFF\xFF"), R::Close()});
  time_.FetchTime();
  EXPECT_DOUBLE_EQ(time_.ServerTime, 25569.0);
  const TSocketHandle first = time_.Socket;
  EXPECT_TRUE(time_.LoggedIn);  // left open after a successful query
  time_.FetchTime();
  EXPECT_DOUBLE_EQ(time_.ServerTime, 2.0 + 4294967295.0 / 86400.0);
  const int closed = trace.Find("Closed socket ID " + std::to_string(first));
  const int opened = trace.Find("Opened output socket");
  ASSERT_GE(closed, 0);
  EXPECT_LT(opened, closed);
  EXPECT_EQ(trace.lines[closed + 1].first.rfind("Opened output socket", 0), 0u);
}

}  // namespace
}  // namespace kestrum::tcpip::testing
