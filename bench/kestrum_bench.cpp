// Benchmarks of the protocol clients against loopback responders, next to bare sockets doing
// the same exchange, plus two measuring modes for tools/bench.sh:
//   kestrum-bench [benchmark options]     the timing table (Google Benchmark)
//   kestrum-bench offset SHIFT RUNS [PORT]  offset error in hundredths, median and largest
//                                           (against 127.0.0.1:PORT when given)
//   kestrum-bench headless RUNS [PORT SHIFT]  "get time" to the success status, median ms;
//                                           peak RSS; with PORT also the offset error
//   kestrum-bench serve PORT SHIFT OUT BACK JITTER SECONDS READY  SNTP behind a path (ms)
//   kestrum-bench interleaved ROUNDS PAIRS  client against its floor, exchange by exchange

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "bench/headless_run.h"
#include "bench/interleaved.h"
#include "bench/path_responder.h"
#include "net/sockapi.h"
#include "platform/clock.h"
#include "platform/ticks.h"
#include "platform/timezone.h"
#include "responders/responder_set.h"
#include "sntp/sntpclient.h"
#include "tcpip/iputil.h"
#include "tcpip/time_query.h"
#include "tcpip/wsock.h"

namespace {

using namespace kestrum;

constexpr int kSockDgram = 2;
constexpr int kIpProtoUdp = 17;
constexpr std::size_t kNtpSize = 48;
constexpr double kDisplayShift = 0.375;  // the program's nine hours, in days
constexpr double kHundredthsPerDay = 8640000.0;

fakes::TResponderSet& Responders() {
  static fakes::TResponderSet set{fakes::TResponderSetOptions{}};
  return set;
}

void BM_SntpExchange(benchmark::State& state) {
  sntp::TSNTPClient client{platform::SystemClock(), platform::SystemTicks()};
  client.TargetPort = std::to_string(Responders().SntpPort());
  for (auto _ : state) {
    if (!client.QueryServerTime()) state.SkipWithError("SNTP query failed");
  }
}
BENCHMARK(BM_SntpExchange)->UseRealTime();

// The floor: one 48-byte datagram out and one back on a plain blocking socket.
void BM_UdpRoundTrip(benchmark::State& state) {
  const net::TSocketAddress server =
      net::MakeIPv4Address(net::SockInetAddr("127.0.0.1"), net::SockHtons(Responders().SntpPort()));
  const net::TSocketHandle handle = net::SockSocket(net::kAfInet, kSockDgram, kIpProtoUdp);
  std::string request(kNtpSize, '\0');
  request[0] = 0x1B;
  char reply[512];
  for (auto _ : state) {
    net::SockSendTo(handle, request.data(), static_cast<int>(request.size()), 0, server);
    net::TSocketAddress from;
    if (net::SockRecvFrom(handle, reply, sizeof reply, 0, from) < static_cast<int>(kNtpSize)) {
      state.SkipWithError("no reply");
    }
  }
  net::SockCloseSocket(handle);
}
BENCHMARK(BM_UdpRoundTrip)->UseRealTime();

void BM_TimeQuery(benchmark::State& state) {
  tcpip::T_Time client{platform::SystemTimeZone(), platform::SystemClock(),
                       platform::SystemTicks()};
  client.Hostname = "127.0.0.1";
  client.Port = Responders().TimePort();
  for (auto _ : state) client.FetchTime();
}
BENCHMARK(BM_TimeQuery)->UseRealTime();

// The floor: connect, read the four bytes until the server closes, close.
void BM_TcpConnectRead(benchmark::State& state) {
  namespace wsock = tcpip::wsock;
  wsock::TSockAddrIn server;
  server.sin_family = wsock::kAfInet;
  server.sin_port = wsock::Htons(Responders().TimePort());
  server.sin_addr = wsock::InetAddr("127.0.0.1");
  for (auto _ : state) {
    const wsock::TSocket s = wsock::Socket(wsock::kAfInet, wsock::kSockStream, 0);
    if (wsock::Connect(s, server, sizeof server) != 0) state.SkipWithError("connect failed");
    char bytes[16];
    int total = 0;
    for (int n; (n = wsock::Recv(s, bytes, sizeof bytes, 0)) > 0;) total += n;
    if (total != 4) state.SkipWithError("not four bytes");
    wsock::CloseSocket(s);
  }
}
BENCHMARK(BM_TcpConnectRead)->UseRealTime();

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The offset as the program computes it, with the local clock read as UTC + nine hours so that
// the true offset is exactly the responder's shift.
// Without a port, against a responder of its own.
int Offset(double shift, int runs, uint16_t port) {
  std::unique_ptr<fakes::TResponderSet> own;
  if (port == 0) {
    fakes::TResponderSetOptions options;
    options.time_port = options.http_port = fakes::kServiceOff;
    options.clock = fakes::TServerClock::Shifted(shift);
    own = std::make_unique<fakes::TResponderSet>(options);
    port = own->SntpPort();
  }
  sntp::TSNTPClient client{platform::SystemClock(), platform::SystemTicks()};
  client.TargetPort = std::to_string(port);
  std::vector<double> errors;
  for (int i = 0; i < runs; ++i) {
    if (!client.QueryServerTime()) {
      std::fprintf(stderr, "SNTP query failed\n");
      return 1;
    }
    const double local_now =
        base::SystemTimeToDateTime(platform::SystemClock().GetSystemTime()) + kDisplayShift;
    const double offset =
        std::nearbyint((client.NTPTime() + kDisplayShift - local_now) * kHundredthsPerDay);
    errors.push_back(std::fabs(offset - shift * 100));
  }
  std::printf("median_error=%g max_error=%g runs=%d\n", Median(errors),
              *std::max_element(errors.begin(), errors.end()), runs);
  return 0;
}

// Without a port, against responders of its own; with one, against the SNTP server there
// (shifted by `shift` s), whose offset error the window's offset shows (the local clock is the
// zone's: run it with TZ=Asia/Tokyo).
int Headless(int runs, uint16_t port, double shift) {
  std::unique_ptr<fakes::TResponderSet> own;
  uint16_t time_port = 0;
  if (port == 0) {
    fakes::TResponderSetOptions options;
    options.http_port = fakes::kServiceOff;
    own = std::make_unique<fakes::TResponderSet>(options);
    port = own->SntpPort();
    time_port = own->TimePort();
  }
  bench::THeadlessKestrum kestrum(port, time_port);
  std::vector<double> ms;
  std::vector<double> errors;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = kestrum.Acquire();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
    if (!ok) {
      std::fprintf(stderr, "no success status\n");
      return 1;
    }
    errors.push_back(std::fabs(kestrum.OffsetHundredths() - shift * 100));
  }
  // Every press must have asked the responder, not just left the last status in place.
  if (own && own->SntpRequests() != static_cast<std::size_t>(runs)) {
    std::fprintf(stderr, "%zu SNTP requests for %d presses\n", own->SntpRequests(), runs);
    return 1;
  }
  std::printf("median_ms=%.3f runs=%d peak_rss_kib=%ld", Median(ms), runs, PeakRssKiB());
  if (!own) {
    std::printf(" median_error=%g max_error=%g", Median(errors),
                *std::max_element(errors.begin(), errors.end()));
  }
  std::printf("\n");
  return 0;
}

uint16_t PortArg(const char* text) { return static_cast<uint16_t>(std::atoi(text)); }

uint32_t MsArg(const char* text) { return static_cast<uint32_t>(std::atoi(text)); }

}  // namespace

int main(int argc, char** argv) {
  net::InitSocketInterface();
  tcpip::StartSocketService();
  int status = 0;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "offset" && (argc == 4 || argc == 5)) {
    status = Offset(std::atof(argv[2]), std::atoi(argv[3]), argc == 5 ? PortArg(argv[4]) : 0);
  } else if (mode == "interleaved" && argc == 4) {
    status = bench::Interleaved(std::atoi(argv[2]), std::atoi(argv[3]));
  } else if (mode == "headless" && (argc == 3 || argc == 5)) {
    status = Headless(std::atoi(argv[2]), argc == 5 ? PortArg(argv[3]) : 0,
                      argc == 5 ? std::atof(argv[4]) : 0);
  } else if (mode == "serve" && argc == 9) {
    const bench::TPath path{MsArg(argv[4]), MsArg(argv[5]), MsArg(argv[6])};
    status = bench::ServeBehindPath(PortArg(argv[2]), std::atof(argv[3]), path, std::atof(argv[7]),
                                    argv[8]);
  } else {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  tcpip::StopSocketService();
  net::DoneSocketInterface();
  return status;
}
