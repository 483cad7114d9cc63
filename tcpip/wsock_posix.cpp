// BSD sockets behind the Winsock 1.1 seam: errno values become the Winsock codes, Winsock option
// numbers and millisecond time-outs become their POSIX forms.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "net/errno_posix.h"
#include "tcpip/wsock.h"

namespace kestrum::tcpip::wsock {
namespace {

int Fd(TSocket s) { return static_cast<int>(s); }

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

bool IsBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags != -1 && (flags & O_NONBLOCK) == 0;
}

bool SetBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags == -1) return false;
  const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, wanted) == 0;
}

// On a blocking socket EAGAIN means the receive or send time-out expired, which Winsock
// reports as a time-out; reporting "would block" there would make callers retry forever.
void NoteTimeoutOnBlocking(int fd) {
  if ((errno == EAGAIN || errno == EWOULDBLOCK) && IsBlocking(fd)) errno = ETIMEDOUT;
}

int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// 1 ready, 0 time passed, -1 failure; a signal does not cut the wait short.
int PollFor(int fd, short events, uint32_t milliseconds) {
  const int64_t deadline = NowMs() + milliseconds;
  for (;;) {
    const int64_t left = deadline - NowMs();
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
    if (ready >= 0 || errno != EINTR) return ready > 0 ? 1 : ready;
  }
}

}  // namespace

int Startup(uint16_t /*version*/) { return 0; }
int Cleanup() { return 0; }
int CancelBlockingCall() { return 0; }

int LastError() { return net::WinsockErrorOfErrno(errno); }

TSocket Socket(int family, int type, int protocol) {
  if (family != kAfInet || type != kSockStream) {
    errno = EAFNOSUPPORT;
    return kInvalidSocket;
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, protocol);
  return fd < 0 ? kInvalidSocket : fd;
}

int Connect(TSocket s, const TSockAddrIn& address, int length) {
  if (length < static_cast<int>(sizeof(TSockAddrIn))) {
    errno = EFAULT;
    return kSocketError;
  }
  const sockaddr_in native = ToNative(address);
  return ::connect(Fd(s), reinterpret_cast<const sockaddr*>(&native), sizeof native) == 0
             ? 0
             : kSocketError;
}

int CloseSocket(TSocket s) { return ::close(Fd(s)) == 0 ? 0 : kSocketError; }

int Recv(TSocket s, void* buffer, int length, int flags) {
  ssize_t got;
  do {
    got = ::recv(Fd(s), buffer, static_cast<size_t>(length), flags);
  } while (got < 0 && errno == EINTR);
  if (got < 0) NoteTimeoutOnBlocking(Fd(s));
  return static_cast<int>(got);
}

int Send(TSocket s, const void* data, int length, int flags) {
  ssize_t sent;
  do {
    // No SIGPIPE: a peer that went away is an error result, as on Windows.
    sent = ::send(Fd(s), data, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) NoteTimeoutOnBlocking(Fd(s));
  return static_cast<int>(sent);
}

int SetSockOpt(TSocket s, int level, int name, const void* value, int length) {
  if (level != kSolSocket || (name != kSoSndTimeo && name != kSoRcvTimeo) || value == nullptr ||
      length < static_cast<int>(sizeof(uint32_t))) {
    errno = ENOPROTOOPT;
    return kSocketError;
  }
  uint32_t milliseconds;
  std::memcpy(&milliseconds, value, sizeof milliseconds);
  const timeval tv{static_cast<time_t>(milliseconds / 1000),
                   static_cast<suseconds_t>(milliseconds % 1000) * 1000};
  const int option = name == kSoSndTimeo ? SO_SNDTIMEO : SO_RCVTIMEO;
  return ::setsockopt(Fd(s), SOL_SOCKET, option, &tv, sizeof tv) == 0 ? 0 : kSocketError;
}

int GetPeerName(TSocket s, TSockAddrIn& address, int& length) {
  sockaddr_in native{};
  socklen_t size = sizeof native;
  if (::getpeername(Fd(s), reinterpret_cast<sockaddr*>(&native), &size) != 0) return kSocketError;
  address = FromNative(native);
  length = static_cast<int>(sizeof(TSockAddrIn));
  return 0;
}

bool GetHostByName(const std::string& name, THostEntry& entry) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  entry = THostEntry{};
  entry.address_length = static_cast<int>(sizeof(in_addr));
  for (const addrinfo* item = found; item != nullptr; item = item->ai_next) {
    if (item->ai_family == AF_INET && item->ai_addr != nullptr) {
      sockaddr_in first;
      std::memcpy(&first, item->ai_addr, sizeof first);
      entry.first_address = first.sin_addr.s_addr;
      entry.has_address = true;
      break;
    }
  }
  ::freeaddrinfo(found);
  return true;
}

uint32_t InetAddr(const std::string& text) { return ::inet_addr(text.c_str()); }
uint16_t Htons(uint16_t value) { return htons(value); }
uint32_t Ntohl(uint32_t value) { return ntohl(value); }

int ConnectWithin(TSocket s, const TSockAddrIn& address, uint32_t milliseconds,
                  platform::TWaitHook hook) {
  const int fd = Fd(s);
  if (!SetBlocking(fd, false)) return kSocketError;
  const sockaddr_in native = ToNative(address);
  int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&native), sizeof native);
  if (result != 0 && errno == EINPROGRESS) {
    const int ready = platform::WaitInSlices(
        milliseconds, hook, [fd](uint32_t slice) { return PollFor(fd, POLLOUT, slice); });
    int failure = 0;
    socklen_t size = sizeof failure;
    if (ready == 0) {
      failure = ETIMEDOUT;
    } else if (ready < 0) {
      failure = errno;
    } else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) != 0) {
      failure = errno;
    } else if (failure == ECONNRESET) {
      // Connected, then reset by the peer before this look: the reset belongs to the reads.
      failure = 0;
    }
    result = failure == 0 ? 0 : kSocketError;
    errno = failure;
  }
  const int saved = errno;
  SetBlocking(fd, true);
  errno = saved;
  return result == 0 ? 0 : kSocketError;
}

int WaitReadable(TSocket s, uint32_t milliseconds) {
  const int ready = PollFor(Fd(s), POLLIN, milliseconds);
  return ready < 0 ? kSocketError : ready;
}

}  // namespace kestrum::tcpip::wsock
