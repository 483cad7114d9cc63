#include "sntp/ntp_message.h"

#include <cmath>
#include <cstring>

#include "base/era.h"

namespace kestrum::sntp {
namespace {

constexpr int kWordCount = 11;
constexpr std::size_t kFirstWordOffset = 4;
constexpr double kFractionDivisor = 4294967295.0;  // 2^32 - 1, not 2^32
constexpr double kFractionScale = 10000.0;         // four decimals: 100 us steps
constexpr base::TDateTime kNtpEpoch = 2.0;         // 1900-01-01 in days since 1899-12-30

// The eleven words in wire order.
constexpr uint32_t TNtpPacket::*kWords[kWordCount] = {
    &TNtpPacket::RootDelay,         &TNtpPacket::RootDispersion,    &TNtpPacket::ReferenceId,
    &TNtpPacket::ReferenceSeconds,  &TNtpPacket::ReferenceFraction, &TNtpPacket::OriginateSeconds,
    &TNtpPacket::OriginateFraction, &TNtpPacket::ReceiveSeconds,    &TNtpPacket::ReceiveFraction,
    &TNtpPacket::TransmitSeconds,   &TNtpPacket::TransmitFraction};

// A 32-bit word read as signed, then brought back to its unsigned value.
double Unsigned(uint32_t word) {
  double value = static_cast<int32_t>(word);
  if (value < 0) value = 4294967295.0 + value + 1.0;
  return value;
}

}  // namespace

void ClearMessage(TNtpPacket& packet) { std::memset(&packet, 0, sizeof packet); }

std::string EncodeMessage(const TNtpPacket& packet) {
  std::string result;
  result.reserve(kNtpMessageSize);
  for (const uint8_t byte : {packet.LiVnMode, packet.Stratum, packet.Poll, packet.Precision}) {
    result.push_back(static_cast<char>(byte));
  }
  for (int i = 0; i < kWordCount; ++i) result += EncodeInt32BE(packet.*kWords[i]);
  return result;
}

void DecodeMessage(const std::string& buffer, TNtpPacket& packet) {
  if (buffer.size() < kNtpMessageSize) return;
  packet.LiVnMode = static_cast<uint8_t>(buffer[0]);
  packet.Stratum = static_cast<uint8_t>(buffer[1]);
  packet.Poll = static_cast<uint8_t>(buffer[2]);
  packet.Precision = static_cast<uint8_t>(buffer[3]);
  for (int i = 0; i < kWordCount; ++i) {
    packet.*kWords[i] = DecodeInt32BE(buffer, kFirstWordOffset + 1 + 4 * i);
  }
}

base::TDateTime NtpToDateTime(uint32_t seconds, uint32_t fraction) {
  const double s = Unsigned(seconds);
  double f = Unsigned(fraction) / kFractionDivisor;
  f = static_cast<double>(static_cast<int64_t>(f * kFractionScale)) / kFractionScale;
  return (s + f) / base::kSecsPerDay + kNtpEpoch;
}

base::TDateTime NtpToDateTimeInEra(uint32_t seconds, uint32_t fraction, base::TDateTime utc_now) {
  return base::ResolveEra(NtpToDateTime(seconds, fraction), utc_now);
}

TReplyVerdict CheckReply(const TNtpPacket& reply, uint32_t sent_seconds, uint32_t sent_fraction) {
  // A reply that does not echo the request may be stale or forged: told apart from a refusal
  // so that the client can go on waiting for the true one.
  if (reply.OriginateSeconds != sent_seconds || reply.OriginateFraction != sent_fraction) {
    return TReplyVerdict::kForeign;
  }
  const uint8_t version = Version(reply);
  if (version < kMinVersion || version > kMaxVersion) return TReplyVerdict::kBadVersion;
  if (Mode(reply) != kServerMode) return TReplyVerdict::kNotServer;
  if (reply.Stratum < kMinStratum || reply.Stratum > kMaxStratum) {
    return TReplyVerdict::kBadStratum;
  }
  if (LeapIndicator(reply) == kLeapAlarm) return TReplyVerdict::kUnsynchronised;
  // A server without a time sends zeros; a fraction alone does not make one.
  if (reply.TransmitSeconds == 0) return TReplyVerdict::kNoTransmitTime;
  return TReplyVerdict::kAccepted;
}

std::string EncodeInt32BE(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (24 - 8 * i));
  return bytes;
}

uint32_t DecodeInt32BE(const std::string& text, std::size_t position) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = position + i;  // 1-based
    const uint32_t byte = (at >= 1 && at <= text.size()) ? static_cast<uint8_t>(text[at - 1]) : 0;
    value = (value << 8) | byte;
  }
  return value;
}

}  // namespace kestrum::sntp
