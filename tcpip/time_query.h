#pragma once
// T_Time: asks a server for the time with the RFC 868 Time protocol over TCP. The server sends
// seconds since 1900-01-01 00:00 UTC, big-endian, then closes; every byte before the close counts.

#include <cstdint>

#include "base/datetime.h"
#include "platform/timezone.h"
#include "tcpip/tcpip.h"

namespace kestrum::tcpip {

constexpr uint16_t kTimePort = 37;
// Longest a whole query (connect and reply) may block, in milliseconds.
constexpr uint32_t kTimeQueryLimitMs = 5000;
// TDateTime of 1900-01-01 00:00, the protocol's epoch.
constexpr lib::TDateTime kTimeProtocolEpoch = 2.0;

enum t_timemode : uint8_t {
  tzUTC = 0,    // ServerTime is UTC
  tzLocal = 1,  // ServerTime is shifted to the machine's local time
};

// Running count of the reply: each byte shifts in below the earlier ones.
inline double AccumulateTimeByte(double count, uint8_t byte) { return count * 256.0 + byte; }
// Seconds since 1900 -> TDateTime (UTC).
inline lib::TDateTime TimeCountToDateTime(double count) {
  return kTimeProtocolEpoch + count / lib::kSecsPerDay;
}

class T_Time : public T_TcpIp {
 public:
  // `zone` shifts ServerTime in tzLocal mode.
  explicit T_Time(platform::TTimeZonePort& zone = platform::SystemTimeZone());

  // Connects to Port of Hostname and reads the reply into ServerTime. Raises ETcpIpError or
  // ESocketError when no connection can be made, and ETcpIpError when QueryLimit passes first;
  // ServerTime then keeps the previous query's value. The socket stays open until the next query.
  void FetchTime();
  void Action() override { FetchTime(); }

  lib::TDateTime ServerTime = 0.0;
  t_timemode TimeMode = tzUTC;
  // Bound on the whole query in milliseconds.
  uint32_t QueryLimit = kTimeQueryLimitMs;

 private:
  double ReadCount();

  platform::TTimeZonePort& zone_;
};

}  // namespace kestrum::tcpip
