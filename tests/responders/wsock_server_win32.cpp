// The responders' server calls on Winsock 1.1, statically bound from wsock32 (test programs only).
#include <winsock.h>

#include "responders/wsock_server.h"

namespace kestrum::fakes::wsock_server {
namespace {

SOCKET Native(TSocket s) { return static_cast<SOCKET>(s); }

}  // namespace

int Bind(TSocket s, const TSockAddrIn& address) {
  sockaddr_in native{};
  native.sin_family = AF_INET;
  native.sin_port = address.sin_port;
  native.sin_addr.s_addr = address.sin_addr;
  return bind(Native(s), reinterpret_cast<const sockaddr*>(&native), sizeof native);
}

int Listen(TSocket s, int backlog) { return listen(Native(s), backlog); }

TSocket Accept(TSocket s) {
  const SOCKET accepted = accept(Native(s), nullptr, nullptr);
  return accepted == INVALID_SOCKET ? tcpip::wsock::kInvalidSocket : static_cast<TSocket>(accepted);
}

int GetSockName(TSocket s, TSockAddrIn& address) {
  sockaddr_in native{};
  int size = sizeof native;
  if (getsockname(Native(s), reinterpret_cast<sockaddr*>(&native), &size) != 0) {
    return tcpip::wsock::kSocketError;
  }
  address.sin_family = static_cast<uint16_t>(native.sin_family);
  address.sin_port = native.sin_port;
  address.sin_addr = native.sin_addr.s_addr;
  return 0;
}

int AbortiveClose(TSocket s) {
  linger option;
  option.l_onoff = 1;
  option.l_linger = 0;
  setsockopt(Native(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option),
             sizeof option);
  return closesocket(Native(s));
}

}  // namespace kestrum::fakes::wsock_server
