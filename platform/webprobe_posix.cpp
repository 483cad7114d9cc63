// The network probe on POSIX: one HTTP/1.1 GET over a TCP socket. The server answered when a
// status line arrives. Connecting, sending and waiting for the answer share one time budget,
// so a silent server cannot hold the caller for long.
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/webprobe_posix.h"

namespace kestrum::platform {
namespace {

// Long enough for a slow network, short enough that the window is not held for long.
constexpr int kSystemBudgetMs = 5000;
constexpr char kDefaultPort[] = "80";
constexpr std::string_view kScheme = "http://";
constexpr std::string_view kAgent = "Brelvint";
constexpr std::string_view kStatusPrefix = "HTTP/";

struct TUrl {
  std::string host;
  std::string port = kDefaultPort;
  std::string path = "/";
};

std::optional<TUrl> ParseUrl(std::string_view url) {
  if (url.substr(0, kScheme.size()) != kScheme) return std::nullopt;
  url.remove_prefix(kScheme.size());
  TUrl result;
  const size_t slash = url.find('/');
  std::string_view authority = url.substr(0, slash);
  if (slash != std::string_view::npos) result.path = std::string(url.substr(slash));
  const size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    result.port = std::string(authority.substr(colon + 1));
    authority = authority.substr(0, colon);
  }
  if (authority.size() >= 2 && authority.front() == '[') {
    authority = authority.substr(1, authority.size() - 2);
  }
  result.host = std::string(authority);
  if (result.host.empty()) return std::nullopt;
  return result;
}

int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The probe's budget, and the hook its waits call between slices.
class TDeadline {
 public:
  TDeadline(int budget_ms, TWaitHook hook) : end_ms_(MonotonicMs() + budget_ms), hook_(hook) {}
  int RemainingMs() const {
    const int64_t left = end_ms_ - MonotonicMs();
    return left > 0 ? static_cast<int>(left) : 0;
  }
  TWaitHook Hook() const { return hook_; }

 private:
  int64_t end_ms_;
  TWaitHook hook_;
};

bool WaitFor(int fd, short events, const TDeadline& deadline) {
  pollfd p{fd, events, 0};
  const int slice = deadline.Hook() ? static_cast<int>(kWaitSliceMs) : deadline.RemainingMs();
  int n;
  for (;;) {
    const int left = deadline.RemainingMs();
    n = poll(&p, 1, std::min(left, slice));
    if (n < 0 && errno == EINTR) continue;
    if (n != 0 || left <= slice) break;
    deadline.Hook()();
  }
  return n == 1 && (p.revents & events) != 0;
}

bool ConnectWithin(int fd, const addrinfo& address, const TDeadline& deadline) {
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return true;
  if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT, deadline)) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool SendAll(int fd, const std::string& data, const TDeadline& deadline) {
  size_t done = 0;
  while (done < data.size()) {
    if (!WaitFor(fd, POLLOUT, deadline)) return false;
    const ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReceiveStatusLine(int fd, const TDeadline& deadline) {
  std::string received;
  char buffer[64];
  while (received.size() < kStatusPrefix.size()) {
    if (!WaitFor(fd, POLLIN, deadline)) return false;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    received.append(buffer, static_cast<size_t>(n));
  }
  return received.compare(0, kStatusPrefix.size(), kStatusPrefix) == 0;
}

bool AskOne(const addrinfo& address, const TUrl& url, const TDeadline& deadline) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                        address.ai_protocol);
  if (fd < 0) return false;
  const std::string host = url.port == kDefaultPort ? url.host : url.host + ":" + url.port;
  const std::string request = "GET " + url.path + " HTTP/1.1\r\nHost: " + host +
                              "\r\nUser-Agent: " + std::string(kAgent) +
                              "\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
  const bool answered = ConnectWithin(fd, address, deadline) && SendAll(fd, request, deadline) &&
                        ReceiveStatusLine(fd, deadline);
  close(fd);
  return answered;
}

class THttpProbe final : public TWebProbePort {
 public:
  explicit THttpProbe(int budget_ms) : budget_ms_(budget_ms) {}

  bool Probe(const std::string& url) override {
    const auto parsed = ParseUrl(url);
    if (!parsed) return false;
    const TDeadline deadline(budget_ms_, WaitHook());
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int code = 0;
    RunChecking(
        [&] { code = getaddrinfo(parsed->host.c_str(), parsed->port.c_str(), &hints, &found); },
        WaitHook());
    if (code != 0) return false;
    bool answered = false;
    for (addrinfo* a = found; a != nullptr && !answered && deadline.RemainingMs() > 0;
         a = a->ai_next) {
      answered = AskOne(*a, *parsed, deadline);
    }
    freeaddrinfo(found);
    return answered;
  }

 private:
  int budget_ms_;
};

}  // namespace

std::unique_ptr<TWebProbePort> MakeHttpProbe(int budget_ms) {
  return std::make_unique<THttpProbe>(budget_ms);
}

TWebProbePort& SystemWebProbe() {
  static THttpProbe probe(kSystemBudgetMs);
  return probe;
}

}  // namespace kestrum::platform
