#include "net/sockapi.h"

#include <algorithm>
#include <cstring>

#include "net/sockerror.h"
#include "net/sockplatform.h"

namespace kestrum::net {

bool ExtendedResolverAvailable = false;
bool IPv6ResolverAvailable = false;

namespace {

int use_count = 0;
TSocketTable table;
sys::TWsaData service_data;

// Error of a call whose table entry is empty; read by the next SockLastError, which must read
// the platform's error before it touches this.
thread_local int missing_entry_error = 0;

int MissingEntry() {
  missing_entry_error = kErrNotInitialised;
  return kSocketError;
}

}  // namespace

TSocketTable& SocketTable() { return table; }

std::mutex& SocketLayerLock() {
  static std::mutex lock;
  return lock;
}

int SocketInterfaceUseCount() { return use_count; }

bool LoadSocketInterface(const std::string& library_name) {
  const std::string name = library_name.empty() ? kDefaultSocketLibrary : library_name;
  std::lock_guard guard(SocketLayerLock());
  if (use_count > 0) {
    ++use_count;
    return true;
  }
  ExtendedResolverAvailable = false;
  IPv6ResolverAvailable = false;
  if (!PlatformLoadLibrary(name)) return false;
  table = TSocketTable{};
  PlatformBindTable(table);
  ExtendedResolverAvailable = table.getaddrinfo && table.freeaddrinfo && table.getnameinfo;
  if (!ExtendedResolverAvailable && PlatformLoadIPv6Library()) {
    PlatformBindIPv6Resolver(table);
    IPv6ResolverAvailable = table.getaddrinfo && table.freeaddrinfo && table.getnameinfo;
  }
  ++use_count;
  return true;
}

bool ReleaseSocketInterface() {
  std::lock_guard guard(SocketLayerLock());
  if (use_count > 0) --use_count;
  if (use_count == 0) {
    PlatformUnloadLibraries();
    table = TSocketTable{};
  }
  return true;
}

void InitSocketInterface(const std::string& library_name) {
  if (!LoadSocketInterface(library_name)) {
    throw EBlockSocketError(kLoadErrorText, 0, kLoadErrorText);
  }
  // The outcome shows in the later calls (kErrNotInitialised when the service did not start).
  if (table.WSAStartup) table.WSAStartup(kWinsockVersion, &service_data);
}

void DoneSocketInterface() {
  if (table.WSACleanup) table.WSACleanup();
  ReleaseSocketInterface();
}

// --- addresses and descriptor sets ---

int AddressFamily(const TSocketAddress& address) {
  uint16_t family;
  std::memcpy(&family, address.bytes, sizeof family);
  return family;
}

int AddressLength(const TSocketAddress& address) {
  const int family = AddressFamily(address);
  if (family == kAfInet) return kIPv4AddressLength;
  if (family == kAfInet6) return kIPv6AddressLength;
  return 0;
}

uint16_t AddressPort(const TSocketAddress& address) {
  // Both layouts keep the port right after the family.
  sockaddr_in in;
  std::memcpy(&in, address.bytes, sizeof in);
  return SockNtohs(in.sin_port);
}

void SetAddressPort(TSocketAddress& address, uint16_t port_net) {
  sockaddr_in in;
  std::memcpy(&in, address.bytes, sizeof in);
  in.sin_port = port_net;
  std::memcpy(address.bytes, &in, sizeof in);
}

uint32_t AddressIPv4(const TSocketAddress& address) {
  if (AddressFamily(address) != kAfInet) return 0;
  sockaddr_in in;
  std::memcpy(&in, address.bytes, sizeof in);
  uint32_t result;
  std::memcpy(&result, &in.sin_addr, sizeof result);
  return result;
}

bool SameEndpoint(const TSocketAddress& a, const TSocketAddress& b) {
  const int family = AddressFamily(a);
  if (family != AddressFamily(b) || AddressPort(a) != AddressPort(b)) return false;
  if (family == kAfInet) {
    sockaddr_in x, y;
    std::memcpy(&x, a.bytes, sizeof x);
    std::memcpy(&y, b.bytes, sizeof y);
    return std::memcmp(&x.sin_addr, &y.sin_addr, sizeof x.sin_addr) == 0;
  }
  if (family == kAfInet6) {
    sockaddr_in6 x, y;
    std::memcpy(&x, a.bytes, sizeof x);
    std::memcpy(&y, b.bytes, sizeof y);
    return std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0;
  }
  return false;
}

TSocketAddress MakeIPv4Address(uint32_t address_net, uint16_t port_net) {
  sockaddr_in in{};
  in.sin_family = kAfInet;
  in.sin_port = port_net;
  std::memcpy(&in.sin_addr, &address_net, sizeof address_net);
  TSocketAddress result;
  std::memcpy(result.bytes, &in, sizeof in);
  return result;
}

void FdZero(TFdSet& set) { set.fd_count = 0; }

void FdAdd(TSocketHandle handle, TFdSet& set) {
  if (set.fd_count < kMaxFdSetHandles) set.fd_array[set.fd_count++] = handle;
}

// --- wrappers ---

int SockLastError() {
  // The platform's error first: MinGW emulates thread-local storage, and its first use clears
  // the thread's last error, so touching missing_entry_error before would read 0.
  const int platform_error = table.WSAGetLastError ? table.WSAGetLastError() : kErrNotInitialised;
  if (missing_entry_error != 0) {
    const int code = missing_entry_error;
    missing_entry_error = 0;
    return code;
  }
  return platform_error;
}

TSocketHandle SockSocket(int family, int type, int protocol) {
  if (!table.socket) {
    MissingEntry();
    return kInvalidSocket;
  }
  return FromNative(table.socket(family, type, protocol));
}

int SockCloseSocket(TSocketHandle handle) {
  if (!table.closesocket) return MissingEntry();
  return table.closesocket(ToNative(handle));
}

int SockIoctl(TSocketHandle handle, long command, unsigned long& argument) {
  if (!table.ioctlsocket) return MissingEntry();
  unsigned long value = argument;
  const int result = table.ioctlsocket(ToNative(handle), command, &value);
  argument = value;
  return result;
}

namespace {

const sockaddr* AsSockaddr(const TSocketAddress& address) {
  return reinterpret_cast<const sockaddr*>(address.bytes);
}
sockaddr* AsSockaddr(TSocketAddress& address) { return reinterpret_cast<sockaddr*>(address.bytes); }

}  // namespace

int SockBind(TSocketHandle handle, const TSocketAddress& address) {
  if (!table.bind) return MissingEntry();
  return table.bind(ToNative(handle), AsSockaddr(address), AddressLength(address));
}

int SockConnect(TSocketHandle handle, const TSocketAddress& address) {
  if (!table.connect) return MissingEntry();
  return table.connect(ToNative(handle), AsSockaddr(address), AddressLength(address));
}

int SockListen(TSocketHandle handle, int backlog) {
  if (!table.listen) return MissingEntry();
  return table.listen(ToNative(handle), backlog);
}

TSocketHandle SockAccept(TSocketHandle handle, TSocketAddress& address) {
  address = TSocketAddress{};
  if (!table.accept) {
    MissingEntry();
    return kInvalidSocket;
  }
  int length = kSocketAddressSize;
  return FromNative(table.accept(ToNative(handle), AsSockaddr(address), &length));
}

int SockGetSockName(TSocketHandle handle, TSocketAddress& address) {
  address = TSocketAddress{};
  if (!table.getsockname) return MissingEntry();
  int length = kSocketAddressSize;
  return table.getsockname(ToNative(handle), AsSockaddr(address), &length);
}

int SockGetPeerName(TSocketHandle handle, TSocketAddress& address) {
  address = TSocketAddress{};
  if (!table.getpeername) return MissingEntry();
  int length = kSocketAddressSize;
  return table.getpeername(ToNative(handle), AsSockaddr(address), &length);
}

int SockSend(TSocketHandle handle, const void* buffer, int length, int flags) {
  if (!table.send) return MissingEntry();
  return table.send(ToNative(handle), static_cast<const char*>(buffer), length, flags);
}

int SockRecv(TSocketHandle handle, void* buffer, int length, int flags) {
  if (!table.recv) return MissingEntry();
  return table.recv(ToNative(handle), static_cast<char*>(buffer), length, flags);
}

int SockSendTo(TSocketHandle handle, const void* buffer, int length, int flags,
               const TSocketAddress& address) {
  if (!table.sendto) return MissingEntry();
  const TSocketAddress copy = address;
  return table.sendto(ToNative(handle), static_cast<const char*>(buffer), length, flags,
                      AsSockaddr(copy), AddressLength(copy));
}

int SockRecvFrom(TSocketHandle handle, void* buffer, int length, int flags, TSocketAddress& from) {
  if (!table.recvfrom) return MissingEntry();
  int from_length = kSocketAddressSize;
  return table.recvfrom(ToNative(handle), static_cast<char*>(buffer), length, flags,
                        AsSockaddr(from), &from_length);
}

namespace {

void ToNativeSet(const TFdSet* set, sys::TNativeFdSet& native) {
  native.fd_count = 0;
  for (uint32_t i = 0; i < set->fd_count; ++i)
    native.fd_array[native.fd_count++] = ToNative(set->fd_array[i]);
}

void FromNativeSet(const sys::TNativeFdSet& native, TFdSet* set) {
  set->fd_count = 0;
  for (unsigned i = 0; i < native.fd_count && i < kMaxFdSetHandles; ++i) {
    set->fd_array[set->fd_count++] = FromNative(native.fd_array[i]);
  }
}

}  // namespace

int SockSelect(int nfds, TFdSet* read, TFdSet* write, TFdSet* except, const TTimeVal* timeout) {
  if (!table.select) return MissingEntry();
  sys::TNativeFdSet sets[3];
  TFdSet* ours[3] = {read, write, except};
  sys::TNativeFdSet* natives[3] = {nullptr, nullptr, nullptr};
  for (int i = 0; i < 3; ++i) {
    if (ours[i] == nullptr) continue;
    ToNativeSet(ours[i], sets[i]);
    natives[i] = &sets[i];
  }
  timeval tv{};
  if (timeout != nullptr) {
    tv.tv_sec = timeout->tv_sec;
    tv.tv_usec = timeout->tv_usec;
  }
  const int result =
      table.select(nfds, natives[0], natives[1], natives[2], timeout ? &tv : nullptr);
  for (int i = 0; i < 3; ++i) {
    if (natives[i] != nullptr) FromNativeSet(sets[i], ours[i]);
  }
  return result;
}

int SockSetSockOpt(TSocketHandle handle, int level, int name, const void* value, int length) {
  if (!table.setsockopt) return MissingEntry();
  return table.setsockopt(ToNative(handle), level, name, static_cast<const char*>(value), length);
}

int SockShutdown(TSocketHandle handle, int how) {
  if (!table.shutdown) return MissingEntry();
  return table.shutdown(ToNative(handle), how);
}

// The parentheses keep the C library's byte-order macros from expanding.
uint16_t SockHtons(uint16_t value) { return table.htons ? (table.htons)(value) : value; }
uint16_t SockNtohs(uint16_t value) { return table.ntohs ? (table.ntohs)(value) : value; }
uint32_t SockHtonl(uint32_t value) { return table.htonl ? (table.htonl)(value) : value; }
uint32_t SockNtohl(uint32_t value) { return table.ntohl ? (table.ntohl)(value) : value; }

uint32_t SockInetAddr(const std::string& text) {
  if (!table.inet_addr) return kInaddrNone;
  return static_cast<uint32_t>(table.inet_addr(text.c_str()));
}

std::string SockInetNtoa(uint32_t address_net) {
  if (!table.inet_ntoa) return {};
  in_addr in;
  std::memcpy(&in, &address_net, sizeof in);
  const char* text = table.inet_ntoa(in);
  return text ? text : "";
}

std::string SockGetHostName() {
  char buffer[kHostNameBufferSize] = {};
  if (!table.gethostname || table.gethostname(buffer, kHostNameBufferSize - 1) != 0) return {};
  return buffer;
}

int SockGetAddrInfo(const char* host, const char* service, const TAddrHints& hints,
                    std::vector<TSocketAddress>& results) {
  results.clear();
  if (!table.getaddrinfo || !table.freeaddrinfo) return MissingEntry();
  addrinfo native_hints{};
  native_hints.ai_flags = hints.flags;
  native_hints.ai_family = hints.family;
  native_hints.ai_socktype = hints.socktype;
  native_hints.ai_protocol = hints.protocol;
  addrinfo* list = nullptr;
  const int code = table.getaddrinfo(host, service, &native_hints, &list);
  for (const addrinfo* item = list; code == 0 && item != nullptr; item = item->ai_next) {
    TSocketAddress address;
    const std::size_t length = std::min<std::size_t>(item->ai_addrlen, kSocketAddressSize);
    if (item->ai_addr != nullptr) std::memcpy(address.bytes, item->ai_addr, length);
    results.push_back(address);
  }
  if (list != nullptr) table.freeaddrinfo(list);
  return code;
}

int SockGetNameInfo(const TSocketAddress& address, std::string& host, std::string& service) {
  host.clear();
  service.clear();
  if (!table.getnameinfo) return MissingEntry();
  char host_buffer[NI_MAXHOST] = {};
  char service_buffer[NI_MAXSERV] = {};
  const int code = table.getnameinfo(AsSockaddr(address), AddressLength(address), host_buffer,
                                     sizeof host_buffer, service_buffer, sizeof service_buffer,
                                     NI_NUMERICHOST | NI_NUMERICSERV);
  if (code == 0) {
    host = host_buffer;
    service = service_buffer;
  }
  return code;
}

bool SockGetProtoName(int protocol, std::string& name) {
  const protoent* entry = table.getprotobynumber ? table.getprotobynumber(protocol) : nullptr;
  if (entry == nullptr || entry->p_name == nullptr) return false;
  name = entry->p_name;
  return true;
}

bool SockGetServPort(const std::string& service, const std::string& protocol, uint16_t& port_net) {
  const servent* entry =
      table.getservbyname ? table.getservbyname(service.c_str(), protocol.c_str()) : nullptr;
  if (entry == nullptr) return false;
  port_net = static_cast<uint16_t>(entry->s_port);
  return true;
}

bool SockGetHostByName(const std::string& host, uint32_t& address_net) {
  const hostent* entry = table.gethostbyname ? table.gethostbyname(host.c_str()) : nullptr;
  if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
      entry->h_length != static_cast<int>(sizeof address_net)) {
    return false;
  }
  std::memcpy(&address_net, entry->h_addr_list[0], sizeof address_net);
  return true;
}

}  // namespace kestrum::net
