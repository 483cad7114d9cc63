#pragma once
// The server side of the Winsock 1.1 seam, which only the loopback responders need: the
// product's Time client never listens. Values and codes as in tcpip/wsock.h.

#include "tcpip/wsock.h"

namespace kestrum::fakes::wsock_server {

using tcpip::wsock::TSockAddrIn;
using tcpip::wsock::TSocket;

int Bind(TSocket s, const TSockAddrIn& address);
int Listen(TSocket s, int backlog);
TSocket Accept(TSocket s);
int GetSockName(TSocket s, TSockAddrIn& address);
// Closes with a reset instead of an orderly shutdown.
int AbortiveClose(TSocket s);

}  // namespace kestrum::fakes::wsock_server
