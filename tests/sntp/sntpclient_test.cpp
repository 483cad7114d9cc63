#include "sntp/sntpclient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "fakes/fake_clock.h"
#include "fakes/socket_layer_environment.h"
#include "responders/udp_responder.h"

namespace kestrum::sntp {
namespace {

using fakes::TUdpReply;
using fakes::TUdpResponder;

constexpr int kShortTimeout = 200;  // ms
constexpr uint32_t kSeconds2024 = 3913056000u;

std::string Reply(uint32_t seconds, uint32_t fraction = 0, std::size_t size = 48) {
  std::string bytes(std::max<std::size_t>(size, 48), '\0');
  bytes[0] = '\x1C';  // version 3, server mode
  bytes[1] = 2;       // stratum
  bytes.replace(40, 8, EncodeInt32BE(seconds) + EncodeInt32BE(fraction));
  bytes.resize(size);
  return bytes;
}

// An 8-byte NTP timestamp moved by `seconds`.
std::string Moved(const std::string& stamp, double seconds) {
  const uint64_t at = uint64_t{DecodeInt32BE(stamp, 1)} << 32 | DecodeInt32BE(stamp, 5);
  const uint64_t moved = at + static_cast<uint64_t>(std::llround(seconds * 4294967296.0));
  return EncodeInt32BE(static_cast<uint32_t>(moved >> 32)) + EncodeInt32BE(uint32_t(moved));
}

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

class SntpClientTest : public ::testing::Test {
 protected:
  SntpClientTest() {
    client.TargetPort = server.PortText();
    client.Timeout = kShortTimeout;
    server.SetEchoOriginate(true);
  }

  TUdpResponder server;
  TSNTPClient client{platform::SystemClock(), platform::SystemTicks()};
};

TEST(SntpClientDefaults, MatchTheProtocol) {
  TSNTPClient client{platform::SystemClock(), platform::SystemTicks()};
  EXPECT_EQ(client.TargetHost, "127.0.0.1");
  EXPECT_EQ(client.TargetPort, "ntp");
  EXPECT_EQ(client.IPInterface, "0.0.0.0");
  EXPECT_EQ(client.Timeout, 5000);
  EXPECT_EQ(client.MaxSyncDiff, 3600.0);
  EXPECT_FALSE(client.SyncTime);
  EXPECT_EQ(client.NTPTime(), 0.0);
  // "ntp" is UDP port 123.
  net::TSocketAddress address;
  client.Sock().ResolveAddress(address, client.TargetHost, client.TargetPort);
  EXPECT_EQ(net::AddressPort(address), 123);
}

TEST_F(SntpClientTest, SendsTheRequestAndTakesTheTransmitTime) {
  server.Script({{Reply(kSeconds2024, 0x80000000u)}});
  ASSERT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  // 0x1B, zeros, and a transmit timestamp for the reply to echo.
  ASSERT_EQ(requests[0].bytes.size(), 48u);
  EXPECT_EQ(requests[0].bytes.substr(0, 40), std::string("\x1B") + std::string(39, '\0'));
  EXPECT_NE(DecodeInt32BE(requests[0].bytes, 41), 0u);
  // Without a receive stamp the path cannot be halved: the transmit time as it is.
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024, 0x80000000u));
  EXPECT_NEAR(client.NTPOffset(), (client.NTPTime() - client.GetUtcTime()) * base::kSecsPerDay, 1);
  EXPECT_GE(client.NTPDelay(), 0.0);
}

// Path delay is no clock error, half its asymmetry is; NTPTime is the server's time at arrival.
TEST_F(SntpClientTest, OffsetFromTheFourTimestamps) {
  struct TCase {
    const char* name;
    double ahead;                        // seconds the server's clock is ahead
    int out_ms, turnaround_ms, back_ms;  // the turnaround as the server's stamps claim it
    bool stamped;                        // the reply carries a receive timestamp
    double offset, delay;
  } const cases[] = {
      {"loopback", 1.2, 0, 0, 0, true, 1.2, 0},
      {"150/150", 1.2, 150, 5, 150, true, 1.2, 0.3},
      {"300/300, server behind", -0.9, 300, 1, 300, true, -0.9, 0.6},
      {"200/20", 0.5, 200, 0, 20, true, 0.59, 0.22},
      {"received after sent", 1.2, 100, -1000, 100, true, 1.2, 0.2},
      {"no receive stamp", 1.2, 150, 0, 150, false, 1.05, 0.3},
  };
  fakes::TFakeClock clock;
  // The fake clock is the responder's to move; the waits run on real ticks.
  TSNTPClient measured{clock, platform::SystemTicks()};
  measured.TargetPort = server.PortText();
  const TCase* c = nullptr;
  // The request's stamp is T1; the clock reaches T4 while the reply is on its way.
  server.SetAnswer([&](const fakes::TUdpRequest& request) {
    const int turnaround_ms = std::max(c->turnaround_ms, 0);
    clock.Advance(c->out_ms + turnaround_ms + c->back_ms);
    const std::string t1 = request.bytes.substr(40, 8);
    const std::string t3 = Moved(t1, c->ahead + (c->out_ms + turnaround_ms) / 1e3);
    const std::string t2 = c->stamped ? Moved(t3, -c->turnaround_ms / 1e3) : std::string(8, '\0');
    return TUdpReply{{Reply(0).substr(0, 24) + t1 + t2 + t3}};
  });
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.name);
    c = &row;
    ASSERT_TRUE(measured.QueryServerTime()) << measured.Sock().LastErrorCode();
    EXPECT_NEAR(measured.NTPOffset(), row.offset, 0.01);
    EXPECT_NEAR(measured.NTPDelay(), row.delay, 0.01);
    EXPECT_NEAR((measured.NTPTime() - measured.GetUtcTime()) * base::kSecsPerDay, row.offset, 0.01);
  }
}

TEST_F(SntpClientTest, ReplyLengths) {
  struct {
    std::size_t size;
    bool accepted;
  } const cases[] = {{47, false}, {48, true}, {68, true}};
  uint32_t seconds = kSeconds2024;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const base::TDateTime before = client.NTPTime();
    server.Script({{Reply(++seconds, 0, c.size)}});
    EXPECT_EQ(client.QueryServerTime(), c.accepted);
    EXPECT_EQ(client.NTPTime(), c.accepted ? NtpToDateTime(seconds, 0) : before);
  }
}

// No time: the 1900 time it reads as, which callers refuse, even on a clock past the wrap.
TEST_F(SntpClientTest, ZeroTransmitTimeIsNoTime) {
  fakes::TFakeClock clock(base::EncodeDate(2036, 2, 7) + 0.5);
  TSNTPClient dated{clock, platform::SystemTicks()};
  dated.TargetPort = server.PortText();
  dated.SyncTime = true;
  server.Script({{Reply(0, 0x80000000u)}});
  EXPECT_TRUE(dated.QueryServerTime());
  EXPECT_EQ(dated.LastVerdict(), TReplyVerdict::kNoTransmitTime);
  EXPECT_EQ(dated.NTPTime(), NtpToDateTime(0, 0x80000000u));
  EXPECT_TRUE(clock.utc_writes().empty());
}

TEST_F(SntpClientTest, SilentServerTimesOut) {
  server.SetDefault({});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.QueryServerTime());
  const int64_t elapsed = MillisecondsSince(start);
  EXPECT_EQ(client.Sock().LastErrorCode(), 10060);
  EXPECT_EQ(client.Sock().LastErrorText(), "Connection timed out");
  EXPECT_GE(elapsed, kShortTimeout - 20);
  EXPECT_LT(elapsed, kShortTimeout + 1500);
  EXPECT_EQ(client.NTPTime(), 0.0);
}

TEST_F(SntpClientTest, ZeroTimeoutDoesNotWait) {
  server.SetDefault({{Reply(kSeconds2024), 300}});
  client.Timeout = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.QueryServerTime());
  EXPECT_LT(MillisecondsSince(start), 250);
  EXPECT_EQ(client.Sock().LastErrorCode(), 10060);
}

TEST_F(SntpClientTest, MinusOneWaitsWithoutLimit) {
  server.Script({{Reply(kSeconds2024), kShortTimeout + 150}});
  client.Timeout = -1;
  EXPECT_TRUE(client.QueryServerTime());
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024, 0));
}

TEST_F(SntpClientTest, TwoHostsOnOneSocket) {
  TUdpResponder second(/*ipv6=*/false);
  second.SetEchoOriginate(true);
  server.Script({{Reply(kSeconds2024 + 1)}});
  second.Script({{Reply(kSeconds2024 + 2)}});
  ASSERT_TRUE(client.QueryServerTime());
  const net::TSocketHandle handle = client.Sock().Handle();
  const int local_port = client.Sock().LocalPortNumber();
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 1, 0));

  // The second bind fails on the bound socket; the query does not.
  client.TargetHost = "localhost";
  client.TargetPort = second.PortText();
  ASSERT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 2, 0));
  EXPECT_EQ(client.Sock().Handle(), handle);
  ASSERT_EQ(second.Requests().size(), 1u);
  EXPECT_EQ(net::AddressPort(second.Requests()[0].sender), local_port);
}

TEST_F(SntpClientTest, LateReplyToAnEarlierQueryIsNotTaken) {
  // The first reply comes after the time-out and is queued when the next request goes out.
  server.Script({{Reply(kSeconds2024 + 100), kShortTimeout + 100}});
  EXPECT_FALSE(client.QueryServerTime());
  ASSERT_TRUE(server.WaitIdle(2000));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  server.Script({{Reply(kSeconds2024 + 200), 30}});
  ASSERT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 200, 0));
}

TEST_F(SntpClientTest, QueuedEmptyDatagramDoesNotPoisonTheSocket) {
  server.Script({{Reply(kSeconds2024)}});
  ASSERT_TRUE(client.QueryServerTime());
  server.SendTo(fakes::LoopbackAddress(client.Sock().LocalPortNumber()), "");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  server.Script({{Reply(kSeconds2024 + 5), 30}});
  EXPECT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 5, 0));
}

TEST_F(SntpClientTest, DatagramFromAnotherSenderIsDropped) {
  // Alone: the wait runs out.
  server.Script({{Reply(kSeconds2024 + 1), 0, /*from_other_socket=*/true}});
  EXPECT_FALSE(client.QueryServerTime());
  EXPECT_EQ(client.Sock().LastErrorCode(), 10060);
  EXPECT_EQ(client.NTPTime(), 0.0);

  // Ahead of the genuine reply: the wait goes on and takes the genuine one.
  server.Script({{Reply(kSeconds2024 + 1), 0, true}, {Reply(kSeconds2024 + 2), 40}});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  EXPECT_LT(MillisecondsSince(start), kShortTimeout);
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 2, 0));
}

TEST_F(SntpClientTest, ForeignDatagramsDoNotExtendTheTimeout) {
  TUdpReply noise;
  for (int i = 0; i < 6; ++i) noise.push_back({Reply(kSeconds2024), 50, true});
  server.Script(noise);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.QueryServerTime());
  // Restarting the wait at each of them would take 300 + 200 ms.
  EXPECT_LT(MillisecondsSince(start), kShortTimeout + 250);
  EXPECT_EQ(client.Sock().LastErrorCode(), 10060);
}

TEST_F(SntpClientTest, ReachesAnIPv6Server) {
  TUdpResponder server6(/*ipv6=*/true);
  server6.SetEchoOriginate(true);
  server6.Script({{Reply(kSeconds2024 + 6)}});
  TSNTPClient client6{platform::SystemClock(), platform::SystemTicks()};
  client6.TargetHost = "::1";
  client6.TargetPort = server6.PortText();
  client6.Timeout = kShortTimeout;
  ASSERT_TRUE(client6.QueryServerTime()) << client6.Sock().LastErrorCode();
  EXPECT_EQ(client6.NTPTime(), NtpToDateTime(kSeconds2024 + 6, 0));
}

TEST_F(SntpClientTest, SyncTimeSetsTheClockOnlyWithinMaxSyncDiff) {
  fakes::TFakeClock clock;
  clock.set_utc_bias(0);
  TSNTPClient synced{clock, platform::SystemTicks()};
  synced.TargetPort = server.PortText();
  synced.Timeout = kShortTimeout;
  synced.SyncTime = true;
  struct {
    double away_seconds;
    bool set;
  } const cases[] = {{10, true}, {3601, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.away_seconds);
    const std::size_t writes = clock.utc_writes().size();
    const base::TDateTime server_time = NtpToDateTime(kSeconds2024, 0);
    clock.set_local_now(server_time - c.away_seconds / base::kSecsPerDay);
    server.Script({{Reply(kSeconds2024)}});
    EXPECT_TRUE(synced.QueryServerTime());
    ASSERT_EQ(clock.utc_writes().size(), writes + (c.set ? 1 : 0));
    if (c.set) {
      EXPECT_EQ(clock.utc_writes().back(), base::DateTimeToSystemTime(server_time));
    }
  }
}

// Every check a reply must pass before its time is believed; a refused one fails the query at
// once and leaves NTPTime alone.
TEST_F(SntpClientTest, RepliesThatMustNotBeBelieved) {
  struct {
    const char* name;
    uint8_t li_vn_mode;
    uint8_t stratum;
    TReplyVerdict verdict;
  } const cases[] = {
      {"version 3 server", 0x1C, 2, TReplyVerdict::kAccepted},
      {"version 4, leap warning", 0x64, 1, TReplyVerdict::kAccepted},
      {"version 1", 0x0C, 15, TReplyVerdict::kAccepted},
      {"version 0", 0x04, 1, TReplyVerdict::kBadVersion},
      {"version 5", 0x2C, 1, TReplyVerdict::kBadVersion},
      {"client mode", 0x23, 1, TReplyVerdict::kNotServer},
      {"broadcast mode", 0x25, 1, TReplyVerdict::kNotServer},
      {"symmetric mode", 0x21, 1, TReplyVerdict::kNotServer},
      {"kiss-o'-death", 0xE4, 0, TReplyVerdict::kBadStratum},
      {"stratum 0, no alarm", 0x24, 0, TReplyVerdict::kBadStratum},
      {"stratum 16", 0x24, 16, TReplyVerdict::kBadStratum},
      {"unsynchronised", 0xE4, 3, TReplyVerdict::kUnsynchronised},
  };
  uint32_t seconds = kSeconds2024;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const base::TDateTime before = client.NTPTime();
    std::string reply = Reply(++seconds);
    reply[0] = static_cast<char>(c.li_vn_mode);
    reply[1] = static_cast<char>(c.stratum);
    server.Script({{reply}});
    const auto start = std::chrono::steady_clock::now();
    const bool accepted = c.verdict == TReplyVerdict::kAccepted;
    EXPECT_EQ(client.QueryServerTime(), accepted);
    EXPECT_EQ(client.LastVerdict(), c.verdict);
    EXPECT_EQ(client.NTPTime(), accepted ? NtpToDateTime(seconds, 0) : before);
    EXPECT_LT(MillisecondsSince(start), kShortTimeout);  // refused at once, not timed out
  }
}

TEST_F(SntpClientTest, ReplyMustEchoTheRequest) {
  // Without the echo (a stale or forged reply) the wait runs out.
  server.SetEchoOriginate(false);
  server.Script({{Reply(kSeconds2024)}});
  EXPECT_FALSE(client.QueryServerTime());
  EXPECT_EQ(client.Sock().LastErrorCode(), 10060);
  EXPECT_EQ(client.NTPTime(), 0.0);

  // A forgery ahead of the true reply is passed over, the true one is taken.
  std::string forged = Reply(kSeconds2024 + 50);
  server.SetAnswer([&](const fakes::TUdpRequest& request) {
    std::string genuine = Reply(kSeconds2024 + 7);
    genuine.replace(24, 8, request.bytes, 40, 8);
    return TUdpReply{{forged}, {genuine, 20}};
  });
  EXPECT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 7, 0));
}

TEST_F(SntpClientTest, FloodFromAnotherPortEndsWithinTheTimeout) {
  constexpr int kMarginMs = 100;
  TUdpReply flood;
  for (int i = 0; i < 3 * kShortTimeout; ++i) flood.push_back({Reply(kSeconds2024), 1, true});
  server.Script(flood);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.QueryServerTime());
  EXPECT_LT(MillisecondsSince(start), kShortTimeout + kMarginMs);
  EXPECT_EQ(client.Sock().LastErrorCode(), 10060);
  ASSERT_TRUE(server.WaitIdle(5000));

  // The true reply in the middle of a burst is found.
  flood.assign(50, {Reply(kSeconds2024), 0, true});
  flood.push_back({Reply(kSeconds2024 + 3), 0});
  flood.insert(flood.end(), 50, {Reply(kSeconds2024), 0, true});
  server.Script(flood);
  EXPECT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 3, 0));
}

TEST_F(SntpClientTest, EmptyDatagramFromAStrangerIsDropped) {
  server.Script({{"", 0, true}, {Reply(kSeconds2024 + 4), 50}});
  EXPECT_TRUE(client.QueryServerTime()) << client.Sock().LastErrorCode();
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024 + 4, 0));
}

// A clock on either side of 2036-02-07 06:28:16 UTC (the first wrap of the 32-bit seconds) and
// far beyond it: the server's true time comes back, never a time in 1900.
TEST_F(SntpClientTest, TimesAcrossTheEraWrap) {
  fakes::TFakeClock clock;
  clock.set_utc_bias(0);
  TSNTPClient dated{clock, platform::SystemTicks()};
  dated.TargetPort = server.PortText();
  dated.Timeout = kShortTimeout;
  const base::TDateTime wrap = base::EncodeDate(2036, 2, 7) + base::EncodeTime(6, 28, 16, 0);
  const base::TDateTime second = 1.0 / base::kSecsPerDay;
  struct {
    const char* name;
    base::TDateTime local;
    base::TDateTime server;
  } const cases[] = {
      {"2026", base::EncodeDate(2026, 12, 9), base::EncodeDate(2026, 12, 9) + 3 * second},
      {"last second of era 0", wrap - second, wrap - second},
      {"client before, server after the wrap", wrap - second, wrap + second},
      {"second second of era 1", wrap, wrap + second},
      {"client after, server before the wrap", wrap + second, wrap - second},
      {"2100", base::EncodeDate(2100, 6, 1), base::EncodeDate(2100, 6, 1) - 90 * second},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clock.set_local_now(c.local);
    const double seconds = std::round((c.server - 2.0) * base::kSecsPerDay);
    const auto wire = static_cast<uint32_t>(std::fmod(seconds, 4294967296.0));
    // The first second of era 1 is zero seconds on the wire: no time, whatever the fraction.
    server.Script({{Reply(wire, 0x80000000u)}});
    ASSERT_TRUE(dated.QueryServerTime()) << dated.Sock().LastErrorCode();
    EXPECT_NEAR(dated.NTPTime(), c.server + second / 2, 1e-3 * second);
  }
}

}  // namespace
}  // namespace kestrum::sntp
