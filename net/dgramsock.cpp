// The SOCKS layer, the datagram and UDP sockets, and the minimal stream socket.
#include "net/blocksock.h"

namespace kestrum::net {
namespace {

constexpr int kSockStream = 1;
constexpr int kSockDgram = 2;
constexpr int kIpProtoTcp = 6;
constexpr int kIpProtoUdp = 17;
constexpr int kListenBacklog = 5;

}  // namespace

TSocksBlockSocket::TSocksBlockSocket(platform::TTickPort& ticks) : TBlockSocket(ticks) {}

void TTCPBlockSocket::Listen() {
  CheckResult(SockListen(handle_, kListenBacklog));
  SockGetSockName(handle_, local_sin_);
  ReportLastError();
  NotifyStatus(THookSocketReason::ReasonListening, "");
}

int TTCPBlockSocket::SocketType() const { return kSockStream; }
int TTCPBlockSocket::SocketProtocol() const { return kIpProtoTcp; }

// Records the peer only: no connect call, and nothing reported or raised.
void TDgramBlockSocket::Connect(const std::string& host, const std::string& port) {
  SetRemoteAddress(host, port);
  CreateHandle(remote_sin_);
  buffer_.clear();
  discard_line_ = false;
  NotifyStatus(THookSocketReason::ReasonConnected, host + ":" + port);
}

int TDgramBlockSocket::WriteData(const void* buffer, int length) {
  return WriteDataTo(buffer, length);
}

int TDgramBlockSocket::ReadData(void* buffer, int length) { return ReadDataFrom(buffer, length); }

TUDPBlockSocket::~TUDPBlockSocket() { socks_control_.reset(); }

// The proxy branch is reduced to its failure: nothing in this program sets SocksIP.
int TUDPBlockSocket::WriteDataTo(const void* buffer, int length) {
  UsingSocks = false;
  if (!SocksIP.empty()) {
    last_error_ = kErrNoRecovery;
    ReportLastError();
    return 0;
  }
  return TBlockSocket::WriteDataTo(buffer, length);
}

int TUDPBlockSocket::ReadDataFrom(void* buffer, int length) {
  return TBlockSocket::ReadDataFrom(buffer, length);
}

int TUDPBlockSocket::SocketType() const { return kSockDgram; }
int TUDPBlockSocket::SocketProtocol() const { return kIpProtoUdp; }

}  // namespace kestrum::net
