// NTP messages of any length: decoding leaves the record alone below 48 bytes and otherwise
// encodes back to the same 48 bytes; big-endian words read at any position; and the transmit
// timestamp converts to the moment its seconds and four-decimal fraction name (checked against
// <chrono>'s calendar to the millisecond).
#include <chrono>
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
  const lib::TDateTime value = sntp::NtpToDateTime(seconds, fraction);
  // Tenths of a millisecond: the fraction over 2^32 - 1, cut to four decimals.
  const auto tenths = static_cast<int64_t>(fraction / 4294967295.0 * 10000.0);
  const int64_t expected_tenths = int64_t{seconds} * 10000 + tenths;

  const lib::TDate d = lib::DecodeDate(value);
  const lib::TTimeOfDay t = lib::DecodeTime(value);
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
  }
  return 0;
}
