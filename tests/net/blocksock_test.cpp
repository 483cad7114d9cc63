#include "net/blocksock.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/socket_layer_environment.h"
#include "responders/udp_responder.h"

namespace kestrum::net {
namespace {

using R = THookSocketReason;
constexpr int kShortTimeout = 200;  // ms

struct TStatus {
  R reason;
  std::string value;
};

// A UDP socket bound to the loopback address that records its status reports.
class UdpSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sock.OnStatus = [this](TBlockSocket*, R reason, const std::string& value) {
      statuses.push_back({reason, value});
    };
    sock.Bind("127.0.0.1", "0");
    ASSERT_EQ(sock.LastErrorCode(), 0);
    statuses.clear();
  }

  // Queues datagrams for `sock` and lets them arrive.
  void Deliver(const std::vector<std::string>& datagrams) {
    for (const std::string& d : datagrams) {
      peer.SendTo(fakes::LoopbackAddress(static_cast<uint16_t>(sock.LocalPortNumber())), d);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  bool Saw(R reason, const std::string& value) const {
    for (const TStatus& s : statuses) {
      if (s.reason == reason && s.value == value) return true;
    }
    return false;
  }

  std::vector<TStatus> statuses;  // outlives the socket, which reports its closing
  fakes::TUdpResponder peer;
  TUDPBlockSocket sock{platform::SystemTicks()};
};

TEST(BlockSocketBind, DefaultBindOnFreshSocketIsSkipped) {
  TUDPBlockSocket sock{platform::SystemTicks()};
  int reports = 0;
  sock.OnStatus = [&](TBlockSocket*, R, const std::string&) { ++reports; };
  sock.Bind("0.0.0.0", "0");
  EXPECT_EQ(sock.Handle(), kInvalidSocket);
  EXPECT_EQ(sock.LastErrorCode(), 0);
  EXPECT_EQ(reports, 0);

  sock.Bind("127.0.0.1", "0");
  EXPECT_NE(sock.Handle(), kInvalidSocket);
  EXPECT_EQ(sock.LastErrorCode(), 0);
  EXPECT_NE(sock.LocalPortNumber(), 0);
  EXPECT_EQ(sock.LocalAddressText(), "127.0.0.1");
  EXPECT_EQ(reports, 4);  // resolve begin and end, created, bound
}

TEST_F(UdpSocketTest, ReadAvailableReturnsQueuedDatagramsOneAtATime) {
  Deliver({"first", "second!"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sock.ReadAvailable(5000), "first");
  EXPECT_EQ(sock.RemotePortNumber(), peer.Port());  // the sender became the remote address
  EXPECT_EQ(sock.ReadAvailable(5000), "second!");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(sock.LastErrorCode(), 0);
  EXPECT_TRUE(Saw(R::ReasonBytesRead, "7"));
}

TEST_F(UdpSocketTest, ReadAvailableTimesOut) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sock.ReadAvailable(kShortTimeout), "");
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(kShortTimeout - 20));
  EXPECT_EQ(sock.LastErrorCode(), 10060);
  EXPECT_TRUE(Saw(R::ReasonError, "10060,Connection timed out"));
  // With a hook the wait runs in quarter-second slices and keeps its length.
  static int hooked = 0;
  sock.WaitHook = [] { ++hooked; };
  const auto sliced = std::chrono::steady_clock::now();
  EXPECT_EQ(sock.ReadAvailable(600), "");
  EXPECT_GE(std::chrono::steady_clock::now() - sliced, std::chrono::milliseconds(580));
  EXPECT_EQ(hooked, 2);
  EXPECT_EQ(sock.LastErrorCode(), 10060);
}

// An empty datagram is a message like any other: taken off the queue, its sender recorded, no
// error; a pending byte and a Purge after it behave as before.
TEST_F(UdpSocketTest, EmptyDatagramIsAnEmptyMessage) {
  Deliver({"", "after"});
  EXPECT_EQ(sock.ReadAvailable(kShortTimeout), "");
  EXPECT_EQ(sock.LastErrorCode(), 0);
  EXPECT_EQ(AddressPort(sock.RemoteAddress()), peer.Port());
  EXPECT_EQ(sock.ReadAvailable(kShortTimeout), "after");

  Deliver({"x"});
  sock.Connect("127.0.0.1", peer.PortText());
  const TSocketAddress remote = sock.RemoteAddress();
  sock.Purge();
  EXPECT_EQ(sock.LastErrorCode(), 0);
  EXPECT_TRUE(SameEndpoint(sock.RemoteAddress(), remote));
  EXPECT_FALSE(sock.WaitReadable(0));
}

TEST_F(UdpSocketTest, LineBufferIsHandedOutBeforeTheSocket) {
  Deliver({"ab\r\ncd", "queued"});
  EXPECT_EQ(sock.ReadLine(kShortTimeout), "ab");
  EXPECT_EQ(sock.ReadAvailable(kShortTimeout), "cd");
  EXPECT_TRUE(sock.WaitReadable(0));  // the second datagram was not touched
  EXPECT_EQ(sock.ReadAvailable(kShortTimeout), "queued");
}

TEST_F(UdpSocketTest, ConnectReaimsTheSameHandle) {
  fakes::TUdpResponder other;
  const TSocketHandle handle = sock.Handle();
  const std::string request = std::string("\x1B") + std::string(47, '\0');
  sock.Connect("127.0.0.1", peer.PortText());
  sock.WriteText(request);
  sock.Connect("127.0.0.1", other.PortText());
  sock.WriteText(request);
  EXPECT_EQ(sock.Handle(), handle);
  ASSERT_TRUE(peer.WaitForRequests(1, 1000));
  ASSERT_TRUE(other.WaitForRequests(1, 1000));
  EXPECT_EQ(peer.Requests().at(0).bytes, request);
  EXPECT_EQ(other.Requests().at(0).bytes, request);
  EXPECT_TRUE(Saw(R::ReasonBytesWritten, "48"));
  EXPECT_TRUE(Saw(R::ReasonConnected, "127.0.0.1:" + other.PortText()));
}

TEST_F(UdpSocketTest, FailedResolutionInConnectIsNotReported) {
  sock.Connect("127.0.0.1", "no-such-service");
  EXPECT_EQ(sock.LastErrorCode(), 0);
  EXPECT_EQ(AddressFamily(sock.RemoteAddress()), kAfAny);
  EXPECT_LT(sock.WriteDataTo("x", 1), 0);  // the failure shows at the send
}

TEST_F(UdpSocketTest, StopFlagAndProxyAbandonTheSend) {
  sock.Connect("127.0.0.1", peer.PortText());
  sock.StopFlag = true;
  EXPECT_EQ(sock.WriteDataTo("x", 1), 0);
  EXPECT_EQ(sock.LastErrorCode(), 10053);
  EXPECT_FALSE(sock.StopFlag);

  sock.SocksIP = "127.0.0.1";
  EXPECT_EQ(sock.WriteDataTo("x", 1), 0);
  EXPECT_EQ(sock.LastErrorCode(), 11003);
  EXPECT_FALSE(peer.WaitForRequests(1, 100));
}

TEST_F(UdpSocketTest, RaiseExceptTurnsErrorsIntoExceptions) {
  sock.RaiseExcept = true;
  try {
    sock.ReadAvailable(10);
    ADD_FAILURE() << "no error raised";
  } catch (const EBlockSocketError& e) {
    EXPECT_STREQ(e.what(), "TCP/IP Socket error 10060: Connection timed out");
    EXPECT_EQ(e.ErrorCode, 10060);
    EXPECT_EQ(e.ErrorMessage, "Connection timed out");
  }
  EXPECT_TRUE(Saw(R::ReasonError, "10060,Connection timed out"));
}

// Exposes the error report to set codes directly.
class TProbeSocket : public TUDPBlockSocket {
 public:
  TProbeSocket() : TUDPBlockSocket(platform::SystemTicks()) {}
  void Report(int32_t code) {
    last_error_ = code;
    ReportLastError();
  }
};

TEST(BlockSocketErrors, WouldBlockAndInProgressAreNotErrors) {
  TProbeSocket sock;
  sock.RaiseExcept = true;
  int errors = 0;
  sock.OnStatus = [&](TBlockSocket*, R reason, const std::string&) {
    if (reason == R::ReasonError) ++errors;
  };
  for (const int code : {0, 10035, 10036}) {
    EXPECT_NO_THROW(sock.Report(code));
    EXPECT_EQ(sock.LastErrorText(), TBlockSocket::GetErrorDesc(code));
  }
  EXPECT_EQ(errors, 0);
  EXPECT_THROW(sock.Report(10054), EBlockSocketError);
  EXPECT_EQ(errors, 1);
}

TEST(BlockSocketResolve, ServiceNamesLiteralsAndTheClassicPath) {
  TUDPBlockSocket sock{platform::SystemTicks()};
  TSocketAddress address;
  sock.ResolveAddress(address, "127.0.0.1", "ntp");
  EXPECT_EQ(AddressFamily(address), kAfInet);
  EXPECT_EQ(AddressPort(address), 123);
  sock.ResolveAddress(address, "::1", "123");
  EXPECT_EQ(AddressFamily(address), kAfInet6);

  const bool extended = ExtendedResolverAvailable;
  ExtendedResolverAvailable = false;
  sock.ResolveAddress(address, "255.255.255.255", "ntp");
  EXPECT_EQ(sock.LastErrorCode(), 0);
  EXPECT_EQ(AddressIPv4(address), 0xFFFFFFFFu);
  EXPECT_EQ(AddressPort(address), 123);
  sock.ResolveAddress(address, "127.0.0.1", "4567");
  EXPECT_EQ(AddressPort(address), 4567);
  EXPECT_EQ(sock.RemoteAddressText(), "0.0.0.0");
  ExtendedResolverAvailable = extended;
}

TEST(BlockSocketErrors, RefusedConnectionMapsTo10061) {
  TTCPBlockSocket closed{platform::SystemTicks()};  // bound, never listening
  closed.Bind("127.0.0.1", "0");
  TTCPBlockSocket client{platform::SystemTicks()};
  client.Connect("127.0.0.1", std::to_string(closed.LocalPortNumber()));
  EXPECT_EQ(client.LastErrorCode(), 10061);
  EXPECT_EQ(client.LastErrorText(), "Connection refused");
}

TEST_F(UdpSocketTest, SendThrottleWaitsOnTheClock) {
  fakes::TFakeClock clock;
  sock.SetTicks(clock);
  sock.Connect("127.0.0.1", peer.PortText());
  sock.MaxSendBandwidth = 1000;  // bytes per second
  sock.WriteText(std::string(500, 'a'));
  sock.WriteText(std::string(500, 'b'));
  EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>{500});
  EXPECT_TRUE(Saw(R::ReasonWaiting, "500"));
  EXPECT_TRUE(peer.WaitForRequests(2, 1000));
}

// A connected stream pair on the loopback address.
class TcpPairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    listener.Bind("127.0.0.1", "0");
    listener.Listen();
    ASSERT_EQ(listener.LastErrorCode(), 0);
    client.Connect("127.0.0.1", std::to_string(listener.LocalPortNumber()));
    ASSERT_EQ(client.LastErrorCode(), 0);
    TSocketAddress from;
    server.AdoptHandle(SockAccept(listener.Handle(), from));
    ASSERT_NE(server.Handle(), kInvalidSocket);
    EXPECT_EQ(server.RemotePortNumber(), client.LocalPortNumber());
  }

  TTCPBlockSocket listener{platform::SystemTicks()};
  TTCPBlockSocket client{platform::SystemTicks()};
  TTCPBlockSocket server{platform::SystemTicks()};
};

TEST_F(TcpPairTest, CountedValuesLinesAndExactLengths) {
  client.WriteCountedText("hello");
  client.WriteInt32(-2);
  client.WriteText("one\r\ntwo\r\nrest");
  EXPECT_EQ(server.ReadCountedText(kShortTimeout), "hello");
  EXPECT_EQ(server.ReadInt32(kShortTimeout), -2);
  EXPECT_EQ(server.ReadLine(kShortTimeout), "one");
  EXPECT_EQ(server.ReadLine(kShortTimeout), "two");
  EXPECT_EQ(server.ReadExactText(4, kShortTimeout), "rest");
  EXPECT_EQ(server.ReadByte(kShortTimeout), 0);
  EXPECT_EQ(server.LastErrorCode(), 10060);
}

TEST_F(TcpPairTest, ConvertLineEndAcceptsEveryLineEnd) {
  server.ConvertLineEnd = true;
  client.WriteText("a\rb\nc\r\nd\r\n");
  for (const char* line : {"a", "b", "c", "d"}) EXPECT_EQ(server.ReadLine(kShortTimeout), line);
}

TEST_F(TcpPairTest, PeerCloseReadsAsReset) {
  client.WriteText("last");
  client.Close();
  EXPECT_EQ(server.ReadAvailable(kShortTimeout), "last");
  EXPECT_EQ(server.ReadAvailable(kShortTimeout), "");
  EXPECT_EQ(server.LastErrorCode(), 10054);
}

// Announced lengths beyond kMaxCountedLength (or negative) are refused before any of the data
// is read or allocated; the bytes after the prefix stay readable.
TEST_F(TcpPairTest, CountedReadsRefuseLengthsBeyondTheBound) {
  const struct {
    const char* name;
    std::string prefix;  // as on the wire
    int kind;            // 0: ReadCountedText, 1: ReadStreamCounted, 2: ReadStreamCountedBE
  } cases[] = {
      {"text, 2 GiB", std::string("\xFF\xFF\xFF\x7F", 4), 0},
      {"text, negative", std::string("\xFE\xFF\xFF\xFF", 4), 0},
      {"text, one past the bound", std::string("\x01\x00\x00\x01", 4), 0},
      {"stream, 2 GiB", std::string("\xFF\xFF\xFF\x7F", 4), 1},
      {"stream BE, 4 GiB - 1", std::string("\xFF\xFF\xFF\xFF", 4), 2},
      {"stream BE, one past the bound", std::string("\x01\x00\x00\x01", 4), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    client.WriteText(c.prefix + "tail\r\n");
    std::ostringstream stream;
    if (c.kind == 0) {
      EXPECT_EQ(server.ReadCountedText(kShortTimeout), "");
    } else if (c.kind == 1) {
      server.ReadStreamCounted(stream, kShortTimeout);
    } else {
      server.ReadStreamCountedBE(stream, kShortTimeout);
    }
    EXPECT_EQ(server.LastErrorCode(), 10040);
    EXPECT_EQ(stream.str(), "");
    EXPECT_EQ(server.ReadLine(kShortTimeout), "tail");
  }
  // At the bound itself the length is taken (and waited for).
  client.WriteText(std::string("\x01\x00\x00\x00", 4) + "abc");
  std::ostringstream stream;
  server.ReadStreamCountedBE(stream, kShortTimeout);
  EXPECT_EQ(server.LastErrorCode(), 10060);
}

// A line is judged by its length whether it comes in one segment or in many, and a refused
// line does not spoil the lines after it.
TEST_F(TcpPairTest, MaxLineLengthJudgesTheLineNotTheSegments) {
  constexpr int kMax = 8;
  const struct {
    const char* name;
    bool convert;
    std::vector<std::string> segments;
    std::vector<std::string> lines;  // "!" for a refused line
  } cases[] = {
      {"fits", false, {"12345678\r\nnext\r\n"}, {"12345678", "next"}},
      {"fits, CR in the next segment",
       false,
       {"12345678", "\r", "\nnext\r\n"},
       {"12345678", "next"}},
      {"long, one segment", false, {"123456789\r\nnext\r\n"}, {"!", "next"}},
      {"long, two segments", false, {"12345", "6789\r\nnext\r\n"}, {"!", "next"}},
      {"long, many segments", false, {"123456789", "abc", "def\r", "\nnext\r\n"}, {"!", "next"}},
      {"convert, fits", true, {"12345678\nnext\r"}, {"12345678", "next"}},
      {"convert, long, one segment", true, {"123456789\nnext\n"}, {"!", "next"}},
      {"convert, long, two segments", true, {"1234567", "89abc\r\nnext\n"}, {"!", "next"}},
  };
  server.MaxLineLength = kMax;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.ConvertLineEnd = c.convert;
    for (const std::string& segment : c.segments) {
      client.WriteText(segment);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const std::string& line : c.lines) {
      const std::string got = server.ReadLine(kShortTimeout);
      if (line == "!") {
        EXPECT_EQ(got, "");
        EXPECT_EQ(server.LastErrorCode(), 10040);
      } else {
        EXPECT_EQ(got, line);
        EXPECT_EQ(server.LastErrorCode(), 0);
      }
    }
  }
}

TEST_F(TcpPairTest, ReadFilterRewritesAreKeptAtAnyLength) {
  const struct {
    const char* name;
    std::function<void(std::string&)> rewrite;
    std::string expected;
  } cases[] = {
      {"same length", [](std::string& d) { d = "XYZ"; }, "XYZ"},
      {"shorter", [](std::string& d) { d = "Q"; }, "Q"},
      {"longer, cut back", [](std::string& d) { d = "12345"; }, "123"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.OnReadFilter = [&](TBlockSocket*, std::string& data) { c.rewrite(data); };
    client.WriteText("abc");
    std::string buffer(3, '\0');
    ASSERT_TRUE(server.WaitReadable(kShortTimeout));
    const int n = server.ReadData(buffer.data(), 3);
    EXPECT_EQ(buffer.substr(0, static_cast<std::size_t>(std::max(n, 0))), c.expected);
  }
}

// Streams are copied from their position to their end, in pieces of SendMaxChunk, with the
// remaining size counted in either byte order; the position of a counted stream is kept.
TEST_F(TcpPairTest, StreamsTravelFromTheirPositionCountedEitherWay) {
  client.SendMaxChunk = 3;
  std::istringstream plain("skip:abcdefgh");
  plain.seekg(5);
  client.WriteStream(plain);
  EXPECT_EQ(server.ReadExactText(8, kShortTimeout), "abcdefgh");

  std::istringstream counted("xyz");
  client.WriteStreamCounted(counted);
  std::istringstream counted_be("12345");
  client.WriteStreamCountedBE(counted_be);
  std::ostringstream out;
  server.ReadStreamCounted(out, kShortTimeout);
  EXPECT_EQ(out.str(), "xyz");
  out.str("");
  server.ReadStreamCountedBE(out, kShortTimeout);
  EXPECT_EQ(out.str(), "12345");

  std::istringstream failed("never sent");
  failed.setstate(std::ios::failbit);
  client.WriteStreamCounted(failed);  // a failed stream counts as empty
  client.WriteText("tail");
  client.Close();
  out.str("");
  server.ReadStream(out, kShortTimeout);
  EXPECT_EQ(out.str(), std::string(4, '\0') + "tail");
  EXPECT_EQ(server.LastErrorCode(), 10054);
}

}  // namespace
}  // namespace kestrum::net
