#pragma once
// The 48-byte NTP header (no extension fields, no authenticator) and the conversion of its
// 64-bit timestamps to TDateTime.

#include <cstdint>
#include <string>

#include "base/datetime.h"

namespace kestrum::sntp {

constexpr std::size_t kNtpMessageSize = 48;
constexpr uint8_t kClientRequestLiVnMode = 0x1B;  // LI 0, version 3, mode 3 (client)

// Decoded message; words in host order. Laid out exactly as on the wire.
struct TNtpPacket {
  uint8_t LiVnMode;
  uint8_t Stratum;
  uint8_t Poll;
  uint8_t Precision;
  uint32_t RootDelay;
  uint32_t RootDispersion;
  uint32_t ReferenceId;
  uint32_t ReferenceSeconds;
  uint32_t ReferenceFraction;
  uint32_t OriginateSeconds;
  uint32_t OriginateFraction;
  uint32_t ReceiveSeconds;
  uint32_t ReceiveFraction;
  uint32_t TransmitSeconds;   // seconds since 1900-01-01 00:00 UTC
  uint32_t TransmitFraction;  // units of 2^-32 s
};
static_assert(sizeof(TNtpPacket) == kNtpMessageSize);

void ClearMessage(TNtpPacket& packet);
// The 48-byte wire form.
std::string EncodeMessage(const TNtpPacket& packet);
// Fills `packet` from `buffer`; leaves it untouched when the buffer is shorter than 48 bytes.
void DecodeMessage(const std::string& buffer, TNtpPacket& packet);

// Seconds taken as unsigned from 1900 (era 0); the fraction divided by 2^32 - 1 and truncated
// to four decimals. UTC.
base::TDateTime NtpToDateTime(uint32_t seconds, uint32_t fraction);
// The same, read in the era base::ResolveEra gives it by the clock's `utc_now` and the build
// date, so that times after 2036-02-07 06:28:15 are not taken for 1900.
base::TDateTime NtpToDateTimeInEra(uint32_t seconds, uint32_t fraction, base::TDateTime utc_now);

// What a reply must show before its time is believed.
enum class TReplyVerdict {
  kAccepted,
  kForeign,         // originate timestamp is not the request's transmit timestamp
  kBadVersion,      // version outside 1-4
  kNotServer,       // mode other than 4
  kBadStratum,      // 0 (kiss-o'-death) or 16 and above (unsynchronised)
  kUnsynchronised,  // leap indicator 3
  kNoTransmitTime,  // transmit timestamp's seconds zero
};
constexpr uint8_t kServerMode = 4;
constexpr uint8_t kMinVersion = 1;
constexpr uint8_t kMaxVersion = 4;
constexpr uint8_t kMinStratum = 1;
constexpr uint8_t kMaxStratum = 15;
constexpr uint8_t kLeapAlarm = 3;

inline uint8_t LeapIndicator(const TNtpPacket& p) { return p.LiVnMode >> 6; }
inline uint8_t Version(const TNtpPacket& p) { return (p.LiVnMode >> 3) & 7; }
inline uint8_t Mode(const TNtpPacket& p) { return p.LiVnMode & 7; }

// Checks `reply` against the request whose transmit timestamp was `sent_seconds`.`sent_fraction`.
TReplyVerdict CheckReply(const TNtpPacket& reply, uint32_t sent_seconds, uint32_t sent_fraction);

// Four bytes, most significant first.
std::string EncodeInt32BE(uint32_t value);
// Four bytes at 1-based `position`, most significant first; missing bytes count as zero.
uint32_t DecodeInt32BE(const std::string& text, std::size_t position);

}  // namespace kestrum::sntp
