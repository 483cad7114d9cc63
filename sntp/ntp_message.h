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

// Seconds taken as unsigned from 1900 (no era handling); the fraction divided by 2^32 - 1
// and truncated to four decimals. UTC.
lib::TDateTime NtpToDateTime(uint32_t seconds, uint32_t fraction);

// Four bytes, most significant first.
std::string EncodeInt32BE(uint32_t value);
// Four bytes at 1-based `position`, most significant first; missing bytes count as zero.
uint32_t DecodeInt32BE(const std::string& text, std::size_t position);

}  // namespace kestrum::sntp
