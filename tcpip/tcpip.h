#pragma once
// T_TcpIp: a blocking TCP client on the statically bound Winsock 1.1 calls. It resolves Hostname,
// connects to Port, reads until the peer closes and can send text lines; socket events go to an
// optional trace sink.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ticks.h"
#include "platform/wait.h"
#include "tcpip/byte_stream.h"
#include "tcpip/tcpip_errors.h"
#include "tcpip/wsock.h"
#include "tcpip/zq_component.h"

namespace kestrum::tcpip {

using TSocketHandle = wsock::TSocket;
constexpr TSocketHandle kNoSocket = wsock::kInvalidSocket;

// Size of the receive buffer of the base Action.
constexpr std::size_t kReadChunkSize = 32512;

enum t_socketstate : uint8_t { ssInvalid = 0, ssNotConnected = 1, ssConnected = 2, ssUnknown = 3 };

// Receives a trace text and its level (2: socket events, 0: a command sent).
using TTraceHandler = std::function<void(const std::string& text, int level)>;

class T_TcpIp : public T_ZQ_Component {
 public:
  // `ticks` time the bound of SetBound.
  explicit T_TcpIp(platform::TTickPort& ticks);
  // Closes a connection still open; nothing is traced during teardown.
  ~T_TcpIp() override;

  // Creates a TCP socket into `handle` (closing what it held) and connects it.
  virtual void OpenSocket(TSocketHandle& handle, uint16_t port, uint32_t address);
  // Logs in and collects the whole reply in ReplyStream, positioned at its start.
  virtual void Action();
  // Sends `text` + CR LF in one send; traces the text at level 0.
  virtual void SendCommand(const std::string& text);
  // Resolves Hostname and connects to Port; raises ETcpIpError or ESocketError.
  virtual void Login();
  virtual void Logout();
  // True once the peer closed, a receive failed or the socket is no longer connected.
  virtual bool Eof(TSocketHandle handle);

  void ConnectSocket(TSocketHandle& handle, uint16_t port, uint32_t address);
  void CloseSocket(TSocketHandle& handle);
  t_socketstate SocketState(TSocketHandle handle);
  // One logical read: returns with count > 0, or with Closed set and count 0 or -1.
  void ReadBuffer(TSocketHandle handle, void* buffer, int& count, int size);
  // One send of `length` bytes; `length` becomes the result (bytes sent or -1).
  void WriteBuffer(TSocketHandle handle, const void* data, int& length);
  int WriteString(TSocketHandle handle, const std::string& text);

  TSocketHandle Socket = kNoSocket;
  std::string Hostname;
  TTraceHandler TraceHandler;
  uint16_t Port = 0;
  uint32_t IpAddress = 0xFFFFFFFFu;  // network order; all ones when not resolved
  bool Closed = false;
  TByteStream ReplyStream;
  std::vector<uint8_t> ReadChunk;
  bool LoggedIn = false;
  uint32_t Timeout = 0;  // milliseconds for each send and receive; 0 means none
  // Set: the name lookup and the waits within the bound run in slices with this called between.
  platform::TWaitHook WaitHook = nullptr;

 protected:
  // While a bound is set, connects and receives end when it passes (see BoundExpired).
  void SetBound(uint32_t milliseconds);
  void ClearBound();
  // True when a connect or receive was cut short by the bound.
  bool BoundExpired() const { return bound_expired_; }

 private:
  void Trace(const std::string& text, int level);
  void ApplyTimeout(TSocketHandle handle, int option);
  // Milliseconds left of the bound (0 once passed); nullopt when none is set.
  std::optional<uint32_t> BoundLeft() const;
  bool WaitWithinBound(TSocketHandle handle);
  int Connect(TSocketHandle handle, const wsock::TSockAddrIn& address);

  int socket_error_ = 0;  // error of the last failed socket creation or connect
  // The bound runs on ticks that see real time pass: it limits real blocking calls.
  platform::TTickPort& ticks_;
  std::optional<uint32_t> bound_ms_;
  uint32_t bound_start_ = 0;
  bool bound_expired_ = false;
};

}  // namespace kestrum::tcpip
