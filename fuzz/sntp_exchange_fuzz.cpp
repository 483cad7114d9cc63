// One SNTP exchange through TSNTPClient against a loopback responder thread that answers the
// request with the input as one datagram, the request's transmit timestamp copied in as the
// originate timestamp (bytes 24-31) when the input is that long. True exactly for 48 bytes or
// more whose header passes the checks (version 1-4, mode 4, stratum 1-15, leap indicator not 3);
// NTPTime is then bytes 40-47 (seconds + fraction over 2^32 - 1, cut to a tenth of a ms) in the
// era base::ResolveEra's rule gives (zero seconds stay in 1900), plus at most half of NTPDelay,
// which is no longer than the query took; NTPOffset is NTPTime less the clock at arrival.
// Otherwise NTPTime keeps the previous value.
//
// Input: the reply datagram (empty: a datagram without data).
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "base/era.h"
#include "fuzz/fuzz_check.h"
#include "net/sockapi.h"
#include "platform/clock.h"
#include "platform/ticks.h"
#include "sntp/sntpclient.h"

using namespace kestrum;

namespace {

constexpr int kSockDgram = 2;
constexpr int kIpProtoUdp = 17;
constexpr int kTimeoutMs = 2000;
constexpr std::size_t kNtpSize = 48;
constexpr std::size_t kOriginateAt = 24;
constexpr std::size_t kTransmitAt = 40;
constexpr long double kEraDays = 4294967296.0L / 86400.0L;

// The checks, from the raw bytes.
bool Believable(const std::string& reply) {
  if (reply.size() < kNtpSize) return false;
  const auto first = static_cast<uint8_t>(reply[0]);
  const auto stratum = static_cast<uint8_t>(reply[1]);
  const int version = (first >> 3) & 7;
  return version >= 1 && version <= 4 && (first & 7) == 4 && stratum >= 1 && stratum <= 15 &&
         (first >> 6) != 3;
}

// Answers every request with the current reply; one per process.
class TResponder {
 public:
  TResponder() {
    socket_ = net::SockSocket(net::kAfInet, kSockDgram, kIpProtoUdp);
    net::SockBind(socket_, net::MakeIPv4Address(net::SockInetAddr("127.0.0.1"), 0));
    net::TSocketAddress bound;
    net::SockGetSockName(socket_, bound);
    port_ = net::AddressPort(bound);
    thread_ = std::thread([this] { Run(); });
    thread_.detach();  // lives as long as the fuzzing process
  }
  uint16_t port() const { return port_; }
  void SetReply(std::string reply) {
    const std::lock_guard<std::mutex> lock(mutex_);
    reply_ = std::move(reply);
  }

 private:
  void Run() {
    char request[512];
    for (;;) {
      net::TSocketAddress from;
      const int n = net::SockRecvFrom(socket_, request, sizeof request, 0, from);
      if (n < 0) continue;
      std::string reply;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        reply = reply_;
      }
      if (reply.size() >= kOriginateAt + 8 && n >= static_cast<int>(kTransmitAt + 8)) {
        reply.replace(kOriginateAt, 8, request + kTransmitAt, 8);
      }
      net::SockSendTo(socket_, reply.data(), static_cast<int>(reply.size()), 0, from);
    }
  }

  net::TSocketHandle socket_ = net::kInvalidSocket;
  uint16_t port_ = 0;
  std::mutex mutex_;
  std::string reply_;
  std::thread thread_;
};

uint32_t Word(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (std::size_t i = at; i < at + 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[i]);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = [] {
    net::InitSocketInterface();
    return true;
  }();
  static TResponder responder;
  static sntp::TSNTPClient client{platform::SystemClock(), platform::SystemTicks()};
  (void)started;
  client.TargetPort = std::to_string(responder.port());
  client.Timeout = kTimeoutMs;

  const std::string reply(reinterpret_cast<const char*>(data), size);
  responder.SetReply(reply);
  const base::TDateTime before = client.NTPTime();
  const base::TDateTime start = client.GetUtcTime();
  const bool ok = client.QueryServerTime();
  const base::TDateTime end = client.GetUtcTime();
  FUZZ_CHECK(ok == Believable(reply), "%zu-byte reply (%02x %02x) gave %d (error %d)", size,
             size > 0 ? data[0] : 0, size > 1 ? data[1] : 0, ok, client.Sock().LastErrorCode());
  if (!ok) {
    FUZZ_CHECK(client.NTPTime() == before, "a failed query changed NTPTime");
    return 0;
  }
  const long double seconds = Word(reply, 40) + Word(reply, 44) / 4294967295.0L;
  const long double era0 = 2.0L + seconds / 86400.0L;
  const bool no_time = Word(reply, 40) == 0;
  const bool next = !no_time && era0 < base::EncodeDate(2000, 1, 1) &&
                    std::max(end, base::BuildDate()) >= base::EncodeDate(2035, 2, 7);
  const long double expected = era0 + (next ? kEraDays : 0);
  // Milliseconds of the clock's resolution at either end of the round trip.
  const double took = (end - start) * 86400 + 2e-3;
  FUZZ_CHECK(client.NTPDelay() >= 0 && client.NTPDelay() <= took, "delay %.6f s, took %.6f s",
             client.NTPDelay(), took);
  // The fraction is cut to four decimals: up to a tenth of a millisecond early.
  const long double later = (static_cast<long double>(client.NTPTime()) - expected) * 86400;
  FUZZ_CHECK(later > -1.01e-4L && later < (no_time ? 0 : client.NTPDelay() / 2) + 1e-6,
             "transmit %08x.%08x: NTPTime %.12f, %.6Lf s after the transmit time %.12Lf",
             Word(reply, 40), Word(reply, 44), client.NTPTime(), later, expected);
  const double offset = (client.NTPTime() - end) * 86400;
  FUZZ_CHECK(client.NTPOffset() >= offset - 1e-6 && client.NTPOffset() <= offset + took,
             "offset %.6f s, NTPTime less the clock after %.6f s", client.NTPOffset(), offset);
  return 0;
}
