// NTP messages of any length: decoding leaves the record alone below 48 bytes and otherwise
// encodes back to the same 48 bytes; big-endian words read at any position; and the transmit
// timestamp converts to the moment its seconds and four-decimal fraction name (checked against
// <chrono>'s calendar to the millisecond). The reply checks give the verdict the raw bytes call
// for (bytes 48-55, when present, are the request's transmit timestamp), and a timestamp is read
// in era 0 when that reading is 2000 or later, else one era on exactly when the later of a clock
// and the build date is 2035-02-07 or later (clock and build date taken from the input).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/datetime.h"
#include "base/era.h"
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
  if (b.substr(40, 4) == std::string(4, '\0')) return V::kNoTransmitTime;
  return V::kAccepted;
}

base::TDateTime ExpectedEra(base::TDateTime era0, base::TDateTime now, base::TDateTime built) {
  const bool next =
      era0 < base::EncodeDate(2000, 1, 1) && std::max(now, built) >= base::EncodeDate(2035, 2, 7);
  return era0 + (next ? 4294967296.0 / 86400.0 : 0.0);
}

void CheckEra(uint32_t seconds, uint32_t fraction, base::TDateTime now, base::TDateTime built) {
  const base::TDateTime era0 = sntp::NtpToDateTime(seconds, fraction);
  const base::TDateTime read = sntp::NtpToDateTimeInEra(seconds, fraction, now);
  FUZZ_CHECK(read == ExpectedEra(era0, now, base::BuildDate()),
             "seconds %u on the clock %.6f read as %.6f", seconds, now, read);
  const base::TDateTime resolved = base::ResolveEra(era0, now, built);
  FUZZ_CHECK(resolved == ExpectedEra(era0, now, built),
             "seconds %u on the clock %.6f built %.6f read as %.6f", seconds, now, built, resolved);
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
    // A clock anywhere from 1900 to four eras on, a build date up to one era on.
    const double era_days = 4294967296.0 / 86400.0;
    const base::TDateTime now = sntp::NtpToDateTime(sent_s, 0) + (data[1] % 4) * era_days;
    const base::TDateTime built =
        sntp::NtpToDateTime(packet.ReferenceSeconds, 0) + (data[2] % 2) * era_days;
    CheckEra(packet.TransmitSeconds, packet.TransmitFraction, now, built);
  }
  return 0;
}
