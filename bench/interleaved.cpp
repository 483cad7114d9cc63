#include "bench/interleaved.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "net/sockapi.h"
#include "platform/clock.h"
#include "platform/ticks.h"
#include "platform/timezone.h"
#include "responders/responder_set.h"
#include "sntp/sntpclient.h"
#include "tcpip/time_query.h"
#include "tcpip/wsock.h"

namespace kestrum::bench {
namespace {

constexpr int kSockDgram = 2;
constexpr int kIpProtoUdp = 17;
constexpr int kNtpSize = 48;
constexpr int kReplyWaitMs = 5000;  // the SNTP client's time-out

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Microseconds(const std::function<bool()>& exchange, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = exchange() && ok;
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
      .count();
}

// The SNTP floor handles its socket as the client does: one socket for the whole run, aimed
// at the server before every exchange, one 48-byte request, a select for the reply, one read.
class TUdpFloor {
 public:
  explicit TUdpFloor(uint16_t port)
      : server_(net::MakeIPv4Address(net::SockInetAddr("127.0.0.1"), net::SockHtons(port))),
        handle_(net::SockSocket(net::kAfInet, kSockDgram, kIpProtoUdp)) {
    request_[0] = 0x1B;
  }
  ~TUdpFloor() { net::SockCloseSocket(handle_); }
  TUdpFloor(const TUdpFloor&) = delete;
  TUdpFloor& operator=(const TUdpFloor&) = delete;

  bool Exchange() {
    if (net::SockConnect(handle_, server_) != 0) return false;
    if (net::SockSend(handle_, request_.data(), kNtpSize, 0) != kNtpSize) return false;
    net::TFdSet readable;
    net::FdZero(readable);
    net::FdAdd(handle_, readable);
    const net::TTimeVal wait{kReplyWaitMs / 1000, 0};
    if (net::SockSelect(0, &readable, nullptr, nullptr, &wait) != 1) return false;
    char reply[512];
    return net::SockRecv(handle_, reply, sizeof reply, 0) >= kNtpSize;
  }

 private:
  net::TSocketAddress server_;
  net::TSocketHandle handle_;
  std::string request_ = std::string(kNtpSize, '\0');
};

// The Time protocol floor handles its connection as the client does: the bounded connect of
// the Winsock 1.1 seam, reads until the server closes, and the socket closed only when the next
// exchange begins.
class TTcpFloor {
 public:
  explicit TTcpFloor(uint16_t port) {
    server_.sin_family = tcpip::wsock::kAfInet;
    server_.sin_port = tcpip::wsock::Htons(port);
    server_.sin_addr = tcpip::wsock::InetAddr("127.0.0.1");
  }
  ~TTcpFloor() { Close(); }
  TTcpFloor(const TTcpFloor&) = delete;
  TTcpFloor& operator=(const TTcpFloor&) = delete;

  bool Exchange() {
    namespace wsock = tcpip::wsock;
    Close();
    socket_ = wsock::Socket(wsock::kAfInet, wsock::kSockStream, 0);
    open_ = socket_ != wsock::kInvalidSocket;
    if (wsock::ConnectWithin(socket_, server_, kReplyWaitMs) != 0) return false;
    int total = 0;
    char bytes[16];
    while (wsock::WaitReadable(socket_, kReplyWaitMs) == 1) {
      const int n = wsock::Recv(socket_, bytes, sizeof bytes, 0);
      if (n <= 0) break;
      total += n;
    }
    return total == 4;
  }

 private:
  void Close() {
    if (open_) tcpip::wsock::CloseSocket(socket_);
    open_ = false;
  }

  tcpip::wsock::TSockAddrIn server_{};
  tcpip::wsock::TSocket socket_{};
  bool open_ = false;
};

// The ratio is the median of the rounds' ratios: a round in which the machine's other work took
// the client's time slices (the client yields once per read) moves one round, not the result.
bool Report(const char* name, int rounds, int pairs, const std::function<bool()>& client,
            const std::function<bool()>& floor) {
  bool ok = true;
  // Unmeasured pairs first: the sockets, caches and the responder's thread warm up.
  for (int i = 0; i < pairs / 4; ++i) Microseconds(client, ok), Microseconds(floor, ok);
  std::vector<double> client_medians, floor_medians, ratios;
  for (int r = 0; r < rounds; ++r) {
    std::vector<double> c, f;
    for (int i = 0; i < pairs; ++i) {
      c.push_back(Microseconds(client, ok));
      f.push_back(Microseconds(floor, ok));
    }
    client_medians.push_back(Median(c));
    floor_medians.push_back(Median(f));
    ratios.push_back(client_medians.back() / floor_medians.back());
  }
  const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
  std::printf(
      "%s client_us=%.1f floor_us=%.1f ratio=%.3f round_low=%.3f round_high=%.3f "
      "rounds=%d pairs=%d ok=%d\n",
      name, Median(client_medians), Median(floor_medians), Median(ratios), *low, *high, rounds,
      pairs, ok ? 1 : 0);
  return ok;
}

}  // namespace

int Interleaved(int rounds, int pairs) {
  fakes::TResponderSetOptions options;
  options.http_port = fakes::kServiceOff;
  fakes::TResponderSet set(options);

  sntp::TSNTPClient sntp{platform::SystemClock(), platform::SystemTicks()};
  sntp.TargetPort = std::to_string(set.SntpPort());
  TUdpFloor udp(set.SntpPort());
  const bool sntp_ok = Report(
      "sntp", rounds, pairs, [&] { return sntp.QueryServerTime(); },
      [&] { return udp.Exchange(); });

  tcpip::T_Time time{platform::SystemTimeZone(), platform::SystemClock(), platform::SystemTicks()};
  time.Hostname = "127.0.0.1";
  time.Port = set.TimePort();
  TTcpFloor tcp(set.TimePort());
  const bool time_ok = Report(
      "time", rounds, pairs,
      [&] {
        time.FetchTime();
        return true;
      },
      [&] { return tcp.Exchange(); });
  return sntp_ok && time_ok ? 0 : 1;
}

}  // namespace kestrum::bench
