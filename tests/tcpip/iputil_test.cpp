#include "tcpip/iputil.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/timezone.h"

namespace kestrum::tcpip {
namespace {

using TState = platform::TTimeZoneInfo::TState;

// Network-order address from its four octets, first on the wire first.
uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t octets[4] = {a, b, c, d};
  uint32_t address;
  std::memcpy(&address, octets, sizeof address);
  return address;
}

class TFixedZone final : public platform::TTimeZonePort {
 public:
  explicit TFixedZone(platform::TTimeZoneInfo info) : info_(info) {}
  platform::TTimeZoneInfo GetTimeZoneInformation() override { return info_; }

 private:
  platform::TTimeZoneInfo info_;
};

class IpUtilTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartSocketService(); }
  static void TearDownTestSuite() { StopSocketService(); }
};

TEST_F(IpUtilTest, ResolvesDottedTextNamesAndRejectsNoAddress) {
  EXPECT_TRUE(SocketsStarted());
  struct TCase {
    const char* host;
    uint32_t expected;
  };
  const TCase cases[] = {
      {"", kNoAddress},
      {"127.0.0.1", Address(127, 0, 0, 1)},
      {"10.20.30.40", Address(10, 20, 30, 40)},  // parsed only, never contacted
      {"255.255.255.255", kNoAddress},
      {"localhost", Address(127, 0, 0, 1)},  // from the hosts file, no name server asked
  };
  for (const TCase& c : cases) EXPECT_EQ(ResolveHost(c.host), c.expected) << c.host;
}

TEST(IpToText, PrintsOctetsInWireOrder) {
  EXPECT_EQ(IpToText(Address(127, 0, 0, 1)), "127.0.0.1");
  EXPECT_EQ(IpToText(Address(192, 168, 0, 255)), "192.168.0.255");
  EXPECT_EQ(IpToText(kNoAddress), "255.255.255.255");
  EXPECT_EQ(IpToText(0), "0.0.0.0");
}

TEST(TimeZoneBias, AddsTheBiasOfTheSeasonInForce) {
  struct TCase {
    TState state;
    int32_t bias, standard_bias, daylight_bias;
    int32_t expected;
  };
  const TCase cases[] = {
      {TState::kStandard, -540, 0, 0, -540},  // Japan
      {TState::kStandard, 300, 0, -60, 300},  // New York in winter
      {TState::kDaylight, 300, 0, -60, 240},  // New York in summer
      {TState::kStandard, 60, 5, -60, 65},
      {TState::kUnknown, -540, 0, 0, -540},  // a zone without daylight saving keeps its bias
      {TState::kFailed, -540, 0, 0, 0},
  };
  for (const TCase& c : cases) {
    TFixedZone zone({c.state, c.bias, c.standard_bias, c.daylight_bias});
    EXPECT_EQ(TimeZoneBias(zone), c.expected) << c.bias << " " << static_cast<int>(c.state);
  }
}

}  // namespace
}  // namespace kestrum::tcpip
