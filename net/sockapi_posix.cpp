// BSD sockets behind the Winsock-shaped function table. The C library stands in for
// ws2_32.dll; every failure is turned into a Winsock code here, in one place.
#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "net/errno_posix.h"
#include "net/sockerror.h"
#include "net/sockplatform.h"

namespace kestrum::net {

const int kAfInet6 = AF_INET6;

namespace {

constexpr unsigned long kFionBio = 0x8004667E;
thread_local int last_error = 0;

int MapResolverError(int code) {
  switch (code) {
    case 0:
      return 0;
    case EAI_NONAME:
      return kErrHostNotFound;
    case EAI_AGAIN:
      return kErrTryAgain;
    case EAI_FAIL:
      return kErrNoRecovery;
    case EAI_NODATA:
      return kErrNoData;
    case EAI_ADDRFAMILY:
      return kErrNoData;
    case EAI_SERVICE:
      return kErrClassTypeNotFound;
    case EAI_FAMILY:
      return kErrFamilyNotSupported;
    case EAI_SOCKTYPE:
      return kErrSocketTypeNotSupported;
    case EAI_BADFLAGS:
      return kErrInvalidArgument;
    case EAI_MEMORY:
      return kErrNoBufferSpace;
    case EAI_SYSTEM:
      return WinsockErrorOfErrno(errno);
    default:
      return kErrNoRecovery;
  }
}

int MapHostError(int code) {
  switch (code) {
    case HOST_NOT_FOUND:
      return kErrHostNotFound;
    case TRY_AGAIN:
      return kErrTryAgain;
    case NO_DATA:
      return kErrNoData;
    default:
      return kErrNoRecovery;
  }
}

// Records the platform's error when `result` is the failure value.
int Check(int result) {
  if (result < 0) last_error = WinsockErrorOfErrno(errno);
  return result;
}

socklen_t* AsLength(int* length, socklen_t& native) {
  if (length == nullptr) return nullptr;
  native = static_cast<socklen_t>(*length);
  return &native;
}

}  // namespace

namespace sys {

int WSAIoctl(TNativeSocket, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*, void*, void*) {
  last_error = kErrOperationNotSupported;
  return -1;
}

int __WSAFDIsSet(TNativeSocket s, TNativeFdSet* set) {
  for (unsigned i = 0; i < set->fd_count; ++i) {
    if (set->fd_array[i] == s) return 1;
  }
  return 0;
}

int closesocket(TNativeSocket s) { return Check(::close(s)); }

int ioctlsocket(TNativeSocket s, long command, unsigned long* argument) {
  const unsigned long request = static_cast<unsigned long>(command);
  if (request == static_cast<unsigned long>(kFionRead)) {
    int count = 0;
    const int result = Check(::ioctl(s, FIONREAD, &count));
    if (result == 0) *argument = static_cast<unsigned long>(count);
    return result;
  }
  if (request == kFionBio) {
    int on = *argument != 0;
    return Check(::ioctl(s, FIONBIO, &on));
  }
  last_error = kErrInvalidArgument;
  return -1;
}

int WSAGetLastError() { return last_error; }

int WSAStartup(uint16_t version, TWsaData* data) {
  std::memset(data, 0, sizeof *data);
  data->wVersion = version;
  data->wHighVersion = kWinsockVersion;
  std::strcpy(data->szDescription, "BSD sockets");
  return 0;
}

int WSACleanup() { return 0; }

TNativeSocket accept(TNativeSocket s, sockaddr* address, int* length) {
  socklen_t native = 0;
  const int result = Check(::accept(s, address, AsLength(length, native)));
  if (length != nullptr) *length = static_cast<int>(native);
  return result;
}

int bind(TNativeSocket s, const sockaddr* address, int length) {
  return Check(::bind(s, address, static_cast<socklen_t>(length)));
}

int connect(TNativeSocket s, const sockaddr* address, int length) {
  return Check(::connect(s, address, static_cast<socklen_t>(length)));
}

int getpeername(TNativeSocket s, sockaddr* address, int* length) {
  socklen_t native = 0;
  const int result = Check(::getpeername(s, address, AsLength(length, native)));
  *length = static_cast<int>(native);
  return result;
}

int getsockname(TNativeSocket s, sockaddr* address, int* length) {
  socklen_t native = 0;
  const int result = Check(::getsockname(s, address, AsLength(length, native)));
  *length = static_cast<int>(native);
  return result;
}

int getsockopt(TNativeSocket s, int level, int name, char* value, int* length) {
  socklen_t native = 0;
  const int result = Check(::getsockopt(s, level, name, value, AsLength(length, native)));
  *length = static_cast<int>(native);
  return result;
}

int listen(TNativeSocket s, int backlog) { return Check(::listen(s, backlog)); }

int recv(TNativeSocket s, char* buffer, int length, int flags) {
  return Check(static_cast<int>(::recv(s, buffer, static_cast<size_t>(length), flags)));
}

int recvfrom(TNativeSocket s, char* buffer, int length, int flags, sockaddr* from,
             int* from_length) {
  socklen_t native = 0;
  const int result = Check(static_cast<int>(::recvfrom(
      s, buffer, static_cast<size_t>(length), flags, from, AsLength(from_length, native))));
  if (from_length != nullptr) *from_length = static_cast<int>(native);
  return result;
}

// A signal caught by the process (a profiler's or a test runner's timer) is not a socket error:
// the wait goes on for what is left of it, as a Winsock wait would.
int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int PollRetryingSignals(pollfd* fds, nfds_t count, int wait_ms) {
  const int64_t deadline = MonotonicMs() + wait_ms;
  for (;;) {
    const int result = ::poll(fds, count, wait_ms);
    if (result >= 0 || errno != EINTR) return result;
    if (wait_ms < 0) continue;
    const int64_t left = deadline - MonotonicMs();
    wait_ms = left > 0 ? static_cast<int>(left) : 0;
  }
}

// Winsock semantics on poll(): the sets come back holding the ready handles only.
int select(int, TNativeFdSet* read, TNativeFdSet* write, TNativeFdSet* except,
           const timeval* timeout) {
  pollfd fds[3 * 64];
  nfds_t count = 0;
  TNativeFdSet* sets[3] = {read, write, except};
  const short events[3] = {POLLIN, POLLOUT, POLLPRI};
  for (int k = 0; k < 3; ++k) {
    for (unsigned i = 0; sets[k] != nullptr && i < sets[k]->fd_count; ++i) {
      if (sets[k]->fd_array[i] < 0) {
        last_error = kErrNotSocket;  // as Winsock
        return -1;
      }
      fds[count++] = pollfd{sets[k]->fd_array[i], events[k], 0};
    }
  }
  const int wait_ms =
      timeout == nullptr ? -1 : static_cast<int>(timeout->tv_sec * 1000 + timeout->tv_usec / 1000);
  if (Check(PollRetryingSignals(fds, count, wait_ms)) < 0) return -1;
  for (nfds_t i = 0; i < count; ++i) {
    if (fds[i].revents & POLLNVAL) {
      last_error = kErrNotSocket;
      return -1;
    }
  }
  int ready = 0;
  nfds_t index = 0;
  for (int k = 0; k < 3; ++k) {
    if (sets[k] == nullptr) continue;
    TNativeFdSet result{};
    for (unsigned i = 0; i < sets[k]->fd_count; ++i, ++index) {
      const short hit = fds[index].revents & (events[k] | POLLERR | POLLHUP);
      if (hit != 0) result.fd_array[result.fd_count++] = fds[index].fd;
    }
    ready += static_cast<int>(result.fd_count);
    *sets[k] = result;
  }
  return ready;
}

int send(TNativeSocket s, const char* buffer, int length, int flags) {
  return Check(
      static_cast<int>(::send(s, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL)));
}

int sendto(TNativeSocket s, const char* buffer, int length, int flags, const sockaddr* to,
           int to_length) {
  return Check(
      static_cast<int>(::sendto(s, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL, to,
                                static_cast<socklen_t>(to_length))));
}

int setsockopt(TNativeSocket s, int level, int name, const char* value, int length) {
  return Check(::setsockopt(s, level, name, value, static_cast<socklen_t>(length)));
}

int shutdown(TNativeSocket s, int how) { return Check(::shutdown(s, how)); }

TNativeSocket socket(int family, int type, int protocol) {
  return Check(::socket(family, type, protocol));
}

hostent* gethostbyname(const char* name) {
  hostent* entry = ::gethostbyname(name);
  if (entry == nullptr) last_error = MapHostError(h_errno);
  return entry;
}

int gethostname(char* name, int length) {
  return Check(::gethostname(name, static_cast<size_t>(length)));
}

int getaddrinfo(const char* host, const char* service, const addrinfo* hints, addrinfo** result) {
  const int code = MapResolverError(::getaddrinfo(host, service, hints, result));
  if (code != 0) last_error = code;
  return code;
}

int getnameinfo(const sockaddr* address, int length, char* host, unsigned long host_size,
                char* service, unsigned long service_size, int flags) {
  const int code = MapResolverError(::getnameinfo(address, static_cast<socklen_t>(length), host,
                                                  static_cast<socklen_t>(host_size), service,
                                                  static_cast<socklen_t>(service_size), flags));
  if (code != 0) last_error = code;
  return code;
}

}  // namespace sys

// Only the one library this side stands in for can be "loaded".
bool PlatformLoadLibrary(const std::string& name) { return name == kDefaultSocketLibrary; }

void PlatformBindTable(TSocketTable& table) {
#define KESTRUM_BIND_ENTRY(name) table.name = &sys::name;
  KESTRUM_SOCKET_FUNCTIONS(KESTRUM_BIND_ENTRY)
#undef KESTRUM_BIND_ENTRY
}

bool PlatformLoadIPv6Library() { return false; }
void PlatformBindIPv6Resolver(TSocketTable&) {}
void PlatformUnloadLibraries() {}

}  // namespace kestrum::net
