#pragma once
// T_Time: asks a server for the time with the RFC 868 Time protocol over TCP. The server sends
// seconds since 1900-01-01 00:00 UTC as four bytes, big-endian, then closes. More bytes, or four
// and a reset, are no answer; fewer, or a count of zero, a time in 1900.

#include <cstdint>
#include <string>

#include "base/datetime.h"
#include "base/era.h"
#include "platform/clock.h"
#include "platform/timezone.h"
#include "tcpip/tcpip.h"

namespace kestrum::tcpip {

constexpr uint16_t kTimePort = 37;
constexpr int kTimeReplySize = 4;
// Longest a whole query (connect and reply) may block, in milliseconds.
constexpr uint32_t kTimeQueryLimitMs = 5000;
// TDateTime of 1900-01-01 00:00, the protocol's epoch.
constexpr base::TDateTime kTimeProtocolEpoch = 2.0;

enum t_timemode : uint8_t {
  tzUTC = 0,    // ServerTime is UTC
  tzLocal = 1,  // ServerTime is shifted to the machine's local time
};

// Running count of the reply: each byte shifts in below the earlier ones.
inline double AccumulateTimeByte(double count, uint8_t byte) { return count * 256.0 + byte; }
// Seconds since 1900 -> TDateTime (UTC).
inline base::TDateTime TimeCountToDateTime(double count) {
  return kTimeProtocolEpoch + count / base::kSecsPerDay;
}
// A four-byte count in the era base::ResolveEra gives it by the clock's `utc_now`.
inline base::TDateTime TimeCountInEra(uint32_t count, base::TDateTime utc_now) {
  return base::ResolveEra(TimeCountToDateTime(count), utc_now);
}

// How the reply stream ended.
enum class TTimeReply { kComplete, kShort, kLong, kReset, kZero };
// Judges a whole reply: `bytes` as received, `reset` when it ended in a reset (or receive
// error) rather than the server's close. `count` is set for kComplete.
inline TTimeReply JudgeTimeReply(const std::string& bytes, bool reset, uint32_t& count) {
  if (bytes.size() > static_cast<std::size_t>(kTimeReplySize)) return TTimeReply::kLong;
  if (reset) return TTimeReply::kReset;
  if (bytes.size() < static_cast<std::size_t>(kTimeReplySize)) return TTimeReply::kShort;
  double value = 0.0;
  for (const char byte : bytes) value = AccumulateTimeByte(value, static_cast<uint8_t>(byte));
  count = static_cast<uint32_t>(value);
  return count == 0 ? TTimeReply::kZero : TTimeReply::kComplete;
}

class T_Time : public T_TcpIp {
 public:
  // `zone` shifts ServerTime in tzLocal mode; `clock` (its UTC time) picks the era a count is
  // read in; `ticks` time QueryLimit.
  T_Time(platform::TTimeZonePort& zone, platform::TClockPort& clock, platform::TTickPort& ticks);

  // Connects to Port of Hostname and reads the reply into ServerTime, in the era
  // base::ResolveEra gives it. Fewer than four bytes (before a close or a reset) or a zero count
  // give the 1900 time they read as. Raises ETcpIpError or ESocketError when no connection can
  // be made, and ETcpIpError when QueryLimit passes first, the reply is longer than four bytes,
  // or four bytes end in a reset; ServerTime then keeps the previous query's value. The socket
  // stays open until the next query.
  void FetchTime();
  void Action() override { FetchTime(); }

  base::TDateTime ServerTime = 0.0;
  t_timemode TimeMode = tzUTC;
  // Bound on the whole query in milliseconds.
  uint32_t QueryLimit = kTimeQueryLimitMs;

 private:
  // Reads until the close, a receive error, or one byte more than a reply may have.
  std::string ReadReply(bool& reset);

  platform::TTimeZonePort& zone_;
  platform::TClockPort& clock_;
};

}  // namespace kestrum::tcpip
