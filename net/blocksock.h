#pragma once
// Blocking sockets: every operation runs to completion or to its time-out, leaves a Winsock
// error code and text behind, reports progress through an optional hook, and raises
// EBlockSocketError only when RaiseExcept is set.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "net/sockapi.h"
#include "net/sockerror.h"
#include "platform/ticks.h"
#include "platform/wait.h"

namespace kestrum::net {

enum class TSocketFamily { SF_Any = 0, SF_IP4 = 1, SF_IP6 = 2 };
enum class TSocksType { ST_Socks5 = 0, ST_Socks4 = 1 };
enum class TSSLType { LT_SSLv2 = 0, LT_SSLv3 = 1, LT_TLSv1 = 2, LT_all = 3 };

enum class THookSocketReason {
  ReasonResolveBegin = 0,
  ReasonResolveEnd = 1,
  ReasonSocketCreated = 2,
  ReasonSocketClosed = 3,
  ReasonBound = 4,
  ReasonConnected = 5,
  ReasonReadable = 6,
  ReasonWritable = 7,
  ReasonListening = 8,
  ReasonBytesRead = 10,
  ReasonBytesWritten = 11,
  ReasonWaiting = 12,
  ReasonError = 13,
};

class TBlockSocket;
using THookSocketStatus =
    std::function<void(TBlockSocket* sender, THookSocketReason reason, const std::string& value)>;
using THookDataFilter = std::function<void(TBlockSocket* sender, std::string& value)>;
using THookCreateSocket = std::function<void(TBlockSocket* sender)>;

constexpr int kDefaultSendMaxChunk = 65535;
constexpr int kWaitForever = -1;  // time-out meaning "no limit"
// Largest length a counted text or stream may announce (16 MiB); a larger one is refused with
// 10040 before any of it is read.
constexpr int64_t kMaxCountedLength = 16 * 1024 * 1024;

class TBlockSocket {
 public:
  // `ticks` times the bandwidth limits and the read deadlines.
  explicit TBlockSocket(platform::TTickPort& ticks);
  virtual ~TBlockSocket();
  TBlockSocket(const TBlockSocket&) = delete;
  TBlockSocket& operator=(const TBlockSocket&) = delete;

  THookSocketStatus OnStatus;
  THookDataFilter OnReadFilter;   // stream receive only
  THookDataFilter OnWriteFilter;  // stream send only
  THookCreateSocket OnCreateSocket;
  // Set: waits for readiness and name lookups run in slices with this called between them.
  platform::TWaitHook WaitHook = nullptr;
  int32_t Tag = 0;
  bool RaiseExcept = false;
  int32_t MaxLineLength = 0;     // 0 = no limit
  int32_t MaxSendBandwidth = 0;  // bytes per second, 0 = off
  int32_t MaxRecvBandwidth = 0;
  bool ConvertLineEnd = false;  // lines may end in CR, LF or CR LF
  bool PreferIP4 = true;
  bool InterPacketTimeout = true;  // multi-packet time-outs restart with each packet
  int32_t SendMaxChunk = kDefaultSendMaxChunk;
  bool StopFlag = false;

  void SetMaxBandwidth(int32_t bytes_per_second);
  // Another tick source from now on (virtual time in tests).
  void SetTicks(platform::TTickPort& ticks) { ticks_ = &ticks; }
  TSocketFamily Family() const { return family_; }
  TSocketHandle Handle() const { return handle_; }
  int32_t LastErrorCode() const { return last_error_; }
  // Result of the latest name resolution (0, or the resolver's 110xx code), kept when later
  // steps clear the last error.
  int32_t LastResolveError() const { return resolve_error_; }
  const std::string& LastErrorText() const { return last_error_text_; }
  const TSocketAddress& LocalAddress() const { return local_sin_; }
  const TSocketAddress& RemoteAddress() const { return remote_sin_; }
  const std::string& LineBuffer() const { return buffer_; }

  // Virtual operations in slot order.
  virtual void SetFamily(TSocketFamily family);
  virtual void AdoptHandle(TSocketHandle handle);
  virtual void Close();
  virtual void Abort();
  virtual void Connect(const std::string& host, const std::string& port);
  virtual int WriteData(const void* buffer, int length);
  virtual void WriteByte(uint8_t value);
  virtual void WriteText(const std::string& text);
  virtual void WriteInt32(int32_t value);  // host (little-endian) order
  virtual void WriteCountedText(const std::string& text);
  virtual void WriteStream(std::istream& stream);
  virtual void WriteStreamCounted(std::istream& stream);
  virtual void WriteStreamCountedBE(std::istream& stream);
  virtual int ReadData(void* buffer, int length);
  virtual int ReadExact(void* buffer, int length, int timeout);
  virtual std::string ReadExactText(int length, int timeout);
  virtual uint8_t ReadByte(int timeout);
  virtual int32_t ReadInt32(int timeout);
  virtual std::string ReadLine(int timeout);
  virtual std::string ReadUntil(const std::string& terminator, int timeout);
  virtual std::string ReadAvailable(int timeout);
  virtual std::string ReadCountedText(int timeout);
  virtual void ReadStream(std::ostream& stream, int timeout);
  virtual void ReadStreamCounted(std::ostream& stream, int timeout);
  virtual void ReadStreamCountedBE(std::ostream& stream, int timeout);
  virtual int PeekData(void* buffer, int length);
  virtual uint8_t PeekFirstByte(int timeout);
  virtual int PendingBytes();
  virtual std::string LocalAddressText();
  virtual std::string RemoteAddressText();
  virtual int LocalPortNumber();
  virtual int RemotePortNumber();
  virtual bool WaitReadable(int timeout);
  virtual bool WaitReadableBuffered(int timeout);
  virtual bool WaitWritable(int timeout);
  virtual int WriteDataTo(const void* buffer, int length);
  virtual int ReadDataFrom(void* buffer, int length);
  virtual int SocketType() const;
  virtual int SocketProtocol() const;

  void Bind(const std::string& host, const std::string& port);
  void ResolveAddress(TSocketAddress& address, const std::string& host, const std::string& port);
  void CreateHandle(const TSocketAddress& address);
  void SetRemoteAddress(const std::string& host, const std::string& port);
  // Re-aims datagram sends at an address already resolved.
  void SetRemoteAddress(const TSocketAddress& address) { remote_sin_ = address; }
  int32_t CheckResult(int result);
  // Records `code` (and its text) as the last error, reported like any other.
  void SetLastError(int32_t code);
  void ReportLastError();
  void NotifyStatus(THookSocketReason reason, const std::string& value);
  bool TakeStopFlag();
  void ThrottleTransfer(int length, int32_t limit, uint32_t& next);
  // Reads both addresses back from the system.
  void ReadAddresses();
  // Discards every datagram or byte queued for reading (and the line buffer); the remote
  // address and the error code are left as they were before.
  void Purge();
  // The local host's name; "127.0.0.1" when it has none.
  std::string LocalHostName();
  // Addresses of a host name as texts; the one entry "0.0.0.0" when there are none.
  std::vector<std::string> ResolveNameToIP(const std::string& host);
  // Port of a service name or number, host order; 0 when unknown.
  int ResolvePort(const std::string& port);
  static std::string GetErrorDesc(int32_t code) { return net::GetErrorDesc(code); }

 protected:
  // Family of the address to create for a host, following Family, the literal tests and an
  // existing handle.
  int ChooseFamily(const std::string& host, int& second_family) const;
  int ResolvePass(TSocketAddress& address, int family, const std::string& host,
                  const std::string& port);
  void ResolveClassic(TSocketAddress& address, const std::string& host, const std::string& port);
  bool UsesExtendedResolver() const;
  bool WaitFor(int timeout, bool for_reading);
  // Appends whatever arrives first to the line buffer; false on error or time-out.
  bool FillLineBuffer(int timeout);
  void RefuseOversize();
  bool CountAllowed(int64_t count);
  // Receives until the line buffer holds `length` bytes; false on error or time-out.
  bool FillTo(std::size_t length, int timeout);
  std::string AddressText(const TSocketAddress& address);
  void ReadInto(std::string& result, int count);

  platform::TTickPort* ticks_;  // never null
  TSocketAddress local_sin_;
  TSocketAddress remote_sin_;
  std::string buffer_;  // received bytes not yet handed out
  bool non_block_ = false;
  uint32_t next_send_ = 0;
  uint32_t next_recv_ = 0;
  bool last_cr_ = false;
  bool last_lf_ = false;
  bool discard_line_ = false;  // the rest of a refused line is still to be dropped
  bool bound_ = false;
  TSocketFamily family_ = TSocketFamily::SF_Any;
  TSocketFamily family_save_ = TSocketFamily::SF_Any;
  bool ip6_used_ = false;
  std::vector<std::function<void(TBlockSocket&)>> delayed_options_;
  TFdSet fd_set_;
  TSocketHandle handle_ = kInvalidSocket;
  int32_t last_error_ = 0;
  int32_t resolve_error_ = 0;
  std::string last_error_text_;
};

class TSocksBlockSocket : public TBlockSocket {
 public:
  explicit TSocksBlockSocket(platform::TTickPort& ticks);

  std::string SocksIP;  // empty = no proxy
  std::string SocksPort = "1080";
  int32_t SocksTimeout = 60000;
  std::string SocksUsername;
  std::string SocksPassword;
  bool UsingSocks = false;
  bool SocksResolver = true;
  int32_t SocksLastError = 0;
  std::string SocksResponseIP;
  std::string SocksResponsePort;
  std::string SocksLocalIP;
  std::string SocksLocalPort;
  std::string SocksRemoteIP;
  std::string SocksRemotePort;
  bool Bypass = false;
  TSocksType SocksType = TSocksType::ST_Socks5;
};

class TTCPBlockSocket : public TSocksBlockSocket {
 public:
  using TSocksBlockSocket::TSocksBlockSocket;
  TSSLType SSLType = TSSLType::LT_all;
  bool SSLBypass = false;
  std::string SSLPassword;
  std::string SSLCiphers;
  std::string SSLCertificateFile;
  std::string SSLPrivateKeyFile;
  std::string SSLCertCAFile;
  bool SSLverifyCert = false;
  std::string HTTPTunnelIP;
  std::string HTTPTunnelPort;
  std::string HTTPTunnelUser;
  std::string HTTPTunnelPass;
  int32_t HTTPTunnelTimeout = 30000;

  virtual void Listen();
  int SocketType() const override;
  int SocketProtocol() const override;
};

// Datagrams: Connect only records the peer, sends go to it, receives record the sender.
class TDgramBlockSocket : public TSocksBlockSocket {
 public:
  using TSocksBlockSocket::TSocksBlockSocket;
  void Connect(const std::string& host, const std::string& port) override;
  int WriteData(const void* buffer, int length) override;
  int ReadData(void* buffer, int length) override;
};

class TUDPBlockSocket : public TDgramBlockSocket {
 public:
  using TDgramBlockSocket::TDgramBlockSocket;
  ~TUDPBlockSocket() override;
  int WriteDataTo(const void* buffer, int length) override;
  int ReadDataFrom(void* buffer, int length) override;
  int SocketType() const override;
  int SocketProtocol() const override;

 private:
  std::unique_ptr<TTCPBlockSocket> socks_control_;  // SOCKS control connection, on demand
};

}  // namespace kestrum::net
