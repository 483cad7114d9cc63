#include "tcpip/time_query.h"

#include <gtest/gtest.h>

#include <string>

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
    const uint32_t start = platform::SystemClock().GetTickCount();
    EXPECT_THROW(time_.FetchTime(), TException);
    return platform::SystemClock().GetTickCount() - start;
  }

  T_Time time_;
};

TEST(TimeQueryDefaults, PortModeAndTheFiveSecondBound) {
  const T_Time time;
  EXPECT_EQ(time.Port, 37);
  EXPECT_EQ(time.ServerTime, 0.0);
  EXPECT_EQ(time.TimeMode, tzUTC);
  EXPECT_EQ(time.QueryLimit, 5000u);
  EXPECT_EQ(time.Socket, kNoSocket);
}

TEST_F(TimeQueryTest, ConvertsEveryByteBeforeTheClose) {
  struct TCase {
    const char* name;
    R::TScript script;
    double expected;
  };
  const TCase cases[] = {
      {"1970", {R::Send(kEpoch1970), R::Close()}, 25569.0},
      {"all ones", {R::Send("\xFF\xFF\xFF\xFF"), R::Close()}, 2.0 + 4294967295.0 / 86400.0},
      {"nothing", {R::Close()}, 2.0},
      {"three bytes",
       {R::Send(std::string("\x01\x00\x00", 3)), R::Close()},
       2.0 + 65536.0 / 86400.0},
      {"five bytes",
       {R::Send(kEpoch1970 + std::string(1, '\0')), R::Close()},
       2.0 + kSeconds1970 * 256.0 / 86400.0},
      {"split", {R::Send("\x83\xAA"), R::Delay(30), R::Send("\x7E\x80"), R::Close()}, 25569.0},
      {"reset after the bytes", {R::Send(kEpoch1970), R::Delay(50), R::Reset()}, 25569.0},
      {"reset at once", {R::Reset()}, 2.0},
  };
  for (const TCase& c : cases) {
    responder_.Enqueue(c.script);
    time_.ServerTime = -1.0;
    time_.FetchTime();
    EXPECT_DOUBLE_EQ(time_.ServerTime, c.expected) << c.name;
  }
  EXPECT_EQ(responder_.accepted(), std::size(cases));
}

TEST_F(TimeQueryTest, AllOnesIsEarly2036) {
  responder_.Enqueue({R::Send("\xFF\xFF\xFF\xFF"), R::Close()});
  time_.FetchTime();
  const lib::TDate date = lib::DecodeDate(time_.ServerTime);
  const lib::TTimeOfDay clock = lib::DecodeTime(time_.ServerTime);
  EXPECT_EQ(date, (lib::TDate{2036, 2, 7}));
  EXPECT_EQ(clock, (lib::TTimeOfDay{6, 28, 15, 0}));
}

TEST_F(TimeQueryTest, LocalModeShiftsByTheZoneBias) {
  TJapanZone zone;
  T_Time time{zone};
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
  try {
    time_.FetchTime();
    FAIL() << "connected to a full accept queue";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.ErrorCode, 10060);
  }
  EXPECT_EQ(time_.Socket, kNoSocket);
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
