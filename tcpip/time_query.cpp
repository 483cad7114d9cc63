#include "tcpip/time_query.h"

#include "tcpip/iputil.h"

namespace kestrum::tcpip {
namespace {

constexpr double kMinutesPerDay = 1440.0;

}  // namespace

T_Time::T_Time(platform::TTimeZonePort& zone) : zone_(zone) { Port = kTimePort; }

double T_Time::ReadCount() {
  double count = 0.0;
  while (!Eof(Socket)) {
    uint8_t byte = 0;
    int received = 0;
    ReadBuffer(Socket, &byte, received, 1);
    if (received == 1) count = AccumulateTimeByte(count, byte);
  }
  return count;
}

void T_Time::FetchTime() {
  SetBound(QueryLimit);
  double count = 0.0;
  try {
    Login();
    count = ReadCount();
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
  lib::TDateTime time = TimeCountToDateTime(count);
  if (TimeMode == tzLocal) time -= TimeZoneBias(zone_) / kMinutesPerDay;
  ServerTime = time;
}

}  // namespace kestrum::tcpip
