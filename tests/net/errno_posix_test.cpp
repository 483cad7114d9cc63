// Both POSIX socket seams report an errno value as the same Winsock code.
#include <gtest/gtest.h>

#include <cerrno>

#include "net/errno_posix.h"
#include "tcpip/wsock.h"

namespace kestrum::net {
namespace {

TEST(ErrnoCodes, BothSeamsReportTheSameWinsockCode) {
  const struct {
    int error;
    int code;
  } cases[] = {
      {EPIPE, 10054},     {ECONNRESET, 10054}, {ENOMEM, 10055},       {ENOTEMPTY, 10066},
      {EUSERS, 10068},    {EDQUOT, 10069},     {ESTALE, 10070},       {EREMOTE, 10071},
      {ESHUTDOWN, 10058}, {ETIMEDOUT, 10060},  {ECONNREFUSED, 10061},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WinsockErrorOfErrno(c.error), c.code) << c.error;
    errno = c.error;
    EXPECT_EQ(tcpip::wsock::LastError(), c.code) << c.error;
  }
}

TEST(ErrnoCodes, AnUnmappedValueStaysClearOfTheWinsockRange) {
  EXPECT_EQ(WinsockErrorOfErrno(ENOENT), kUnmappedErrnoBase + ENOENT);
}

}  // namespace
}  // namespace kestrum::net
