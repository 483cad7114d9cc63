#pragma once
// Seam over the statically bound Winsock 1.1 calls of the TCP client. Values, option numbers and
// error codes are Winsock's on every platform: the POSIX side translates them (errno -> 100xx).
// Sockets are blocking; only ConnectWithin switches one to non-blocking for its own wait.

#include <cstdint>
#include <string>

#include "net/sockerror.h"  // the error codes
#include "platform/wait.h"

namespace kestrum::tcpip::wsock {

// The platform's socket handle widened to a signed value; -1 is the invalid handle.
using TSocket = std::intptr_t;
constexpr TSocket kInvalidSocket = -1;
constexpr int kSocketError = -1;

constexpr uint16_t kVersion11 = 0x0101;
constexpr int kAfInet = 2;
constexpr int kSockStream = 1;
constexpr int kSolSocket = 0xFFFF;
constexpr int kSoSndTimeo = 0x1005;  // value: 32-bit milliseconds
constexpr int kSoRcvTimeo = 0x1006;  // value: 32-bit milliseconds
constexpr uint32_t kInaddrNone = 0xFFFFFFFFu;

// IPv4 socket address in the Winsock layout: family, port and address in network order.
struct TSockAddrIn {
  uint16_t sin_family = 0;
  uint16_t sin_port = 0;
  uint32_t sin_addr = 0;
  uint8_t sin_zero[8] = {};
};
static_assert(sizeof(TSockAddrIn) == 16);

// What a host-name lookup found: the address length of the entry and its first address.
struct THostEntry {
  int address_length = 0;
  bool has_address = false;
  uint32_t first_address = 0;  // network order
};

// Service start and stop; Startup returns 0 or the platform's error code.
int Startup(uint16_t version);
int Cleanup();
int CancelBlockingCall();
// Error code of the calling thread's last failed socket call.
int LastError();

TSocket Socket(int family, int type, int protocol);
int Connect(TSocket s, const TSockAddrIn& address, int length);
int CloseSocket(TSocket s);
// Bytes received, 0 when the peer closed, -1 on failure.
int Recv(TSocket s, void* buffer, int length, int flags);
int Send(TSocket s, const void* data, int length, int flags);
int SetSockOpt(TSocket s, int level, int name, const void* value, int length);
int GetPeerName(TSocket s, TSockAddrIn& address, int& length);
// False when the name has no entry.
bool GetHostByName(const std::string& name, THostEntry& entry);
// Dotted IPv4 text to an address in network order; kInaddrNone when it is not one.
uint32_t InetAddr(const std::string& text);
uint16_t Htons(uint16_t value);
uint32_t Ntohl(uint32_t value);

// Connects and waits at most `milliseconds`, in slices with `hook` between them when it is set;
// on expiry fails with net::kErrTimedOut. The socket is blocking again afterwards.
int ConnectWithin(TSocket s, const TSockAddrIn& address, uint32_t milliseconds,
                  platform::TWaitHook hook = {});
// 1 when data (or the peer's close) can be read, 0 when `milliseconds` passed, -1 on failure.
int WaitReadable(TSocket s, uint32_t milliseconds);

}  // namespace kestrum::tcpip::wsock
