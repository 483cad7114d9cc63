#pragma once
// What each responder sends under a fault mode: SNTP datagrams, RFC 868 and HTTP scripts.

#include <cstdint>
#include <string>

#include "responders/fault_mode.h"
#include "responders/tcp_time_responder.h"
#include "responders/udp_responder.h"

namespace kestrum::fakes {

constexpr std::size_t kNtpSize = 48;

// A server's 48-byte SNTP reply: version 4, mode 4, stratum 1, the request's transmit time as
// the originate time, and `receive`/`transmit` as the other timestamps.
std::string NtpServerReply(const std::string& request, TWireTime receive, TWireTime transmit);
// The 4-byte big-endian count of an RFC 868 reply.
std::string TimeCount(uint32_t seconds);

// The datagrams that answer `request` under `fault`; `clock` is read now.
TUdpReply SntpAnswer(TFault fault, const TFaultTiming& timing, const TServerClock& clock,
                     const std::string& request);
// The script of one Time-protocol connection; `clock` is read when it is made.
TTcpTimeResponder::TScript TimeScript(TFault fault, const TFaultTiming& timing,
                                      const TServerClock& clock);
// The script of one HTTP connection: read the request head, answer 200 (or the fault).
TTcpTimeResponder::TScript HttpScript(TFault fault, const TFaultTiming& timing);

}  // namespace kestrum::fakes
