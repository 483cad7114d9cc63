#include "tcpip/time_query.h"

#include "platform/clock.h"
#include "tcpip/iputil.h"

namespace kestrum::tcpip {
namespace {

constexpr double kMinutesPerDay = 1440.0;

}  // namespace

T_Time::T_Time(platform::TTimeZonePort& zone, platform::TClockPort& clock,
               platform::TTickPort& ticks)
    : T_TcpIp(ticks), zone_(zone), clock_(clock) {
  Port = kTimePort;
}

std::string T_Time::ReadReply(bool& reset) {
  std::string bytes;
  reset = false;
  while (bytes.size() <= static_cast<std::size_t>(kTimeReplySize)) {
    if (Eof(Socket)) {
      // Gone without the server's close being read: a reset, not a finished reply.
      if (!Closed) reset = true;
      break;
    }
    uint8_t byte = 0;
    int received = 0;
    ReadBuffer(Socket, &byte, received, 1);
    if (received == 1) bytes.push_back(static_cast<char>(byte));
    if (received < 0) reset = true;
  }
  return bytes;
}

void T_Time::FetchTime() {
  SetBound(QueryLimit);
  std::string bytes;
  bool reset = false;
  try {
    Login();
    bytes = ReadReply(reset);
  } catch (...) {
    ClearBound();
    throw;
  }
  ClearBound();
  if (BoundExpired()) {
    // A server that stays silent must not hold the caller; drop its connection too.
    Logout();
    throw ETcpIpError("No reply from " + Hostname + " within " + std::to_string(QueryLimit) +
                      " ms");
  }
  uint32_t count = 0;
  switch (JudgeTimeReply(bytes, reset, count)) {
    case TTimeReply::kComplete:
      break;
    case TTimeReply::kLong:
      Logout();  // the rest of an endless stream is not read
      throw ETcpIpError("Reply from " + Hostname + " longer than four bytes");
    case TTimeReply::kShort:
      throw ETcpIpError("Reply from " + Hostname + " shorter than four bytes");
    case TTimeReply::kReset:
      throw ETcpIpError("Connection to " + Hostname + " reset before the close");
    case TTimeReply::kZero:
      throw ETcpIpError("Reply from " + Hostname + " carries no time");
  }
  const base::TDateTime utc_now = base::SystemTimeToDateTime(clock_.GetSystemTime());
  base::TDateTime time = TimeCountNear(count, utc_now);
  if (TimeMode == tzLocal) time -= TimeZoneBias(zone_) / kMinutesPerDay;
  ServerTime = time;
}

}  // namespace kestrum::tcpip
