#pragma once
// Host resolution, dotted address text, the local zone bias and the process-wide start and stop
// of the Winsock 1.1 service used by the TCP client.

#include <cstdint>
#include <string>

#include "platform/timezone.h"

namespace kestrum::tcpip {

// All ones: no address (also what "255.255.255.255" resolves to).
constexpr uint32_t kNoAddress = 0xFFFFFFFFu;

// Host name or dotted IPv4 text -> address in network order; kNoAddress when unresolvable.
uint32_t ResolveHost(const std::string& host);

// Address in network order -> "a.b.c.d", the first octet on the wire first.
std::string IpToText(uint32_t address);

// Minutes such that UTC = local time + bias (Japan: -540) in `zone`; 0 when it cannot be read.
int32_t TimeZoneBias(platform::TTimeZonePort& zone);

// Starts the Winsock 1.1 service; call once at program start, before any window exists.
// A failure is not reported: later socket calls fail and Login raises.
void StartSocketService();
// Stops the service if it was started; call once in the program's shutdown sequence.
void StopSocketService();
bool SocketsStarted();

}  // namespace kestrum::tcpip
