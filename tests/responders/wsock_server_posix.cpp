// The responders' server calls on BSD sockets; errors stay in errno, where the seam's
// LastError reads them.
#include <netinet/in.h>
#include <sys/socket.h>

#include "responders/wsock_server.h"

namespace kestrum::fakes::wsock_server {
namespace {

int Fd(TSocket s) { return static_cast<int>(s); }

int Result(int result) { return result == 0 ? 0 : tcpip::wsock::kSocketError; }

}  // namespace

int Bind(TSocket s, const TSockAddrIn& address) {
  sockaddr_in native{};
  native.sin_family = AF_INET;
  native.sin_port = address.sin_port;
  native.sin_addr.s_addr = address.sin_addr;
  return Result(::bind(Fd(s), reinterpret_cast<const sockaddr*>(&native), sizeof native));
}

int Listen(TSocket s, int backlog) { return Result(::listen(Fd(s), backlog)); }

TSocket Accept(TSocket s) {
  const int fd = ::accept4(Fd(s), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? tcpip::wsock::kInvalidSocket : fd;
}

int GetSockName(TSocket s, TSockAddrIn& address) {
  sockaddr_in native{};
  socklen_t size = sizeof native;
  if (::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&native), &size) != 0) {
    return tcpip::wsock::kSocketError;
  }
  address.sin_family = static_cast<uint16_t>(native.sin_family);
  address.sin_port = native.sin_port;
  address.sin_addr = native.sin_addr.s_addr;
  return 0;
}

int AbortiveClose(TSocket s) {
  const linger option{1, 0};
  ::setsockopt(Fd(s), SOL_SOCKET, SO_LINGER, &option, sizeof option);
  return tcpip::wsock::CloseSocket(s);
}

}  // namespace kestrum::fakes::wsock_server
