#pragma once
// SNTP client: one request/reply over UDP giving the server's time as a TDateTime in UTC.

#include <memory>
#include <string>

#include "base/datetime.h"
#include "net/blocksock.h"
#include "sntp/ntp_message.h"

namespace kestrum::sntp {

constexpr int32_t kDefaultTimeout = 5000;       // milliseconds
constexpr double kDefaultMaxSyncDiff = 3600.0;  // seconds

// Connection settings shared by network clients.
class TNetClient {
 public:
  virtual ~TNetClient() = default;

  std::string TargetHost = "127.0.0.1";  // host name or IP literal
  std::string TargetPort = "0";          // service name or port number
  std::string IPInterface = "0.0.0.0";   // local address to bind to
  int32_t Timeout = kDefaultTimeout;     // milliseconds; -1 = no limit
  std::string UserName;
  std::string Password;
};

class TSNTPClient : public TNetClient {
 public:
  // `clock` gives the system time to set and times the wait for the reply.
  explicit TSNTPClient(platform::TClockPort& clock = platform::SystemClock());
  ~TSNTPClient() override;
  TSNTPClient(const TSNTPClient&) = delete;
  TSNTPClient& operator=(const TSNTPClient&) = delete;

  // One query of TargetHost:TargetPort. True when a reply of at least 48 bytes came from the
  // address the request went to; NTPTime then holds its transmit time. On failure NTPTime keeps
  // its value and Sock's last error tells why (10060 for a time-out).
  bool QueryServerTime();

  lib::TDateTime NTPTime() const { return ntp_time_; }  // UTC
  double NTPOffset() const { return 0.0; }              // not computed by this client
  double NTPDelay() const { return 0.0; }               // not computed by this client
  const TNtpPacket& NTPReply() const { return reply_; }
  net::TUDPBlockSocket& Sock() { return *sock_; }

  double MaxSyncDiff = kDefaultMaxSyncDiff;  // seconds
  bool SyncTime = false;                     // set the system clock after a successful query

  // The system clock in UTC, through the clock seam.
  lib::TDateTime GetUtcTime();
  bool SetUtcTime(lib::TDateTime value);

 private:
  // Waits for a datagram from the address the request went to, dropping any other.
  bool ReceiveReply(const net::TSocketAddress& server);
  void SyncClock();

  platform::TClockPort& clock_;
  TNtpPacket reply_{};
  lib::TDateTime ntp_time_ = 0.0;
  std::unique_ptr<net::TUDPBlockSocket> sock_;
  std::string buffer_;  // the request while sending, the reply after receiving
};

}  // namespace kestrum::sntp
