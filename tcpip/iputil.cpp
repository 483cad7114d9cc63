#include "tcpip/iputil.h"

#include <cstring>

#include "platform/timezone.h"
#include "tcpip/wsock.h"

namespace kestrum::tcpip {
namespace {

bool sockets_started = false;

uint32_t LookUp(const std::string& host) {
  const uint32_t dotted = wsock::InetAddr(host);
  if (dotted != kNoAddress) return dotted;
  wsock::THostEntry entry;
  if (!wsock::GetHostByName(host, entry)) return kNoAddress;
  if (entry.address_length <= 0 || !entry.has_address) return kNoAddress;
  return entry.first_address;
}

}  // namespace

uint32_t ResolveHost(const std::string& host) {
  if (host.empty()) return kNoAddress;
  try {
    return LookUp(host);
  } catch (...) {
    return kNoAddress;
  }
}

std::string IpToText(uint32_t address) {
  unsigned char octets[4];
  std::memcpy(octets, &address, sizeof octets);
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(octets[i]);
  }
  return text;
}

int32_t TimeZoneBias(platform::TTimeZonePort& zone) {
  using TState = platform::TTimeZoneInfo::TState;
  const platform::TTimeZoneInfo info = zone.GetTimeZoneInformation();
  switch (info.state) {
    case TState::kStandard:
      return info.bias + info.standard_bias;
    case TState::kDaylight:
      return info.bias + info.daylight_bias;
    case TState::kUnknown:
      // A zone without daylight-saving rules (Japan among them) still has its base bias.
      return info.bias;
    case TState::kFailed:
      break;
  }
  return 0;
}

void StartSocketService() {
  const int result = wsock::Startup(wsock::kVersion11);
  sockets_started = result != net::kErrInvalidArgument && result != net::kErrSystemNotReady &&
                    result != net::kErrVersionNotSupported;
}

void StopSocketService() {
  if (!sockets_started) return;
  wsock::CancelBlockingCall();
  wsock::Cleanup();
  sockets_started = false;
}

bool SocketsStarted() { return sockets_started; }

}  // namespace kestrum::tcpip
