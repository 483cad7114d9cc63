#include "fakes/udp_responder.h"

#include <cstring>

namespace kestrum::fakes {
namespace {

constexpr int kSockDgram = 2;
constexpr int kIpProtoUdp = 17;
constexpr int kPollMilliseconds = 20;
constexpr int kMaxDatagram = 2048;

net::TSocketAddress LoopbackAny(bool ipv6) {
  if (!ipv6) return LoopbackAddress(0);
  std::vector<net::TSocketAddress> found;
  net::TAddrHints hints{0, net::kAfInet6, kSockDgram, kIpProtoUdp};
  net::SockGetAddrInfo(nullptr, "0", hints, found);  // no host: the loopback address
  return found.empty() ? net::TSocketAddress{} : found.front();
}

net::TSocketHandle OpenBound(bool ipv6, uint16_t& port) {
  const net::TSocketAddress address = LoopbackAny(ipv6);
  const net::TSocketHandle handle =
      net::SockSocket(net::AddressFamily(address), kSockDgram, kIpProtoUdp);
  net::SockBind(handle, address);
  net::TSocketAddress bound;
  net::SockGetSockName(handle, bound);
  port = net::AddressPort(bound);
  return handle;
}

}  // namespace

net::TSocketAddress LoopbackAddress(uint16_t port) {
  return net::MakeIPv4Address(net::SockInetAddr("127.0.0.1"), net::SockHtons(port));
}

TUdpResponder::TUdpResponder(bool ipv6) {
  socket_ = OpenBound(ipv6, port_);
  other_ = OpenBound(ipv6, other_port_);
  thread_ = std::thread([this] { Run(); });
}

TUdpResponder::~TUdpResponder() {
  stop_ = true;
  thread_.join();
  net::SockCloseSocket(socket_);
  net::SockCloseSocket(other_);
}

void TUdpResponder::Script(TUdpReply reply) {
  std::lock_guard guard(mutex_);
  script_.push_back(std::move(reply));
}

void TUdpResponder::SetDefault(TUdpReply reply) {
  std::lock_guard guard(mutex_);
  default_reply_ = std::move(reply);
}

void TUdpResponder::SendTo(const net::TSocketAddress& to, const std::string& bytes,
                           bool from_other) {
  net::SockSendTo(from_other ? other_ : socket_, bytes.data(), static_cast<int>(bytes.size()), 0,
                  to);
}

std::vector<TUdpRequest> TUdpResponder::Requests() {
  std::lock_guard guard(mutex_);
  return requests_;
}

bool TUdpResponder::WaitForRequests(std::size_t count, int timeout_ms) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return requests_.size() >= count; });
}

bool TUdpResponder::WaitIdle(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return answered_ == requests_.size(); });
}

void TUdpResponder::Run() {
  std::string buffer(kMaxDatagram, '\0');
  while (!stop_) {
    net::TFdSet set;
    net::FdAdd(socket_, set);
    net::TTimeVal wait{0, kPollMilliseconds * 1000};
    if (net::SockSelect(0, &set, nullptr, nullptr, &wait) <= 0) continue;
    TUdpRequest request;
    const int n = net::SockRecvFrom(socket_, buffer.data(), kMaxDatagram, 0, request.sender);
    if (n < 0) continue;
    request.bytes.assign(buffer.data(), static_cast<std::size_t>(n));
    {
      std::lock_guard guard(mutex_);
      requests_.push_back(request);
    }
    changed_.notify_all();
    Answer(request);
  }
}

void TUdpResponder::Answer(const TUdpRequest& request) {
  TUdpReply reply;
  {
    std::lock_guard guard(mutex_);
    if (script_.empty()) {
      reply = default_reply_;
    } else {
      reply = std::move(script_.front());
      script_.pop_front();
    }
  }
  for (const TUdpSend& send : reply) {
    if (send.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(send.delay_ms));
    SendTo(request.sender, send.bytes, send.from_other_socket);
  }
  {
    std::lock_guard guard(mutex_);
    ++answered_;
  }
  changed_.notify_all();
}

}  // namespace kestrum::fakes
