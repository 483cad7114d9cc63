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
  const TTimeReply judged = JudgeTimeReply(bytes, reset, count);
  base::TDateTime time = 0.0;
  if (judged == TTimeReply::kComplete) {
    time = TimeCountInEra(count, base::SystemTimeToDateTime(clock_.GetSystemTime()));
  } else if (judged == TTimeReply::kZero || bytes.size() < kTimeReplySize) {
    // Fewer than four bytes or a zero count: the 1900 time they read as, never moved to a later
    // era, which the caller refuses as it refuses any time before 2000.
    double partial = 0.0;
    for (const char byte : bytes) partial = AccumulateTimeByte(partial, static_cast<uint8_t>(byte));
    time = TimeCountToDateTime(partial);
  } else if (judged == TTimeReply::kLong) {
    Logout();  // the rest of an endless stream is not read
    throw ETcpIpError("Reply from " + Hostname + " longer than four bytes");
  } else {
    throw ETcpIpError("Connection to " + Hostname + " reset before the close");
  }
  if (TimeMode == tzLocal) time -= TimeZoneBias(zone_) / kMinutesPerDay;
  ServerTime = time;
}

}  // namespace kestrum::tcpip
