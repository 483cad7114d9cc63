#include "responders/tcp_time_responder.h"

#include <stdexcept>

#include "platform/ticks.h"
#include "responders/wsock_server.h"

namespace kestrum::fakes {
namespace {

namespace wsock = tcpip::wsock;

// Real ticks and sleep: the responder serves real sockets even while a test fakes the clock.
uint32_t Ticks() { return platform::SystemTicks().GetTickCount(); }

constexpr uint32_t kPollSliceMs = 20;
constexpr uint32_t kReceiveLimitMs = 2000;
constexpr int kBacklog = 8;
constexpr uint32_t kLoopback = 0x7F000001u;

// Longest request head taken by kReceiveHead.
constexpr std::size_t kMaxHead = 16384;

uint32_t LoopbackAddress() {
  // Network order whatever the host order is.
  return wsock::Ntohl(kLoopback);
}

wsock::TSocket ListenAt(uint32_t address_net, int backlog, uint16_t& port) {
  const wsock::TSocket listener = wsock::Socket(wsock::kAfInet, wsock::kSockStream, 0);
  if (listener == wsock::kInvalidSocket) throw std::runtime_error("responder: no socket");
  wsock::TSockAddrIn address;
  address.sin_family = wsock::kAfInet;
  address.sin_port = wsock::Htons(port);
  address.sin_addr = address_net;
  wsock::TSockAddrIn bound;
  if (wsock_server::Bind(listener, address) != 0 || wsock_server::Listen(listener, backlog) != 0 ||
      wsock_server::GetSockName(listener, bound) != 0) {
    wsock::CloseSocket(listener);
    throw std::runtime_error("responder: cannot listen on port " + std::to_string(port));
  }
  port = wsock::Htons(bound.sin_port);  // the swap is its own inverse
  return listener;
}

}  // namespace

wsock::TSocket ListenOnLoopback(int backlog, uint16_t& port) {
  port = 0;
  return ListenAt(LoopbackAddress(), backlog, port);
}

wsock::TSocket ListenOn(const std::string& address, int backlog, uint16_t& port) {
  const uint32_t address_net = wsock::InetAddr(address);
  if (address_net == wsock::kInaddrNone) {
    throw std::runtime_error("responder: not an IPv4 address: " + address);
  }
  return ListenAt(address_net, backlog, port);
}

TTcpTimeResponder::TTcpTimeResponder() {
  listener_ = ListenOnLoopback(kBacklog, port_);
  thread_ = std::thread([this] { Run(); });
}

TTcpTimeResponder::TTcpTimeResponder(const std::string& address, uint16_t port) : port_(port) {
  listener_ = ListenOn(address, kBacklog, port_);
  thread_ = std::thread([this] { Run(); });
}

TTcpTimeResponder::~TTcpTimeResponder() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  thread_.join();
  for (TPlayer& player : players_) player.thread.join();
  wsock::CloseSocket(listener_);
}

void TTcpTimeResponder::Enqueue(TScript script) {
  const std::lock_guard<std::mutex> lock(mutex_);
  scripts_.push_back(std::move(script));
}

void TTcpTimeResponder::SetScriptMaker(TScriptMaker maker) {
  const std::lock_guard<std::mutex> lock(mutex_);
  maker_ = std::move(maker);
}

void TTcpTimeResponder::SetConcurrent(bool concurrent) {
  const std::lock_guard<std::mutex> lock(mutex_);
  concurrent_ = concurrent;
}

std::size_t TTcpTimeResponder::accepted() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

std::string TTcpTimeResponder::received() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

bool TTcpTimeResponder::WaitForClientCloses(std::size_t n, uint32_t ms) {
  const uint32_t start = Ticks();
  for (;;) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (client_closes_ >= n) return true;
    }
    if (Ticks() - start >= ms) return false;
    platform::SystemTicks().Sleep(kPollSliceMs / 4);
  }
}

void TTcpTimeResponder::Run() {
  for (;;) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
    }
    if (wsock::WaitReadable(listener_, kPollSliceMs) != 1) continue;
    const wsock::TSocket connection = wsock_server::Accept(listener_);
    if (connection == wsock::kInvalidSocket) continue;
    TScript script;
    bool concurrent = false;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++accepted_;
      if (!scripts_.empty()) {
        script = std::move(scripts_.front());
        scripts_.pop_front();
      } else if (maker_) {
        script = maker_();
      }
      concurrent = concurrent_;
    }
    ReapPlayers();
    if (concurrent && Blocks(script)) {
      auto done = std::make_shared<std::atomic<bool>>(false);
      std::thread player([this, connection, script = std::move(script), done] {
        Play(connection, script);
        *done = true;
      });
      players_.push_back({std::move(player), std::move(done)});
    } else {
      Play(connection, script);
    }
  }
}

bool TTcpTimeResponder::Blocks(const TScript& script) {
  for (const TStep& step : script) {
    if (step.kind != TStep::TKind::kSend && step.kind != TStep::TKind::kClose &&
        step.kind != TStep::TKind::kReset) {
      return true;
    }
  }
  return false;
}

void TTcpTimeResponder::ReapPlayers() {
  for (auto it = players_.begin(); it != players_.end();) {
    if (*it->done) {
      it->thread.join();
      it = players_.erase(it);
    } else {
      ++it;
    }
  }
}

void TTcpTimeResponder::Play(wsock::TSocket connection, const TScript& script) {
  using TKind = TStep::TKind;
  for (const TStep& step : script) {
    switch (step.kind) {
      case TKind::kSend:
        wsock::Send(connection, step.bytes.data(), static_cast<int>(step.bytes.size()), 0);
        break;
      case TKind::kDelay:
        Pause(step.milliseconds);
        break;
      case TKind::kReceive:
        if (!ReceiveBytes(connection, step.count)) {
          wsock::CloseSocket(connection);
          return;
        }
        break;
      case TKind::kReceiveHead:
        if (!ReceiveHead(connection)) {
          wsock::CloseSocket(connection);
          return;
        }
        break;
      case TKind::kHang:
        HangUntilClosed(connection);
        break;
      case TKind::kRepeat:
        RepeatUntilClosed(connection, step);
        break;
      case TKind::kClose:
        wsock::CloseSocket(connection);
        return;
      case TKind::kReset:
        wsock_server::AbortiveClose(connection);
        return;
    }
  }
  wsock::CloseSocket(connection);
}

bool TTcpTimeResponder::ReceiveBytes(wsock::TSocket connection, std::size_t count) {
  std::size_t got = 0;
  const uint32_t start = Ticks();
  while (got < count && Ticks() - start < kReceiveLimitMs) {
    if (wsock::WaitReadable(connection, kPollSliceMs) != 1) continue;
    char buffer[256];
    const int n = wsock::Recv(connection, buffer, static_cast<int>(sizeof buffer), 0);
    if (n <= 0) return false;
    const std::lock_guard<std::mutex> lock(mutex_);
    received_.append(buffer, static_cast<std::size_t>(n));
    got += static_cast<std::size_t>(n);
  }
  return got >= count;
}

bool TTcpTimeResponder::ReceiveHead(wsock::TSocket connection) {
  // One byte at a time, so nothing after the head is taken from the client.
  std::string head;
  const uint32_t start = Ticks();
  while (head.size() < kMaxHead && Ticks() - start < kReceiveLimitMs) {
    if (wsock::WaitReadable(connection, kPollSliceMs) != 1) continue;
    char byte = 0;
    if (wsock::Recv(connection, &byte, 1, 0) <= 0) return false;
    head.push_back(byte);
    if (head.ends_with("\r\n\r\n") || head.ends_with("\n\n")) {
      const std::lock_guard<std::mutex> lock(mutex_);
      received_ += head;
      return true;
    }
  }
  return false;
}

void TTcpTimeResponder::HangUntilClosed(wsock::TSocket connection) {
  for (;;) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
    }
    if (wsock::WaitReadable(connection, kPollSliceMs) != 1) continue;
    char buffer[64];
    if (wsock::Recv(connection, buffer, static_cast<int>(sizeof buffer), 0) > 0) continue;
    const std::lock_guard<std::mutex> lock(mutex_);
    ++client_closes_;
    return;
  }
}

void TTcpTimeResponder::RepeatUntilClosed(wsock::TSocket connection, const TStep& step) {
  const uint32_t start = Ticks();
  while (Ticks() - start < kRepeatLimitMs) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
    }
    const int length = static_cast<int>(step.bytes.size());
    if (wsock::Send(connection, step.bytes.data(), length, 0) != length) return;
    if (step.milliseconds > 0) Pause(step.milliseconds);
  }
}

void TTcpTimeResponder::Pause(uint32_t ms) const {
  const uint32_t start = Ticks();
  while (Ticks() - start < ms) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
    }
    platform::SystemTicks().Sleep(kPollSliceMs / 4);
  }
}

TUnansweredListener::TUnansweredListener() {
  // Backlog 0 still queues one connection; the ones made here fill the queue.
  listener_ = ListenOnLoopback(0, port_);
  wsock::TSockAddrIn target;
  target.sin_family = wsock::kAfInet;
  target.sin_port = wsock::Htons(port_);
  target.sin_addr = LoopbackAddress();
  for (int i = 0; i < 2; ++i) {
    const wsock::TSocket filler = wsock::Socket(wsock::kAfInet, wsock::kSockStream, 0);
    if (filler == wsock::kInvalidSocket) break;
    fillers_.push_back(filler);
    wsock::ConnectWithin(filler, target, 100);
  }
}

TUnansweredListener::~TUnansweredListener() {
  for (const wsock::TSocket filler : fillers_) wsock::CloseSocket(filler);
  wsock::CloseSocket(listener_);
}

}  // namespace kestrum::fakes
