// The Winsock 1.1 calls, bound at run time from wsock32.dll in the system folder. Codes and
// option values pass through.
#include <winsock.h>

#include <cstddef>
#include <cstring>

#include "platform/system_library_win32.h"
#include "tcpip/wsock.h"

namespace kestrum::tcpip::wsock {
namespace {

// clang-format off
#define KESTRUM_WSOCK_FUNCTIONS(X) \
  X(WSAStartup) X(WSACleanup) X(WSACancelBlockingCall) X(WSAGetLastError) X(WSASetLastError) \
  X(socket) X(connect) X(closesocket) X(recv) X(send) X(setsockopt) X(getsockopt)            \
  X(getpeername) X(gethostbyname) X(inet_addr) X(ioctlsocket) X(select)
// clang-format on

struct TWinsock {
  bool bound = false;
#define KESTRUM_DECLARE_ENTRY(name) decltype(&::name) name = nullptr;
  KESTRUM_WSOCK_FUNCTIONS(KESTRUM_DECLARE_ENTRY)
#undef KESTRUM_DECLARE_ENTRY
};

#define KESTRUM_ENTRY(name) {#name, offsetof(TWinsock, name)},
constexpr platform::TLibraryEntry kEntries[] = {KESTRUM_WSOCK_FUNCTIONS(KESTRUM_ENTRY)};
#undef KESTRUM_ENTRY

TWinsock Bind() {
  TWinsock api;
  api.bound = platform::BindEntries(platform::LoadSystemLibrary(L"wsock32.dll"), &api, kEntries,
                                    sizeof kEntries / sizeof kEntries[0]);
  return api;
}

const TWinsock& Api() {
  static const TWinsock api = Bind();
  return api;
}

// FD_ISSET without the import behind the macro.
bool IsSet(SOCKET s, const fd_set& set) {
  for (u_int k = 0; k < set.fd_count && k < FD_SETSIZE; ++k) {
    if (set.fd_array[k] == s) return true;
  }
  return false;
}

SOCKET Native(TSocket s) { return static_cast<SOCKET>(s); }

TSocket Widen(SOCKET s) { return s == INVALID_SOCKET ? kInvalidSocket : static_cast<TSocket>(s); }

sockaddr_in ToNative(const TSockAddrIn& address) {
  sockaddr_in native{};
  native.sin_family = AF_INET;
  native.sin_port = address.sin_port;
  native.sin_addr.s_addr = address.sin_addr;
  return native;
}

TSockAddrIn FromNative(const sockaddr_in& native) {
  TSockAddrIn address;
  address.sin_family = static_cast<uint16_t>(native.sin_family);
  address.sin_port = native.sin_port;
  address.sin_addr = native.sin_addr.s_addr;
  return address;
}

bool SetBlocking(SOCKET s, bool blocking) {
  u_long non_blocking = blocking ? 0 : 1;
  return Api().ioctlsocket(s, FIONBIO, &non_blocking) == 0;
}

timeval ToTimeval(uint32_t milliseconds) {
  timeval tv;
  tv.tv_sec = static_cast<long>(milliseconds / 1000);
  tv.tv_usec = static_cast<long>(milliseconds % 1000) * 1000;
  return tv;
}

// Waits for a non-blocking connect: writable means connected, "except" means it failed.
int AwaitConnect(SOCKET s, uint32_t milliseconds, platform::TWaitHook hook) {
  fd_set writable;
  fd_set failed;
  const int ready = platform::WaitInSlices(milliseconds, hook, [&](uint32_t slice) {
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv = ToTimeval(slice);
    return Api().select(0, nullptr, &writable, &failed, &tv);
  });
  if (ready == 0) return WSAETIMEDOUT;
  if (ready == SOCKET_ERROR) return Api().WSAGetLastError();
  if (!IsSet(s, failed)) return 0;
  int failure = 0;
  int size = sizeof failure;
  if (Api().getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &size) != 0) {
    return Api().WSAGetLastError();
  }
  return failure != 0 ? failure : WSAECONNREFUSED;
}

}  // namespace

// Without wsock32.dll every call fails, with this code, and nothing is called through a null entry.
int Startup(uint16_t version) {
  if (!Api().bound) return WSASYSNOTREADY;
  WSADATA data;
  return Api().WSAStartup(version, &data);
}

int Cleanup() { return Api().bound ? Api().WSACleanup() : kSocketError; }
int CancelBlockingCall() { return Api().bound ? Api().WSACancelBlockingCall() : kSocketError; }
int LastError() { return Api().bound ? Api().WSAGetLastError() : WSASYSNOTREADY; }

TSocket Socket(int family, int type, int protocol) {
  return Api().bound ? Widen(Api().socket(family, type, protocol)) : kInvalidSocket;
}

int Connect(TSocket s, const TSockAddrIn& address, int length) {
  if (!Api().bound) return kSocketError;
  if (length < static_cast<int>(sizeof(TSockAddrIn))) {
    Api().WSASetLastError(WSAEFAULT);
    return kSocketError;
  }
  const sockaddr_in native = ToNative(address);
  return Api().connect(Native(s), reinterpret_cast<const sockaddr*>(&native), sizeof native);
}

int CloseSocket(TSocket s) { return Api().bound ? Api().closesocket(Native(s)) : kSocketError; }

int Recv(TSocket s, void* buffer, int length, int flags) {
  if (!Api().bound) return kSocketError;
  return Api().recv(Native(s), static_cast<char*>(buffer), length, flags);
}

int Send(TSocket s, const void* data, int length, int flags) {
  if (!Api().bound) return kSocketError;
  return Api().send(Native(s), static_cast<const char*>(data), length, flags);
}

int SetSockOpt(TSocket s, int level, int name, const void* value, int length) {
  if (!Api().bound) return kSocketError;
  return Api().setsockopt(Native(s), level, name, static_cast<const char*>(value), length);
}

int GetPeerName(TSocket s, TSockAddrIn& address, int& length) {
  if (!Api().bound) return kSocketError;
  sockaddr_in native{};
  int size = sizeof native;
  if (Api().getpeername(Native(s), reinterpret_cast<sockaddr*>(&native), &size) != 0) {
    return kSocketError;
  }
  address = FromNative(native);
  length = size;
  return 0;
}

bool GetHostByName(const std::string& name, THostEntry& entry) {
  if (!Api().bound) return false;
  const hostent* found = Api().gethostbyname(name.c_str());
  if (found == nullptr) return false;
  entry = THostEntry{};
  entry.address_length = found->h_length;
  if (found->h_length == 4 && found->h_addr_list != nullptr && found->h_addr_list[0] != nullptr) {
    std::memcpy(&entry.first_address, found->h_addr_list[0], 4);
    entry.has_address = true;
  }
  return true;
}

uint32_t InetAddr(const std::string& text) {
  return Api().bound ? Api().inet_addr(text.c_str()) : INADDR_NONE;
}

// Windows runs little-endian only: network order is the swapped one.
uint16_t Htons(uint16_t value) { return static_cast<uint16_t>((value << 8) | (value >> 8)); }
uint32_t Ntohl(uint32_t value) { return __builtin_bswap32(value); }

int ConnectWithin(TSocket s, const TSockAddrIn& address, uint32_t milliseconds,
                  platform::TWaitHook hook) {
  if (!Api().bound) return kSocketError;
  const SOCKET native_socket = Native(s);
  if (!SetBlocking(native_socket, false)) return kSocketError;
  const sockaddr_in native = ToNative(address);
  int failure = 0;
  if (Api().connect(native_socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) !=
      0) {
    failure = Api().WSAGetLastError();
    if (failure == WSAEWOULDBLOCK) failure = AwaitConnect(native_socket, milliseconds, hook);
  }
  SetBlocking(native_socket, true);
  Api().WSASetLastError(failure);
  return failure == 0 ? 0 : kSocketError;
}

int WaitReadable(TSocket s, uint32_t milliseconds) {
  if (!Api().bound) return kSocketError;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(s), &readable);
  timeval tv = ToTimeval(milliseconds);
  const int ready = Api().select(0, &readable, nullptr, nullptr, &tv);
  return ready == SOCKET_ERROR ? kSocketError : (ready > 0 ? 1 : 0);
}

}  // namespace kestrum::tcpip::wsock
