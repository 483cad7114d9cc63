#include "bench/path_responder.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "net/sockapi.h"
#include "responders/fault_mode.h"
#include "responders/replies.h"
#include "responders/udp_responder.h"

namespace kestrum::bench {
namespace {

constexpr int kSockDgram = 2;
constexpr int kIpProtoUdp = 17;
constexpr int kPollMilliseconds = 20;
constexpr int kMaxDatagram = 2048;
// The same draws on every run.
constexpr uint32_t kJitterSeed = 20261209;

}  // namespace

int ServeBehindPath(uint16_t port, double shift_seconds, const TPath& path, double seconds,
                    const std::string& ready_file) {
  const net::TSocketHandle sock = net::SockSocket(net::kAfInet, kSockDgram, kIpProtoUdp);
  if (sock == net::kInvalidSocket || net::SockBind(sock, fakes::LoopbackAddress(port)) != 0) {
    std::fprintf(stderr, "cannot bind udp port %u\n", port);
    return 1;
  }
  if (!ready_file.empty()) std::ofstream(ready_file) << "sntp=" << port << '\n';
  const fakes::TServerClock clock = fakes::TServerClock::Shifted(shift_seconds);
  std::minstd_rand draws(kJitterSeed);
  const auto leg = [&](uint32_t fixed_ms) {
    return std::chrono::milliseconds(fixed_ms +
                                     (path.jitter_ms > 0 ? draws() % (path.jitter_ms + 1) : 0));
  };
  std::mutex sending;
  // One thread per request: on a real path requests and replies overlap.
  std::vector<std::thread> in_flight;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::string buffer(kMaxDatagram, '\0');
  while (std::chrono::steady_clock::now() < end) {
    net::TFdSet set;
    net::FdAdd(sock, set);
    net::TTimeVal wait{0, kPollMilliseconds * 1000};
    if (net::SockSelect(0, &set, nullptr, nullptr, &wait) <= 0) continue;
    net::TSocketAddress client;
    const int n = net::SockRecvFrom(sock, buffer.data(), kMaxDatagram, 0, client);
    if (n < static_cast<int>(fakes::kNtpSize)) continue;
    const std::string request(buffer.data(), static_cast<std::size_t>(n));
    const auto out = leg(path.out_ms);
    const auto back = leg(path.back_ms);
    in_flight.emplace_back([=, &clock, &sending] {
      std::this_thread::sleep_for(out);
      const fakes::TWireTime arrived = clock.Now();
      const std::string reply = fakes::NtpServerReply(request, arrived, arrived);
      std::this_thread::sleep_for(back);
      const std::lock_guard guard(sending);
      net::SockSendTo(sock, reply.data(), static_cast<int>(reply.size()), 0, client);
    });
  }
  for (std::thread& request : in_flight) request.join();
  net::SockCloseSocket(sock);
  return 0;
}

}  // namespace kestrum::bench
