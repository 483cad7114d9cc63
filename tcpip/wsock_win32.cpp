// The Winsock 1.1 calls, statically bound from wsock32. Codes and option values pass through.
#include <winsock.h>

#include <cstring>

#include "tcpip/wsock.h"

namespace kestrum::tcpip::wsock {
namespace {

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
  return ioctlsocket(s, FIONBIO, &non_blocking) == 0;
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
    return select(0, nullptr, &writable, &failed, &tv);
  });
  if (ready == 0) return WSAETIMEDOUT;
  if (ready == SOCKET_ERROR) return WSAGetLastError();
  if (!FD_ISSET(s, &failed)) return 0;
  int failure = 0;
  int size = sizeof failure;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &size) != 0) {
    return WSAGetLastError();
  }
  return failure != 0 ? failure : WSAECONNREFUSED;
}

}  // namespace

int Startup(uint16_t version) {
  WSADATA data;
  return WSAStartup(version, &data);
}

int Cleanup() { return WSACleanup(); }
int CancelBlockingCall() { return WSACancelBlockingCall(); }
int LastError() { return WSAGetLastError(); }

TSocket Socket(int family, int type, int protocol) { return Widen(socket(family, type, protocol)); }

int Connect(TSocket s, const TSockAddrIn& address, int length) {
  if (length < static_cast<int>(sizeof(TSockAddrIn))) {
    WSASetLastError(WSAEFAULT);
    return kSocketError;
  }
  const sockaddr_in native = ToNative(address);
  return connect(Native(s), reinterpret_cast<const sockaddr*>(&native), sizeof native);
}

int CloseSocket(TSocket s) { return closesocket(Native(s)); }

int Recv(TSocket s, void* buffer, int length, int flags) {
  return recv(Native(s), static_cast<char*>(buffer), length, flags);
}

int Send(TSocket s, const void* data, int length, int flags) {
  return send(Native(s), static_cast<const char*>(data), length, flags);
}

int SetSockOpt(TSocket s, int level, int name, const void* value, int length) {
  return setsockopt(Native(s), level, name, static_cast<const char*>(value), length);
}

int GetPeerName(TSocket s, TSockAddrIn& address, int& length) {
  sockaddr_in native{};
  int size = sizeof native;
  if (getpeername(Native(s), reinterpret_cast<sockaddr*>(&native), &size) != 0) {
    return kSocketError;
  }
  address = FromNative(native);
  length = size;
  return 0;
}

bool GetHostByName(const std::string& name, THostEntry& entry) {
  const hostent* found = gethostbyname(name.c_str());
  if (found == nullptr) return false;
  entry = THostEntry{};
  entry.address_length = found->h_length;
  if (found->h_length == 4 && found->h_addr_list != nullptr && found->h_addr_list[0] != nullptr) {
    std::memcpy(&entry.first_address, found->h_addr_list[0], 4);
    entry.has_address = true;
  }
  return true;
}

uint32_t InetAddr(const std::string& text) { return inet_addr(text.c_str()); }
uint16_t Htons(uint16_t value) { return htons(value); }
uint32_t Ntohl(uint32_t value) { return ntohl(value); }

int ConnectWithin(TSocket s, const TSockAddrIn& address, uint32_t milliseconds,
                  platform::TWaitHook hook) {
  const SOCKET native_socket = Native(s);
  if (!SetBlocking(native_socket, false)) return kSocketError;
  const sockaddr_in native = ToNative(address);
  int failure = 0;
  if (connect(native_socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) != 0) {
    failure = WSAGetLastError();
    if (failure == WSAEWOULDBLOCK) failure = AwaitConnect(native_socket, milliseconds, hook);
  }
  SetBlocking(native_socket, true);
  WSASetLastError(failure);
  return failure == 0 ? 0 : kSocketError;
}

int WaitReadable(TSocket s, uint32_t milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(s), &readable);
  timeval tv = ToTimeval(milliseconds);
  const int ready = select(0, &readable, nullptr, nullptr, &tv);
  return ready == SOCKET_ERROR ? kSocketError : (ready > 0 ? 1 : 0);
}

}  // namespace kestrum::tcpip::wsock
