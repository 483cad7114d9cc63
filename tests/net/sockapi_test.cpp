#include "net/sockapi.h"

#include <gtest/gtest.h>

#include "fakes/socket_layer_environment.h"
#include "net/blocksock.h"
#include "net/netutil.h"
#include "net/sockerror.h"

namespace kestrum::net {
namespace {

TEST(SocketInterface, UseCountLoadsOnceAndUnloadsAtZero) {
  const int base = SocketInterfaceUseCount();
  ASSERT_GE(base, 1);  // started for the whole test program
  const bool extended = ExtendedResolverAvailable;
  const bool ipv6 = IPv6ResolverAvailable;

  EXPECT_TRUE(LoadSocketInterface(""));
  EXPECT_EQ(SocketInterfaceUseCount(), base + 1);
  EXPECT_EQ(ExtendedResolverAvailable, extended);
  EXPECT_EQ(IPv6ResolverAvailable, ipv6);
  EXPECT_TRUE(ReleaseSocketInterface());
  EXPECT_EQ(SocketInterfaceUseCount(), base);
  const TSocketHandle still_loaded = SockSocket(kAfInet, 2, 17);
  EXPECT_NE(still_loaded, kInvalidSocket);
  SockCloseSocket(still_loaded);

  for (int i = 0; i < base; ++i) DoneSocketInterface();
  EXPECT_EQ(SocketInterfaceUseCount(), 0);
  EXPECT_TRUE(ReleaseSocketInterface());
  EXPECT_EQ(SocketInterfaceUseCount(), 0);
  // Unloaded: the empty table is never called.
  EXPECT_EQ(SockSocket(kAfInet, 2, 17), kInvalidSocket);
  EXPECT_EQ(SockLastError(), 10093);

  try {
    InitSocketInterface("no_such_socket_library.dll");
    ADD_FAILURE() << "no error raised";
  } catch (const EBlockSocketError& e) {
    EXPECT_STREQ(e.what(), "Error loading Socket interface (ws2_32.dll)!");
    EXPECT_EQ(e.ErrorCode, 0);
    EXPECT_EQ(e.ErrorMessage, "Error loading Socket interface (ws2_32.dll)!");
  }
  EXPECT_EQ(SocketInterfaceUseCount(), 0);

  for (int i = 0; i < base; ++i) InitSocketInterface();
  EXPECT_EQ(SocketInterfaceUseCount(), base);
  EXPECT_EQ(ExtendedResolverAvailable, extended);
}

TEST(SocketInterface, DescriptorSetHoldsAtMost64Handles) {
  TFdSet set;
  for (TSocketHandle h = 1; h <= 65; ++h) FdAdd(h, set);
  EXPECT_EQ(set.fd_count, 64u);
  EXPECT_EQ(set.fd_array[63], 64u);
  FdAdd(7, set);
  EXPECT_EQ(set.fd_count, 64u);
  FdZero(set);
  FdAdd(7, set);
  FdAdd(7, set);  // no duplicate test
  EXPECT_EQ(set.fd_count, 2u);
}

TEST(SocketInterface, AddressLengthFollowsFamily) {
  TSocketAddress address = MakeIPv4Address(SockInetAddr("127.0.0.1"), SockHtons(123));
  EXPECT_EQ(AddressLength(address), 16);
  EXPECT_EQ(AddressPort(address), 123);
  std::vector<TSocketAddress> found;
  ASSERT_EQ(SockGetAddrInfo(nullptr, "123", {0, kAfInet6, 2, 17}, found), 0);
  EXPECT_EQ(AddressLength(found.at(0)), 28);
  EXPECT_EQ(AddressLength(TSocketAddress{}), 0);
}

TEST(GetErrorDesc, TableAndFallback) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {0, ""},
      {10035, "Operation would block"},
      {10054, "Connection reset by peer"},
      {10060, "Connection timed out"},
      {10101, "Disconnect"},
      {11001, "Host not found"},
      {11004, "Valid name, no data record of requested type"},
      {12345, "Other Winsock error (12345)"},
      {10000, "Other Winsock error (10000)"},
  };
  for (const auto& c : cases) EXPECT_EQ(TBlockSocket::GetErrorDesc(c.code), c.text) << c.code;
}

TEST(LiteralTests, IPv4AndIPv6) {
  const struct {
    const char* text;
    bool ip4;
    bool ip6;
  } cases[] = {
      {"127.0.0.1", true, false},
      {" 10 . 0 .0. 255 ", true, false},
      {"256.0.0.1", false, false},
      {"1.2.3", false, false},
      {"1.2.3.4.5", false, false},
      {"1.2..4", false, false},
      {"::1", false, true},
      {"fe80::1%4", false, true},
      {"::", false, false},
      {"1::", false, false},
      // Hex digits alone are a host name: only a ":" makes an IPv6 literal.
      {"cafe", false, false},
      {"1234", false, false},
      {"beef", false, false},
      {"cafe:1", false, true},
      {"1:2:3:4:5:6:7:8", false, true},
      {"1:2:3:4:5:6:7:8:9", false, false},
      {"1::2::3", false, false},
      {"12345::1", false, false},
      {"fe80::1%", false, false},
      {"ntp.example", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsIP(c.text), c.ip4) << c.text;
    EXPECT_EQ(IsIP6(c.text), c.ip6) << c.text;
  }
}

}  // namespace
}  // namespace kestrum::net
