#pragma once
// The real protocol clients behind the acquisition sequence's two query interfaces.

#include <memory>

#include "app/time_clients.h"
#include "platform/clock.h"
#include "platform/ticks.h"
#include "platform/timezone.h"

namespace kestrum::app {

// SNTP over UDP to the well-known port: stamped by `clock`, its wait timed by `ticks`.
std::unique_ptr<TSntpQuery> MakeSntpClient(platform::TClockPort& clock, platform::TTickPort& ticks);
// The Time protocol over TCP to port 37, times in UTC (`zone` would shift local ones), read in
// the era of `clock`, its bound timed by `ticks`.
std::unique_ptr<TTimeQuery> MakeTimeClient(platform::TTimeZonePort& zone,
                                           platform::TClockPort& clock, platform::TTickPort& ticks);

// The socket layers a running program needs: the Winsock 2 table (loading it may throw
// EBlockSocketError, before any window exists) and the Winsock 1.1 service. Both are stopped
// when the guard ends.
class TSocketServices {
 public:
  TSocketServices();
  ~TSocketServices();
  TSocketServices(const TSocketServices&) = delete;
  TSocketServices& operator=(const TSocketServices&) = delete;
};

}  // namespace kestrum::app
