#include "responders/udp_responder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kestrum::fakes {
namespace {

// SNTP: the request's transmit timestamp, echoed as the reply's originate timestamp.
constexpr std::size_t kEchoFrom = 40;
constexpr std::size_t kEchoTo = 24;

constexpr int kSockDgram = 2;
constexpr int kIpProtoUdp = 17;
constexpr int kPollMilliseconds = 20;
constexpr int kMaxDatagram = 2048;

net::TSocketAddress BindAddress(const TUdpResponderOptions& options, const std::string& ipv4,
                                uint16_t port) {
  if (!options.ipv6) return net::MakeIPv4Address(net::SockInetAddr(ipv4), net::SockHtons(port));
  std::vector<net::TSocketAddress> found;
  net::TAddrHints hints{0, net::kAfInet6, kSockDgram, kIpProtoUdp};
  net::SockGetAddrInfo(nullptr, "0", hints, found);  // no host: the loopback address
  net::TSocketAddress address = found.empty() ? net::TSocketAddress{} : found.front();
  net::SetAddressPort(address, net::SockHtons(port));
  return address;
}

net::TSocketHandle OpenBound(const net::TSocketAddress& address, uint16_t& port) {
  const net::TSocketHandle handle =
      net::SockSocket(net::AddressFamily(address), kSockDgram, kIpProtoUdp);
  if (handle == net::kInvalidSocket) throw std::runtime_error("udp responder: no socket");
  net::TSocketAddress bound;
  if (net::SockBind(handle, address) != 0 || net::SockGetSockName(handle, bound) != 0) {
    net::SockCloseSocket(handle);
    throw std::runtime_error("udp responder: cannot bind port " +
                             std::to_string(net::AddressPort(address)));
  }
  port = net::AddressPort(bound);
  return handle;
}

}  // namespace

net::TSocketAddress LoopbackAddress(uint16_t port) {
  return net::MakeIPv4Address(net::SockInetAddr("127.0.0.1"), net::SockHtons(port));
}

namespace {

TUdpResponderOptions LoopbackOptions(bool ipv6) {
  TUdpResponderOptions options;
  options.ipv6 = ipv6;
  return options;
}

}  // namespace

TUdpResponder::TUdpResponder(bool ipv6) : TUdpResponder(LoopbackOptions(ipv6)) {}

TUdpResponder::TUdpResponder(const TUdpResponderOptions& options) {
  try {
    socket_ = OpenBound(BindAddress(options, options.address, options.port), port_);
    other_ = OpenBound(BindAddress(options, options.address, 0), other_port_);
    if (!options.other_address.empty()) {
      uint16_t same_port = 0;
      other_address_ = OpenBound(BindAddress(options, options.other_address, port_), same_port);
    }
  } catch (...) {
    for (const net::TSocketHandle handle : {socket_, other_}) {
      if (handle != net::kInvalidSocket) net::SockCloseSocket(handle);
    }
    throw;
  }
  thread_ = std::thread([this] { Run(); });
}

TUdpResponder::~TUdpResponder() {
  stop_ = true;
  thread_.join();
  for (const net::TSocketHandle handle : {socket_, other_, other_address_}) {
    if (handle != net::kInvalidSocket) net::SockCloseSocket(handle);
  }
}

void TUdpResponder::Script(TUdpReply reply) {
  std::lock_guard guard(mutex_);
  script_.push_back(std::move(reply));
}

void TUdpResponder::SetDefault(TUdpReply reply) {
  std::lock_guard guard(mutex_);
  default_reply_ = std::move(reply);
}

void TUdpResponder::SetAnswer(TAnswer answer) {
  std::lock_guard guard(mutex_);
  answer_ = std::move(answer);
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

void TUdpResponder::SetEchoOriginate(bool echo) {
  std::lock_guard guard(mutex_);
  echo_originate_ = echo;
}

void TUdpResponder::Answer(const TUdpRequest& request) {
  TUdpReply reply;
  {
    std::lock_guard guard(mutex_);
    if (script_.empty()) {
      reply = answer_ ? answer_(request) : default_reply_;
    } else {
      reply = std::move(script_.front());
      script_.pop_front();
    }
  }
  bool echo = false;
  {
    std::lock_guard guard(mutex_);
    echo = echo_originate_;
  }
  for (TUdpSend send : reply) {
    if (echo && send.bytes.size() >= kEchoTo + 8 && request.bytes.size() >= kEchoFrom + 8) {
      send.bytes.replace(kEchoTo, 8, request.bytes, kEchoFrom, 8);
    }
    // In slices, so that stopping the responder does not wait out a long delay.
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(send.delay_ms);
    while (!stop_ && std::chrono::steady_clock::now() < due) {
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          due - std::chrono::steady_clock::now(), std::chrono::milliseconds(kPollMilliseconds)));
    }
    if (stop_) break;
    if (send.from_other_address && other_address_ != net::kInvalidSocket) {
      net::SockSendTo(other_address_, send.bytes.data(), static_cast<int>(send.bytes.size()), 0,
                      request.sender);
    } else {
      SendTo(request.sender, send.bytes, send.from_other_socket);
    }
  }
  {
    std::lock_guard guard(mutex_);
    ++answered_;
  }
  changed_.notify_all();
}

}  // namespace kestrum::fakes
