#include "sntp/sntpclient.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"

namespace kestrum::sntp {

TSNTPClient::TSNTPClient(platform::TClockPort& clock)
    : clock_(clock), sock_(std::make_unique<net::TUDPBlockSocket>()) {
  sock_->SetClock(clock);
  Timeout = kDefaultTimeout;
  TargetPort = "ntp";
}

TSNTPClient::~TSNTPClient() = default;

lib::TDateTime TSNTPClient::GetUtcTime() {
  return lib::SystemTimeToDateTime(clock_.GetSystemTime());
}

bool TSNTPClient::SetUtcTime(lib::TDateTime value) {
  return clock_.SetSystemTime(lib::DateTimeToSystemTime(value));
}

bool TSNTPClient::QueryServerTime() {
  net::TUDPBlockSocket& sock = *sock_;
  sock.Bind(IPInterface, "0");
  sock.Connect(TargetHost, TargetPort);
  const net::TSocketAddress server = sock.RemoteAddress();

  TNtpPacket request;
  ClearMessage(request);
  request.LiVnMode = kClientRequestLiVnMode;
  buffer_ = EncodeMessage(request);

  // A late reply to an earlier query must not pass for the answer to this one.
  sock.Purge();
  sock.WriteText(buffer_);
  if (!ReceiveReply(server)) return false;

  DecodeMessage(buffer_, reply_);
  ntp_time_ = NtpToDateTime(reply_.TransmitSeconds, reply_.TransmitFraction);
  if (SyncTime) SyncClock();
  return true;
}

bool TSNTPClient::ReceiveReply(const net::TSocketAddress& server) {
  net::TUDPBlockSocket& sock = *sock_;
  platform::TClockPort& clock = clock_;
  const uint32_t start = clock.GetTickCount();
  int32_t wait = Timeout;
  for (;;) {
    std::string reply = sock.ReadAvailable(wait);
    if (sock.LastErrorCode() != 0) return false;
    if (net::SameEndpoint(sock.RemoteAddress(), server)) {
      buffer_ = std::move(reply);
      return buffer_.size() >= kNtpMessageSize;
    }
    // Someone else's datagram: dropped, and the wait goes on for what is left.
    sock.SetRemoteAddress(server);
    if (Timeout >= 0) {
      const int64_t elapsed = static_cast<uint32_t>(clock.GetTickCount() - start);
      wait = static_cast<int32_t>(std::max<int64_t>(0, Timeout - elapsed));
    }
  }
}

void TSNTPClient::SyncClock() {
  const double difference = std::fabs(ntp_time_ - GetUtcTime()) * lib::kSecsPerDay;
  if (difference <= MaxSyncDiff) SetUtcTime(ntp_time_);
}

}  // namespace kestrum::sntp
