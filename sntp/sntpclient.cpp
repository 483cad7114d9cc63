#include "sntp/sntpclient.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"

namespace kestrum::sntp {

namespace {

constexpr double kEraSeconds = 4294967296.0;  // 2^32
constexpr base::TDateTime kNtpEpoch = 2.0;    // 1900-01-01
// Bits of the transmit fraction below this mask are random: sub-microsecond noise to the
// server, a 20-bit nonce to an off-path sender (on top of the port it must guess).
constexpr uint32_t kNonceMask = 0x000FFFFFu;

// Seconds from one NTP timestamp to a later one; right across the 2036 wrap.
double SecondsBetween(uint32_t from_seconds, uint32_t from_fraction, uint32_t to_seconds,
                      uint32_t to_fraction) {
  const uint64_t from = uint64_t{from_seconds} << 32 | from_fraction;
  const uint64_t to = uint64_t{to_seconds} << 32 | to_fraction;
  return static_cast<double>(static_cast<int64_t>(to - from)) / kEraSeconds;
}

}  // namespace

TSNTPClient::TSNTPClient(platform::TClockPort& clock, platform::TTickPort& ticks)
    : clock_(clock),
      ticks_(ticks),
      sock_(std::make_unique<net::TUDPBlockSocket>(ticks)),
      nonce_(std::random_device{}()) {
  Timeout = kDefaultTimeout;
  TargetPort = "ntp";
}

TSNTPClient::~TSNTPClient() = default;

base::TDateTime TSNTPClient::GetUtcTime() {
  return base::SystemTimeToDateTime(clock_.GetSystemTime());
}

bool TSNTPClient::SetUtcTime(base::TDateTime value) {
  return clock_.SetSystemTime(base::DateTimeToSystemTime(value));
}

TNtpPacket TSNTPClient::MakeRequest() {
  TNtpPacket request;
  ClearMessage(request);
  request.LiVnMode = kClientRequestLiVnMode;
  request_time_ = GetUtcTime();
  const double seconds = (request_time_ - kNtpEpoch) * base::kSecsPerDay;
  const double in_era = std::fmod(std::max(seconds, 0.0), kEraSeconds);
  request.TransmitSeconds = static_cast<uint32_t>(in_era);
  const auto fraction = static_cast<uint32_t>((in_era - std::floor(in_era)) * kEraSeconds);
  request.TransmitFraction = (fraction & ~kNonceMask) | (nonce_() & kNonceMask);
  // Never zero: a zero originate is what a server sends when it ignores the request's.
  if (request.TransmitSeconds == 0 && request.TransmitFraction == 0) request.TransmitFraction = 1;
  return request;
}

bool TSNTPClient::QueryServerTime() {
  net::TUDPBlockSocket& sock = *sock_;
  verdict_ = TReplyVerdict::kAccepted;
  sock.Bind(IPInterface, "0");
  sock.Connect(TargetHost, TargetPort);
  // A host that did not resolve: no request can go out, so there is nothing to wait for.
  if (net::AddressFamily(sock.RemoteAddress()) == 0) {
    const int32_t error = sock.LastResolveError();
    sock.SetLastError(error != 0 ? error : net::kErrHostNotFound);
    return false;
  }
  const net::TSocketAddress server = sock.RemoteAddress();

  request_ = MakeRequest();
  buffer_ = EncodeMessage(request_);

  // A late reply to an earlier query must not pass for the answer to this one.
  sock.Purge();
  sock.WriteText(buffer_);
  if (!ReceiveReply(server)) return false;

  Measure(GetUtcTime());
  if (SyncTime && verdict_ == TReplyVerdict::kAccepted) SyncClock();
  return true;
}

bool TSNTPClient::ReceiveReply(const net::TSocketAddress& server) {
  net::TUDPBlockSocket& sock = *sock_;
  // Ticks, not the wall clock: the deadline bounds real waits, and a flood must not be able
  // to move it.
  platform::TTickPort& ticks = ticks_;
  const uint32_t start = ticks.GetTickCount();
  for (bool first = true;; first = false) {
    int32_t wait = Timeout;
    if (Timeout >= 0) {
      const int64_t elapsed = static_cast<uint32_t>(ticks.GetTickCount() - start);
      // The first read always happens (Timeout 0 takes what is already queued).
      if (!first && elapsed >= Timeout) {
        sock.SetLastError(net::kErrTimedOut);
        return false;
      }
      wait = static_cast<int32_t>(std::max<int64_t>(0, Timeout - elapsed));
    }
    std::string datagram = sock.ReadAvailable(wait);
    const bool from_server = net::SameEndpoint(sock.RemoteAddress(), server);
    if (sock.LastErrorCode() == net::kErrTimedOut) return false;
    if (!from_server) {
      // Someone else's datagram (or error): dropped, and the wait goes on for what is left.
      sock.SetRemoteAddress(server);
      continue;
    }
    if (sock.LastErrorCode() != 0 || datagram.size() < kNtpMessageSize) return false;
    TNtpPacket reply;
    DecodeMessage(datagram, reply);
    const TReplyVerdict verdict =
        CheckReply(reply, request_.TransmitSeconds, request_.TransmitFraction);
    // A reply to another request (a stale copy, or a forgery): not ours, keep waiting.
    if (verdict == TReplyVerdict::kForeign) continue;
    verdict_ = verdict;
    // No time, yet a reply: handed on as the 1900 time it reads as (Measure).
    const bool no_time = verdict == TReplyVerdict::kNoTransmitTime;
    if (verdict != TReplyVerdict::kAccepted && !no_time) return false;
    buffer_ = std::move(datagram);
    reply_ = reply;
    return true;
  }
}

void TSNTPClient::Measure(base::TDateTime arrival) {
  const TNtpPacket& r = reply_;
  const double round_trip = std::max(0.0, (arrival - request_time_) * base::kSecsPerDay);
  // Zero transmit seconds stay in 1900, where the caller's plausibility test refuses them.
  const bool no_time = verdict_ == TReplyVerdict::kNoTransmitTime;
  // A zero receive stamp is none: the server's turnaround is unknown, the path not halved.
  const bool stamped = r.ReceiveSeconds != 0 && !no_time;
  // No more than the round trip and never negative, whatever the server claims.
  const double turnaround = stamped
                                ? std::clamp(SecondsBetween(r.ReceiveSeconds, r.ReceiveFraction,
                                                            r.TransmitSeconds, r.TransmitFraction),
                                             0.0, round_trip)
                                : 0.0;
  delay_ = round_trip - turnaround;
  // RFC 4330: offset = ((T2 - T1) + (T3 - T4)) / 2, so T4 + offset = T3 + delay / 2.
  const double flight_back = stamped ? delay_ / 2 : 0.0;
  const base::TDateTime transmit =
      no_time ? NtpToDateTime(r.TransmitSeconds, r.TransmitFraction)
              : NtpToDateTimeInEra(r.TransmitSeconds, r.TransmitFraction, arrival);
  ntp_time_ = transmit + flight_back / base::kSecsPerDay;
  offset_ = (ntp_time_ - arrival) * base::kSecsPerDay;
}

void TSNTPClient::SyncClock() {
  const double difference = std::fabs(ntp_time_ - GetUtcTime()) * base::kSecsPerDay;
  if (difference <= MaxSyncDiff) SetUtcTime(ntp_time_);
}

}  // namespace kestrum::sntp
