#pragma once
// SNTP client: one request/reply over UDP giving the server's time as a TDateTime in UTC.

#include <memory>
#include <random>
#include <string>

#include "base/datetime.h"
#include "net/blocksock.h"
#include "platform/clock.h"
#include "platform/ticks.h"
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
  // `clock` gives the UTC time to stamp and to set; `ticks` time the wait for the reply.
  TSNTPClient(platform::TClockPort& clock, platform::TTickPort& ticks);
  ~TSNTPClient() override;
  TSNTPClient(const TSNTPClient&) = delete;
  TSNTPClient& operator=(const TSNTPClient&) = delete;

  // One query of TargetHost:TargetPort, ended within Timeout of the send whatever arrives. True
  // when a reply of at least 48 bytes came from the address the request went to, echoed the
  // request's transmit timestamp and passed CheckReply; NTPTime then holds the server's time
  // when the reply arrived: its transmit time, in the era base::ResolveEra gives it, plus the
  // flight back (RFC 4330's offset from the four timestamps, added to the clock's arrival
  // time), and NTPOffset and NTPDelay what was measured. Zero transmit seconds are no time: also
  // true, with NTPTime the 1900 time they read as, which callers refuse like any time before
  // 2000 (LastVerdict() kNoTransmitTime). Datagrams from other senders and replies that echo
  // another request are dropped and the wait goes on. On failure NTPTime keeps its value and
  // Sock's last error tells why (10060 for a time-out, 0 for a refused reply, the resolver's
  // code at once for a host that did not resolve); LastVerdict() names the refusal.
  bool QueryServerTime();
  TReplyVerdict LastVerdict() const { return verdict_; }

  base::TDateTime NTPTime() const { return ntp_time_; }  // UTC
  // Seconds the server was ahead of the UTC clock when the reply arrived.
  double NTPOffset() const { return offset_; }
  // Seconds the request and reply spent on the way: the round trip less the server's turnaround.
  double NTPDelay() const { return delay_; }
  const TNtpPacket& NTPReply() const { return reply_; }
  net::TUDPBlockSocket& Sock() { return *sock_; }

  double MaxSyncDiff = kDefaultMaxSyncDiff;  // seconds
  bool SyncTime = false;                     // set the system clock after a successful query

  // The system clock in UTC, through the clock seam.
  base::TDateTime GetUtcTime();
  bool SetUtcTime(base::TDateTime value);

 private:
  // Waits for a datagram from the address the request went to, dropping any other.
  bool ReceiveReply(const net::TSocketAddress& server);
  // The request, its transmit timestamp the UTC clock with random low bits (the nonce the
  // reply must echo).
  TNtpPacket MakeRequest();
  // NTPTime, NTPOffset and NTPDelay from the reply and the UTC clock at its `arrival`.
  void Measure(base::TDateTime arrival);
  void SyncClock();

  platform::TClockPort& clock_;
  platform::TTickPort& ticks_;
  TNtpPacket reply_{};
  base::TDateTime ntp_time_ = 0.0;
  double offset_ = 0.0;
  double delay_ = 0.0;
  base::TDateTime request_time_ = 0.0;  // UTC clock as the request was stamped
  std::unique_ptr<net::TUDPBlockSocket> sock_;
  std::string buffer_;  // the request while sending, the reply after receiving
  TNtpPacket request_{};
  TReplyVerdict verdict_ = TReplyVerdict::kAccepted;
  std::mt19937 nonce_;
};

}  // namespace kestrum::sntp
