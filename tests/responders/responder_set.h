#pragma once
// The three loopback responders together (SNTP on UDP, RFC 868 and HTTP on TCP), each with its
// fault mode, sharing one clock. Fault modes and the clock can change while they run. The socket
// interface and the socket service must be started while a set exists.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "responders/fault_mode.h"
#include "responders/tcp_time_responder.h"
#include "responders/udp_responder.h"

namespace kestrum::fakes {

constexpr int kServiceOff = -1;

struct TResponderSetOptions {
  std::string address = "127.0.0.1";        // where all three listen
  std::string other_address = "127.0.0.2";  // source of kOtherAddress replies; empty: none
  int sntp_port = 0;                        // 0: system-chosen; kServiceOff: not served
  int time_port = 0;
  int http_port = 0;
  TFault sntp_fault = TFault::kNone;
  TFault time_fault = TFault::kNone;
  TFault http_fault = TFault::kNone;
  TFaultTiming timing;
  TServerClock clock = TServerClock::Shifted(0);
};

class TResponderSet {
 public:
  // Throws std::runtime_error when a port cannot be bound.
  explicit TResponderSet(const TResponderSetOptions& options);
  ~TResponderSet();
  TResponderSet(const TResponderSet&) = delete;
  TResponderSet& operator=(const TResponderSet&) = delete;

  // 0 for a service that is off.
  uint16_t SntpPort() const { return sntp_ ? sntp_->Port() : 0; }
  uint16_t TimePort() const { return time_ ? time_->port() : 0; }
  uint16_t HttpPort() const { return http_ ? http_->port() : 0; }

  void SetFaults(TFault sntp, TFault time, TFault http);
  void SetAll(TFault fault) { SetFaults(fault, fault, fault); }
  void SetClock(const TServerClock& clock);
  void SetTiming(const TFaultTiming& timing);

  std::size_t SntpRequests();
  std::size_t TimeConnections() const { return time_ ? time_->accepted() : 0; }
  std::size_t HttpConnections() const { return http_ ? http_->accepted() : 0; }
  // Null for a service that is off.
  TUdpResponder* sntp() { return sntp_.get(); }
  TTcpTimeResponder* time() { return time_.get(); }
  TTcpTimeResponder* http() { return http_.get(); }

 private:
  TResponderSetOptions Current() const;

  mutable std::mutex mutex_;
  TResponderSetOptions options_;
  std::unique_ptr<TUdpResponder> sntp_;
  std::unique_ptr<TTcpTimeResponder> time_;
  std::unique_ptr<TTcpTimeResponder> http_;
};

}  // namespace kestrum::fakes
