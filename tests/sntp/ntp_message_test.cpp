#include "sntp/ntp_message.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/datetime.h"
#include "base/era.h"

namespace kestrum::sntp {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

base::TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return base::EncodeDate(y, mo, d) + base::EncodeTime(h, mi, s, ms);
}

struct TConversion {
  uint32_t seconds;
  uint32_t fraction;
  base::TDateTime expected;
};

TEST(NtpToDateTime, WorkedExamplesAndFractionEdges) {
  const TConversion cases[] = {
      {3913056000u, 0x80000000u, At(2024, 1, 1, 0, 0, 0, 500)},
      {0, 0, 2.0},
      {0x80000000u, 0, At(1968, 1, 20, 3, 14, 8)},
      {0xFFFFFFFFu, 0, At(2036, 2, 7, 6, 28, 15)},
      // 2^32 - 1 is the divisor, so an all-ones fraction is one whole second.
      {100, 0xFFFFFFFFu, 2.0 + 101 * kSecond},
      // Four decimals, always truncated: 429497 is the smallest fraction worth 0.0001 s.
      {0, 429497u, 2.0 + 0.0001 * kSecond},
      {0, 429496u, 2.0},
  };
  for (const TConversion& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_NEAR(NtpToDateTime(c.seconds, c.fraction), c.expected, 1e-5 * kSecond);
  }
}

TEST(NtpToDateTime, FractionIsTruncatedNotRounded) {
  // 0.5 s converts to 5000.000001... ten-thousandths, cut to exactly 5000.
  const double seconds = (NtpToDateTime(3913056000u, 0x80000000u) - 2.0) * 86400.0;
  EXPECT_DOUBLE_EQ(seconds, 3913056000.5);
  EXPECT_DOUBLE_EQ(NtpToDateTime(7, 0xFFFFFFFFu), NtpToDateTime(8, 0));
}

TEST(NtpMessage, RequestEncodesAs0x1BAnd47Zeros) {
  TNtpPacket packet;
  std::memset(&packet, 0xAB, sizeof packet);
  ClearMessage(packet);
  packet.LiVnMode = kClientRequestLiVnMode;
  EXPECT_EQ(EncodeMessage(packet), std::string("\x1B") + std::string(47, '\0'));
}

TEST(NtpMessage, FieldsTravelBigEndianInTableOrder) {
  std::string wire;
  wire += "\x24\x02\x06\xEC";  // LiVnMode, Stratum, Poll, Precision
  for (uint32_t i = 1; i <= 11; ++i) wire += EncodeInt32BE(0x01020300u + i);
  TNtpPacket packet{};
  DecodeMessage(wire, packet);
  EXPECT_EQ(packet.LiVnMode, 0x24);
  EXPECT_EQ(packet.Stratum, 2);
  EXPECT_EQ(packet.Poll, 6);
  EXPECT_EQ(packet.Precision, 0xEC);
  EXPECT_EQ(packet.RootDelay, 0x01020301u);
  EXPECT_EQ(packet.ReferenceId, 0x01020303u);
  EXPECT_EQ(packet.OriginateFraction, 0x01020307u);
  EXPECT_EQ(packet.TransmitSeconds, 0x0102030Au);
  EXPECT_EQ(packet.TransmitFraction, 0x0102030Bu);
  EXPECT_EQ(EncodeMessage(packet), wire);
}

TEST(NtpMessage, ShortBufferLeavesRecordAndLongOneDecodesAlike) {
  std::string wire(48, '\0');
  wire.replace(40, 8, EncodeInt32BE(3913056000u) + EncodeInt32BE(0x80000000u));

  TNtpPacket untouched{};
  untouched.TransmitSeconds = 77;
  DecodeMessage(wire.substr(0, 47), untouched);
  EXPECT_EQ(untouched.TransmitSeconds, 77u);

  TNtpPacket exact{}, longer{};
  DecodeMessage(wire, exact);
  DecodeMessage(wire + std::string(20, '\x55'), longer);  // e.g. an authenticator
  EXPECT_EQ(std::memcmp(&exact, &longer, sizeof exact), 0);
  EXPECT_EQ(exact.TransmitSeconds, 3913056000u);
}

TEST(DecodeInt32BE, ReadsAtOneBasedPositionWithMissingBytesAsZero) {
  const std::string bytes = "\x12\x34\x56\x78\x9A";
  EXPECT_EQ(DecodeInt32BE(bytes, 1), 0x12345678u);
  EXPECT_EQ(DecodeInt32BE(bytes, 2), 0x3456789Au);
  EXPECT_EQ(DecodeInt32BE(bytes, 4), 0x789A0000u);
  EXPECT_EQ(DecodeInt32BE("", 1), 0u);
  EXPECT_EQ(EncodeInt32BE(0xFEDCBA98u), "\xFE\xDC\xBA\x98");
}

// Readings from 2000 on stay in era 0; earlier ones are taken for era 1 only from 2035-02-07 on,
// by the clock or, for a clock that is behind, by the build date.
TEST(NtpToDateTimeInEra, ReadsEarlyCountsInEra1OnlyNearTheWrap) {
  const base::TDateTime wrap = At(2036, 2, 7, 6, 28, 16);
  const struct {
    const char* name;
    uint32_t seconds;
    base::TDateTime reference;
    base::TDateTime expected;
  } cases[] = {
      {"2026 in era 0", 4005763200u, At(2026, 12, 9, 1, 0, 0), At(2026, 12, 9, 0, 0, 0)},
      {"last second of era 0", 0xFFFFFFFFu, wrap - kSecond, wrap - kSecond},
      {"first second of era 1", 0, wrap + kSecond, wrap},
      {"era 0 value seen just after the wrap", 0xFFFFFFFFu, wrap + kSecond, wrap - kSecond},
      {"era 1 value seen just before the wrap", 1, wrap - kSecond, wrap + kSecond},
      {"2100", 2016462704u, At(2100, 1, 1, 0, 0, 0), At(2099, 12, 31, 23, 0, 0)},
      // A clock left at 1980 still reads a 2026 server in era 0, never before 1900.
      {"clock far behind", 3974227200u, At(1980, 1, 1, 0, 0, 0), At(2025, 12, 9, 0, 0, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(NtpToDateTimeInEra(c.seconds, 0, c.reference), c.expected, 1e-3 * kSecond);
  }

  const base::TDateTime built = At(2026, 12, 9, 0, 0, 0);
  const base::TDateTime year_before = At(2035, 2, 7, 0, 0, 0);
  const struct {
    const char* name;
    base::TDateTime clock;
    uint32_t genuine;  // the clock's own count
    bool era1;
  } clocks[] = {
      {"2026", built, 4005763200u, false},
      {"dead battery", At(2000, 1, 1, 0, 0, 0), 3155673600u, false},
      {"2035-02-07 - 1 s", year_before - kSecond, 4263407999u, false},
      {"2035-02-07 + 1 s", year_before + kSecond, 4263408001u, true},
      {"wrap - 1 s", wrap - kSecond, 0xFFFFFFFFu, true},
      {"wrap + 1 s", wrap + kSecond, 1, true},
      {"2100", At(2100, 6, 1, 0, 0, 0), 2029512704u, true},
  };
  const struct {
    const char* name;
    uint32_t seconds;
    base::TDateTime era0, era1;
  } counts[] = {
      {"0", 0, At(1900, 1, 1, 0, 0, 0), wrap},
      {"1", 1, At(1900, 1, 1, 0, 0, 1), wrap + kSecond},
      {"OK\\r\\n", 0x4F4B0D0Au, At(1942, 2, 27, 4, 56, 42), At(2078, 4, 4, 11, 24, 58)},
  };
  for (const auto& c : clocks) {
    SCOPED_TRACE(c.name);
    const auto read = [&](uint32_t seconds, base::TDateTime build) {
      return base::ResolveEra(NtpToDateTime(seconds, 0), c.clock, build);
    };
    EXPECT_NEAR(read(c.genuine, built), c.clock, 1e-3 * kSecond);
    for (const auto& n : counts) {
      SCOPED_TRACE(n.name);
      EXPECT_NEAR(read(n.seconds, built), c.era1 ? n.era1 : n.era0, 1e-3 * kSecond);
      // A build from 2035-02-07 on knows the wrap is near, whatever the clock says.
      EXPECT_NEAR(read(n.seconds, year_before), n.era1, 1e-3 * kSecond);
    }
  }
}

TEST(CheckReply, OnlyASynchronisedServerAnsweringThisRequestPasses) {
  TNtpPacket good{};
  good.LiVnMode = 0x24;
  good.Stratum = 2;
  good.OriginateSeconds = 77;
  good.OriginateFraction = 88;
  good.TransmitSeconds = 3913056000u;
  EXPECT_EQ(CheckReply(good, 77, 88), TReplyVerdict::kAccepted);
  EXPECT_EQ(CheckReply(good, 77, 89), TReplyVerdict::kForeign);
  EXPECT_EQ(CheckReply(good, 78, 88), TReplyVerdict::kForeign);
  // Zero seconds are no time, whatever the fraction.
  TNtpPacket fraction_only = good;
  fraction_only.TransmitSeconds = 0;
  fraction_only.TransmitFraction = 0x80000000u;
  EXPECT_EQ(CheckReply(fraction_only, 77, 88), TReplyVerdict::kNoTransmitTime);
  TNtpPacket zero = good;
  zero.TransmitSeconds = 0;
  EXPECT_EQ(CheckReply(zero, 77, 88), TReplyVerdict::kNoTransmitTime);
}

}  // namespace
}  // namespace kestrum::sntp
