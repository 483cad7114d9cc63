#include "tcpip/tcpip.h"

#include "tcpip/iputil.h"

namespace kestrum::tcpip {
namespace {

constexpr int kTraceSocketLevel = 2;
constexpr int kTraceCommandLevel = 0;

std::string Number(long long value) { return std::to_string(value); }

}  // namespace

T_TcpIp::T_TcpIp(platform::TTickPort& ticks) : ReadChunk(kReadChunkSize), ticks_(ticks) {}

T_TcpIp::~T_TcpIp() {
  TraceHandler = nullptr;
  if (Socket != kNoSocket) T_TcpIp::Logout();
}

void T_TcpIp::Trace(const std::string& text, int level) {
  if (TraceHandler) TraceHandler(text, level);
}

void T_TcpIp::Login() {
  if (LoggedIn) Logout();
  // The lookup's wait cannot be cut into slices: it runs beside a thread that keeps checking.
  platform::RunChecking([this] { IpAddress = ResolveHost(Hostname); }, WaitHook);
  if (IpAddress == kNoAddress) throw ETcpIpError("Couldn't resolve hostname " + Hostname);
  OpenSocket(Socket, Port, IpAddress);
  if (Socket == kNoSocket) throw ESocketError(static_cast<uint16_t>(socket_error_));
  Closed = false;
  LoggedIn = true;
}

void T_TcpIp::Logout() {
  CloseSocket(Socket);
  Socket = kNoSocket;
  LoggedIn = false;
}

void T_TcpIp::OpenSocket(TSocketHandle& handle, uint16_t port, uint32_t address) {
  CloseSocket(handle);
  handle = wsock::Socket(wsock::kAfInet, wsock::kSockStream, 0);
  if (handle == kNoSocket) {
    // Connecting the invalid handle would only replace the creation error with another.
    socket_error_ = wsock::LastError();
    return;
  }
  ConnectSocket(handle, port, address);
}

int T_TcpIp::Connect(TSocketHandle handle, const wsock::TSockAddrIn& address) {
  const std::optional<uint32_t> left = BoundLeft();
  if (!left) return wsock::Connect(handle, address, sizeof address);
  const int result = wsock::ConnectWithin(handle, address, *left, WaitHook);
  if (result != 0 && wsock::LastError() == net::kErrTimedOut) bound_expired_ = true;
  return result;
}

void T_TcpIp::ConnectSocket(TSocketHandle& handle, uint16_t port, uint32_t address) {
  wsock::TSockAddrIn target;
  target.sin_family = wsock::kAfInet;
  target.sin_port = wsock::Htons(port);
  target.sin_addr = address;
  if (Connect(handle, target) == 0) {
    Trace("Opened output socket " + Number(port) + " to host " + IpToText(address) +
              " successfully; ID " + Number(handle),
          kTraceSocketLevel);
    return;
  }
  socket_error_ = wsock::LastError();
  if (socket_error_ == net::kErrWouldBlock) return;
  CloseSocket(handle);
  Trace("Failed to open output socket " + Number(port) + " to host " + IpToText(address),
        kTraceSocketLevel);
}

void T_TcpIp::CloseSocket(TSocketHandle& handle) {
  if (handle == kNoSocket) return;
  // After the service has stopped this fails; there is nothing left to release then.
  wsock::CloseSocket(handle);
  Trace("Closed socket ID " + Number(handle), kTraceSocketLevel);
  handle = kNoSocket;
}

t_socketstate T_TcpIp::SocketState(TSocketHandle handle) {
  if (handle == kNoSocket) return ssInvalid;
  wsock::TSockAddrIn peer;
  int length = sizeof peer;
  if (wsock::GetPeerName(handle, peer, length) == 0) return ssConnected;
  return wsock::LastError() == net::kErrNotConnected ? ssNotConnected : ssUnknown;
}

bool T_TcpIp::Eof(TSocketHandle handle) { return Closed || SocketState(handle) != ssConnected; }

void T_TcpIp::ApplyTimeout(TSocketHandle handle, int option) {
  if (Timeout == 0) return;
  const uint32_t milliseconds = Timeout;
  wsock::SetSockOpt(handle, wsock::kSolSocket, option, &milliseconds, sizeof milliseconds);
}

void T_TcpIp::ReadBuffer(TSocketHandle handle, void* buffer, int& count, int size) {
  for (;;) {
    ApplyTimeout(handle, wsock::kSoRcvTimeo);
    if (!WaitWithinBound(handle)) {
      count = 0;
      Closed = true;
      return;
    }
    count = wsock::Recv(handle, buffer, size, 0);
    if (count > 0) {
      Trace("Received " + Number(count) + " bytes on socket ID " + Number(handle),
            kTraceSocketLevel);
      return;
    }
    if (count == 0 || wsock::LastError() != net::kErrWouldBlock) {
      Closed = true;
      return;
    }
  }
}

void T_TcpIp::WriteBuffer(TSocketHandle handle, const void* data, int& length) {
  ApplyTimeout(handle, wsock::kSoSndTimeo);
  length = wsock::Send(handle, data, length, 0);
  Trace("Sent " + Number(length) + " bytes on socket ID " + Number(handle), kTraceSocketLevel);
}

int T_TcpIp::WriteString(TSocketHandle handle, const std::string& text) {
  int length = static_cast<int>(text.size());
  WriteBuffer(handle, text.data(), length);
  return length;
}

void T_TcpIp::SendCommand(const std::string& text) {
  WriteString(Socket, text + "\r\n");
  Trace(text, kTraceCommandLevel);
}

void T_TcpIp::Action() {
  Login();
  ReplyStream.Clear();
  while (!Eof(Socket)) {
    int count = 0;
    ReadBuffer(Socket, ReadChunk.data(), count, static_cast<int>(ReadChunk.size()));
    if (count > 0) ReplyStream.Append(ReadChunk.data(), static_cast<std::size_t>(count));
  }
  ReplyStream.Position = 0;
}

void T_TcpIp::SetBound(uint32_t milliseconds) {
  bound_ms_ = milliseconds;
  bound_start_ = ticks_.GetTickCount();
  bound_expired_ = false;
}

void T_TcpIp::ClearBound() { bound_ms_.reset(); }

std::optional<uint32_t> T_TcpIp::BoundLeft() const {
  if (!bound_ms_) return std::nullopt;
  const uint32_t elapsed = ticks_.GetTickCount() - bound_start_;  // wraps safely
  return elapsed < *bound_ms_ ? *bound_ms_ - elapsed : 0;
}

bool T_TcpIp::WaitWithinBound(TSocketHandle handle) {
  const std::optional<uint32_t> left = BoundLeft();
  if (!left) return true;
  // Once the bound has passed nothing more is read, however much is waiting: data that keeps
  // arriving must not extend it.
  if (*left == 0) {
    bound_expired_ = true;
    return false;
  }
  // A failed wait is left to the receive itself, which then reports the error.
  const int ready = platform::WaitInSlices(
      *left, WaitHook, [handle](uint32_t slice) { return wsock::WaitReadable(handle, slice); });
  if (ready != 0) return true;
  bound_expired_ = true;
  return false;
}

}  // namespace kestrum::tcpip
