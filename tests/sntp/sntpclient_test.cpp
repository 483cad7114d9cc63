#include "sntp/sntpclient.h"

#include <gtest/gtest.h>

#include <thread>

#include "fakes/fake_clock.h"
#include "fakes/loopback_socket_layer.h"
#include "responders/udp_responder.h"

namespace kestrum::sntp {
namespace {

using fakes::TUdpReply;
using fakes::TUdpResponder;

constexpr int kShortTimeout = 200;  // ms
constexpr uint32_t kSeconds2024 = 3913056000u;

std::string Reply(uint32_t seconds, uint32_t fraction = 0, std::size_t size = 48) {
  std::string bytes(std::max<std::size_t>(size, 48), '\0');
  bytes[0] = '\x1C';  // server mode; never examined
  bytes.replace(40, 8, EncodeInt32BE(seconds) + EncodeInt32BE(fraction));
  bytes.resize(size);
  return bytes;
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
  }

  TUdpResponder server;
  TSNTPClient client;
};

TEST(SntpClientDefaults, MatchTheProtocol) {
  TSNTPClient client;
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
  EXPECT_EQ(requests[0].bytes, std::string("\x1B") + std::string(47, '\0'));
  EXPECT_EQ(client.NTPTime(), NtpToDateTime(kSeconds2024, 0x80000000u));
  EXPECT_EQ(client.NTPOffset(), 0.0);
  EXPECT_EQ(client.NTPDelay(), 0.0);
}

TEST_F(SntpClientTest, ReplyLengths) {
  struct {
    std::size_t size;
    bool accepted;
  } const cases[] = {{47, false}, {48, true}, {68, true}};
  uint32_t seconds = kSeconds2024;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const lib::TDateTime before = client.NTPTime();
    server.Script({{Reply(++seconds, 0, c.size)}});
    EXPECT_EQ(client.QueryServerTime(), c.accepted);
    EXPECT_EQ(client.NTPTime(), c.accepted ? NtpToDateTime(seconds, 0) : before);
  }
}

TEST_F(SntpClientTest, ZeroTransmitTimeIs1900) {
  server.Script({{Reply(0)}});
  EXPECT_TRUE(client.QueryServerTime());
  EXPECT_EQ(client.NTPTime(), 2.0);
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
  server6.Script({{Reply(kSeconds2024 + 6)}});
  TSNTPClient client6;
  client6.TargetHost = "::1";
  client6.TargetPort = server6.PortText();
  client6.Timeout = kShortTimeout;
  ASSERT_TRUE(client6.QueryServerTime()) << client6.Sock().LastErrorCode();
  EXPECT_EQ(client6.NTPTime(), NtpToDateTime(kSeconds2024 + 6, 0));
}

TEST_F(SntpClientTest, SyncTimeSetsTheClockOnlyWithinMaxSyncDiff) {
  fakes::TFakeClock clock;
  clock.set_utc_bias(0);
  TSNTPClient synced{clock};
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
    const lib::TDateTime server_time = NtpToDateTime(kSeconds2024, 0);
    clock.set_local_now(server_time - c.away_seconds / lib::kSecsPerDay);
    server.Script({{Reply(kSeconds2024)}});
    EXPECT_TRUE(synced.QueryServerTime());
    ASSERT_EQ(clock.utc_writes().size(), writes + (c.set ? 1 : 0));
    if (c.set) {
      EXPECT_EQ(clock.utc_writes().back(), lib::DateTimeToSystemTime(server_time));
    }
  }
}

}  // namespace
}  // namespace kestrum::sntp
