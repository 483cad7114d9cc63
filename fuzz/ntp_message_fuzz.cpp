// NTP messages of any length: decoding leaves the record alone below 48 bytes and otherwise
// encodes back to the same 48 bytes; big-endian words read at any position; and the transmit
// timestamp converts to the moment its seconds and four-decimal fraction name (checked against
// <chrono>'s calendar to the millisecond). The reply checks give the verdict the raw bytes call
// for (bytes 48-55, when present, are the request's transmit timestamp), and a timestamp read
// near a reference lands in whole eras from its era-0 value, within half an era of the
// reference (or in era 0 when the reference lies before it).
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/datetime.h"
#include "fuzz/fuzz_check.h"
#include "sntp/ntp_message.h"

using namespace kestrum;
using namespace std::chrono;

namespace {

void CheckTimestamp(uint32_t seconds, uint32_t fraction) {
  const base::TDateTime value = sntp::NtpToDateTime(seconds, fraction);
  // Tenths of a millisecond: the fraction over 2^32 - 1, cut to four decimals.
  const auto tenths = static_cast<int64_t>(fraction / 4294967295.0 * 10000.0);
  const int64_t expected_tenths = int64_t{seconds} * 10000 + tenths;

  const base::TDate d = base::DecodeDate(value);
  const base::TTimeOfDay t = base::DecodeTime(value);
  const sys_days day{year{d.year} / d.month / d.day};
  const int64_t decoded_ms =
      (day - sys_days{year{1900} / January / 1}).count() * int64_t{86400000} +
      ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  FUZZ_CHECK(decoded_ms * 10 - expected_tenths <= 6 && expected_tenths - decoded_ms * 10 <= 6,
             "seconds %u fraction %u: %04d-%02d-%02d %02d:%02d:%02d.%03d, expected %.4f s "
             "after 1900",
             seconds, fraction, d.year, d.month, d.day, t.hour, t.minute, t.second, t.millisecond,
             expected_tenths / 10000.0);
}

sntp::TReplyVerdict ExpectedVerdict(const std::string& b, uint32_t sent_s, uint32_t sent_f) {
  using V = sntp::TReplyVerdict;
  if (sntp::DecodeInt32BE(b, 25) != sent_s || sntp::DecodeInt32BE(b, 29) != sent_f) {
    return V::kForeign;
  }
  const auto first = static_cast<uint8_t>(b[0]);
  const auto stratum = static_cast<uint8_t>(b[1]);
  const int version = (first >> 3) & 7;
  if (version < 1 || version > 4) return V::kBadVersion;
  if ((first & 7) != 4) return V::kNotServer;
  if (stratum < 1 || stratum > 15) return V::kBadStratum;
  if ((first >> 6) == 3) return V::kUnsynchronised;
  if (b.substr(40, 8) == std::string(8, '\0')) return V::kNoTransmitTime;
  return V::kAccepted;
}

void CheckEra(uint32_t seconds, uint32_t fraction, base::TDateTime reference) {
  const double era_days = 4294967296.0 / 86400.0;
  const base::TDateTime era0 = sntp::NtpToDateTime(seconds, fraction);
  const base::TDateTime near = sntp::NtpToDateTimeNear(seconds, fraction, reference);
  const double eras = (near - era0) / era_days;
  FUZZ_CHECK(eras > -1e-6 && std::fabs(eras - std::round(eras)) < 1e-6,
             "seconds %u: %.9f eras from era 0", seconds, eras);
  const bool era0_ahead = std::round(eras) == 0 && era0 >= reference;
  FUZZ_CHECK(era0_ahead || std::fabs(near - reference) <= era_days / 2 + 1e-6,
             "seconds %u read %.6f days from the reference", seconds, near - reference);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string buffer(reinterpret_cast<const char*>(data), size);

  sntp::TNtpPacket packet;
  std::memset(&packet, 0xA5, sizeof packet);
  sntp::TNtpPacket untouched = packet;
  sntp::DecodeMessage(buffer, packet);
  if (size < sntp::kNtpMessageSize) {
    FUZZ_CHECK(std::memcmp(&packet, &untouched, sizeof packet) == 0,
               "a %zu-byte buffer changed the record", size);
  } else {
    FUZZ_CHECK(sntp::EncodeMessage(packet) == buffer.substr(0, sntp::kNtpMessageSize),
               "decode then encode changed the message");
  }

  // A word at any 1-based position, bytes past either end counting as zero.
  const size_t position = size > 0 ? data[0] % (size + 6) : 0;
  uint32_t expected = 0;
  for (size_t at = position; at < position + 4; ++at) {
    expected = expected << 8 | (at >= 1 && at <= size ? data[at - 1] : 0u);
  }
  FUZZ_CHECK(sntp::DecodeInt32BE(buffer, position) == expected, "word at %zu of %zu bytes",
             position, size);

  if (size >= sntp::kNtpMessageSize) {
    CheckTimestamp(packet.TransmitSeconds, packet.TransmitFraction);
    CheckTimestamp(packet.ReceiveSeconds, packet.ReceiveFraction);
    const uint32_t sent_s = sntp::DecodeInt32BE(buffer, 49);
    const uint32_t sent_f = sntp::DecodeInt32BE(buffer, 53);
    const sntp::TReplyVerdict verdict = sntp::CheckReply(packet, sent_s, sent_f);
    FUZZ_CHECK(verdict == ExpectedVerdict(buffer, sent_s, sent_f), "verdict %d, expected %d",
               static_cast<int>(verdict),
               static_cast<int>(ExpectedVerdict(buffer, sent_s, sent_f)));
    // A reference anywhere from 1900 to four eras on.
    const base::TDateTime reference =
        sntp::NtpToDateTime(sent_s, 0) + (data[1] % 4) * (4294967296.0 / 86400.0);
    CheckEra(packet.TransmitSeconds, packet.TransmitFraction, reference);
  }
  return 0;
}
