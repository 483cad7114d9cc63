#pragma once
// The socket layer's one platform header: the platform's socket declarations and the function
// table typed from them. Included only by the socket interface's own sources.
//
// The table speaks Winsock on every platform. Windows fills it from ws2_32.dll; POSIX fills it
// with BSD socket calls wrapped into Winsock shapes, whose errors are mapped in one place.

#include <cstdint>
#include <string>

#include "net/sockapi.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#endif

namespace kestrum::net::sys {

#if defined(_WIN32)
using TNativeSocket = SOCKET;
using TNativeFdSet = fd_set;
using TWsaData = WSADATA;
constexpr TNativeSocket kNativeInvalid = INVALID_SOCKET;

using ::__WSAFDIsSet, ::accept, ::bind, ::closesocket, ::connect, ::freeaddrinfo, ::getaddrinfo,
    ::gethostbyaddr, ::gethostbyname, ::gethostname, ::getnameinfo, ::getpeername, ::getprotobyname,
    ::getprotobynumber, ::getservbyname, ::getservbyport, ::getsockname, ::getsockopt, ::htonl,
    ::htons, ::inet_addr, ::inet_ntoa, ::ioctlsocket, ::listen, ::ntohl, ::ntohs, ::recv,
    ::recvfrom, ::select, ::send, ::sendto, ::setsockopt, ::shutdown, ::socket, ::WSACleanup,
    ::WSAGetLastError, ::WSAIoctl, ::WSAStartup;
#else
using TNativeSocket = int;
constexpr TNativeSocket kNativeInvalid = -1;

// Winsock's descriptor set: a count and an array.
struct TNativeFdSet {
  unsigned fd_count;
  TNativeSocket fd_array[64];
};

struct TWsaData {
  uint16_t wVersion;
  uint16_t wHighVersion;
  char szDescription[257];
  char szSystemStatus[129];
};

using ::freeaddrinfo, ::gethostbyaddr, ::getprotobyname, ::getprotobynumber, ::getservbyname,
    ::getservbyport, ::htonl, ::htons, ::inet_addr, ::inet_ntoa, ::ntohl, ::ntohs;

// Winsock-shaped stand-ins (sockapi_posix.cpp); failures leave a Winsock code for
// WSAGetLastError.
int WSAIoctl(TNativeSocket s, uint32_t code, void* in, uint32_t in_size, void* out,
             uint32_t out_size, uint32_t* returned, void* overlapped, void* completion);
int __WSAFDIsSet(TNativeSocket s, TNativeFdSet* set);
int closesocket(TNativeSocket s);
int ioctlsocket(TNativeSocket s, long command, unsigned long* argument);
int WSAGetLastError();
int WSAStartup(uint16_t version, TWsaData* data);
int WSACleanup();
TNativeSocket accept(TNativeSocket s, sockaddr* address, int* length);
int bind(TNativeSocket s, const sockaddr* address, int length);
int connect(TNativeSocket s, const sockaddr* address, int length);
int getpeername(TNativeSocket s, sockaddr* address, int* length);
int getsockname(TNativeSocket s, sockaddr* address, int* length);
int getsockopt(TNativeSocket s, int level, int name, char* value, int* length);
int listen(TNativeSocket s, int backlog);
int recv(TNativeSocket s, char* buffer, int length, int flags);
int recvfrom(TNativeSocket s, char* buffer, int length, int flags, sockaddr* from,
             int* from_length);
int select(int nfds, TNativeFdSet* read, TNativeFdSet* write, TNativeFdSet* except,
           const timeval* timeout);
int send(TNativeSocket s, const char* buffer, int length, int flags);
int sendto(TNativeSocket s, const char* buffer, int length, int flags, const sockaddr* to,
           int to_length);
int setsockopt(TNativeSocket s, int level, int name, const char* value, int length);
int shutdown(TNativeSocket s, int how);
TNativeSocket socket(int family, int type, int protocol);
hostent* gethostbyname(const char* name);
int gethostname(char* name, int length);
int getaddrinfo(const char* host, const char* service, const addrinfo* hints, addrinfo** result);
int getnameinfo(const sockaddr* address, int length, char* host, unsigned long host_size,
                char* service, unsigned long service_size, int flags);
#endif

}  // namespace kestrum::net::sys

// Every function of the table, in lookup order.
// clang-format off
#define KESTRUM_SOCKET_FUNCTIONS(V) \
  V(WSAIoctl) \
  V(__WSAFDIsSet) \
  V(closesocket) \
  V(ioctlsocket) \
  V(WSAGetLastError) \
  V(WSAStartup) \
  V(WSACleanup) \
  V(accept) \
  V(bind) \
  V(connect) \
  V(getpeername) \
  V(getsockname) \
  V(getsockopt) \
  V(htonl) \
  V(htons) \
  V(inet_addr) \
  V(inet_ntoa) \
  V(listen) \
  V(ntohl) \
  V(ntohs) \
  V(recv) \
  V(recvfrom) \
  V(select) \
  V(send) \
  V(sendto) \
  V(setsockopt) \
  V(shutdown) \
  V(socket) \
  V(gethostbyaddr) \
  V(gethostbyname) \
  V(getprotobyname) \
  V(getprotobynumber) \
  V(getservbyname) \
  V(getservbyport) \
  V(gethostname) \
  KESTRUM_RESOLVER_FUNCTIONS(V)

// The protocol-independent resolver, which may come from the IPv6 support library instead.
#define KESTRUM_RESOLVER_FUNCTIONS(V) \
  V(getaddrinfo) \
  V(freeaddrinfo) \
  V(getnameinfo)
// clang-format on

namespace kestrum::net {

struct TSocketTable {
#define KESTRUM_TABLE_ENTRY(name) decltype(&sys::name) name = nullptr;
  KESTRUM_SOCKET_FUNCTIONS(KESTRUM_TABLE_ENTRY)
#undef KESTRUM_TABLE_ENTRY
};

// The table in force; entries are empty while the interface is not loaded.
TSocketTable& SocketTable();

// Platform side of loading (sockapi_<platform>.cpp), called under SocketLayerLock.
bool PlatformLoadLibrary(const std::string& name);  // false when missing
void PlatformBindTable(TSocketTable& table);        // missing entries stay empty
bool PlatformLoadIPv6Library();
void PlatformBindIPv6Resolver(TSocketTable& table);
void PlatformUnloadLibraries();

inline TSocketHandle FromNative(sys::TNativeSocket s) {
  return s == sys::kNativeInvalid ? kInvalidSocket : static_cast<TSocketHandle>(s);
}
inline sys::TNativeSocket ToNative(TSocketHandle h) {
  return h == kInvalidSocket ? sys::kNativeInvalid : static_cast<sys::TNativeSocket>(h);
}

}  // namespace kestrum::net
