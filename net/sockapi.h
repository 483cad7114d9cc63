#pragma once
// Socket interface: the platform's socket functions bound at run time into one table, the
// start-up and shutdown of the socket service, the socket layer's lock, and the thin wrappers
// through which the blocking socket makes its system calls. Codes are Winsock numbers on every
// platform (0 = success).

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kestrum::net {

using TSocketHandle = std::uintptr_t;
constexpr TSocketHandle kInvalidSocket = ~TSocketHandle{0};
constexpr int kSocketError = -1;  // failure result of the socket calls

constexpr int kAfAny = 0;
constexpr int kAfInet = 2;
extern const int kAfInet6;  // 23 on Windows; the platform's own value elsewhere

constexpr int kIPv4AddressLength = 16;
constexpr int kIPv6AddressLength = 28;
constexpr int kSocketAddressSize = 28;
constexpr std::size_t kMaxFdSetHandles = 64;
constexpr uint16_t kWinsockVersion = 0x0202;
constexpr int kHostNameBufferSize = 255;
constexpr long kFionRead = 0x4004667F;
constexpr int kAiPassive = 1;
constexpr uint32_t kInaddrNone = 0xFFFFFFFF;

inline const char kDefaultSocketLibrary[] = "ws2_32.dll";
inline const char kLoadErrorText[] = "Error loading Socket interface (ws2_32.dll)!";

constexpr std::array<uint8_t, 16> kIPv6Any{};
constexpr std::array<uint8_t, 16> kIPv6Loopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

// An IPv4 or IPv6 socket address in the platform's layout, 16-bit family first.
struct TSocketAddress {
  alignas(8) unsigned char bytes[kSocketAddressSize] = {};
};

int AddressFamily(const TSocketAddress& address);
// 16 for IPv4, 28 for IPv6, 0 for anything else.
int AddressLength(const TSocketAddress& address);
uint16_t AddressPort(const TSocketAddress& address);  // host order
// Same family, port and address bytes.
bool SameEndpoint(const TSocketAddress& a, const TSocketAddress& b);
TSocketAddress MakeIPv4Address(uint32_t address_net, uint16_t port_net);
void SetAddressPort(TSocketAddress& address, uint16_t port_net);
uint32_t AddressIPv4(const TSocketAddress& address);  // network order; 0 unless IPv4

// Descriptor set in the Winsock layout: a count and at most 64 handles.
struct TFdSet {
  uint32_t fd_count = 0;
  TSocketHandle fd_array[kMaxFdSetHandles] = {};
};
void FdZero(TFdSet& set);
// Appends while the set holds fewer than 64 handles; duplicates are not looked for.
void FdAdd(TSocketHandle handle, TFdSet& set);

struct TTimeVal {
  int32_t tv_sec = 0;
  int32_t tv_usec = 0;
};

struct TAddrHints {
  int flags = 0;
  int family = kAfAny;
  int socktype = 0;
  int protocol = 0;
};

// Process-wide state of the loaded interface.
extern bool ExtendedResolverAvailable;  // getaddrinfo & co. found in the main library
extern bool IPv6ResolverAvailable;      // ... found in the IPv6 support library instead
std::mutex& SocketLayerLock();
int SocketInterfaceUseCount();

// Loads the library (empty = ws2_32.dll) and binds the table; counts uses.
bool LoadSocketInterface(const std::string& library_name);
// Releases one use, unloading at zero; always true.
bool ReleaseSocketInterface();

// Program start: load and start the socket service (version 2.2). Raises EBlockSocketError
// "Error loading Socket interface (ws2_32.dll)!" when the library cannot be loaded.
void InitSocketInterface(const std::string& library_name = "");
// Program end: stop the service and release the library.
void DoneSocketInterface();

// Wrappers over the table. Results as the platform's calls: -1 on failure, then SockLastError.
int SockLastError();
TSocketHandle SockSocket(int family, int type, int protocol);
int SockCloseSocket(TSocketHandle handle);
int SockIoctl(TSocketHandle handle, long command, unsigned long& argument);
int SockBind(TSocketHandle handle, const TSocketAddress& address);
int SockConnect(TSocketHandle handle, const TSocketAddress& address);
int SockListen(TSocketHandle handle, int backlog);
TSocketHandle SockAccept(TSocketHandle handle, TSocketAddress& address);
int SockGetSockName(TSocketHandle handle, TSocketAddress& address);
int SockGetPeerName(TSocketHandle handle, TSocketAddress& address);
int SockSend(TSocketHandle handle, const void* buffer, int length, int flags);
int SockRecv(TSocketHandle handle, void* buffer, int length, int flags);
int SockSendTo(TSocketHandle handle, const void* buffer, int length, int flags,
               const TSocketAddress& address);
int SockRecvFrom(TSocketHandle handle, void* buffer, int length, int flags, TSocketAddress& from);
// `timeout` null waits without limit.
int SockSelect(int nfds, TFdSet* read, TFdSet* write, TFdSet* except, const TTimeVal* timeout);
int SockSetSockOpt(TSocketHandle handle, int level, int name, const void* value, int length);
int SockShutdown(TSocketHandle handle, int how);
uint16_t SockHtons(uint16_t value);
uint16_t SockNtohs(uint16_t value);
uint32_t SockHtonl(uint32_t value);
uint32_t SockNtohl(uint32_t value);
uint32_t SockInetAddr(const std::string& text);  // network order; kInaddrNone when not dotted
std::string SockInetNtoa(uint32_t address_net);
std::string SockGetHostName();

// Extended resolver: every result address; returns the resolver's code (0 = found).
int SockGetAddrInfo(const char* host, const char* service, const TAddrHints& hints,
                    std::vector<TSocketAddress>& results);
// Numeric host and port text of an address; returns the resolver's code.
int SockGetNameInfo(const TSocketAddress& address, std::string& host, std::string& service);
// Classic resolver; callers hold SocketLayerLock.
bool SockGetProtoName(int protocol, std::string& name);
bool SockGetServPort(const std::string& service, const std::string& protocol, uint16_t& port_net);
bool SockGetHostByName(const std::string& host, uint32_t& address_net);

}  // namespace kestrum::net
