#pragma once
// A scriptable UDP responder on a loopback address (by default 127.0.0.1 at a port the system
// chose). Each request it receives is recorded and answered with the next scripted reply, else
// with what the answer function makes of it, else with the default reply: a list of datagrams,
// each sent after a delay, from the responder's socket, from a second one on another port, or
// from one on the same port of another loopback address. An empty reply is silence. Runs on its
// own thread; built on the socket layer's wrappers (the socket interface must be loaded).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/sockapi.h"

namespace kestrum::fakes {

struct TUdpSend {
  std::string bytes;
  int delay_ms = 0;
  bool from_other_socket = false;   // another port of the same address
  bool from_other_address = false;  // the same port of TUdpResponderOptions::other_address
};
using TUdpReply = std::vector<TUdpSend>;

struct TUdpRequest {
  std::string bytes;
  net::TSocketAddress sender;
};

struct TUdpResponderOptions {
  std::string address = "127.0.0.1";  // IPv4 literal; ignored with ipv6
  uint16_t port = 0;                  // 0: the system chooses
  bool ipv6 = false;                  // bind ::1 instead
  std::string other_address;          // empty: no socket for from_other_address
};

class TUdpResponder {
 public:
  using TAnswer = std::function<TUdpReply(const TUdpRequest&)>;

  // `ipv6` binds ::1 instead of 127.0.0.1.
  explicit TUdpResponder(bool ipv6 = false);
  // Throws std::runtime_error when an address cannot be bound.
  explicit TUdpResponder(const TUdpResponderOptions& options);
  ~TUdpResponder();
  TUdpResponder(const TUdpResponder&) = delete;
  TUdpResponder& operator=(const TUdpResponder&) = delete;

  uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }
  uint16_t OtherPort() const { return other_port_; }

  void Script(TUdpReply reply);
  void SetDefault(TUdpReply reply);
  // Makes the reply to each request that has no scripted one (set before the first request).
  void SetAnswer(TAnswer answer);
  // Scripted and default datagrams of 48 bytes or more get the request's transmit timestamp
  // as their originate timestamp, as a server's reply does.
  void SetEchoOriginate(bool echo);
  // Sends one datagram now, not as an answer.
  void SendTo(const net::TSocketAddress& to, const std::string& bytes, bool from_other = false);

  std::vector<TUdpRequest> Requests();
  // True when `count` requests arrived within `timeout_ms`.
  bool WaitForRequests(std::size_t count, int timeout_ms);
  // True when every scripted send of the answered requests has gone out.
  bool WaitIdle(int timeout_ms);

 private:
  void Run();
  void Answer(const TUdpRequest& request);

  net::TSocketHandle socket_ = net::kInvalidSocket;
  net::TSocketHandle other_ = net::kInvalidSocket;
  net::TSocketHandle other_address_ = net::kInvalidSocket;
  uint16_t port_ = 0;
  uint16_t other_port_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TUdpReply> script_;
  TUdpReply default_reply_;
  TAnswer answer_;
  bool echo_originate_ = false;
  std::vector<TUdpRequest> requests_;
  std::size_t answered_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// 127.0.0.1 at a port given in host order.
net::TSocketAddress LoopbackAddress(uint16_t port);

}  // namespace kestrum::fakes
