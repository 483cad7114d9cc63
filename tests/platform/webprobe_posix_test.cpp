// The POSIX network probe against a loopback server that plays a script per connection.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/ticks.h"

#include "platform/webprobe_posix.h"
#include "responders/responder_set.h"
#include "responders/tcp_time_responder.h"
#include "tcpip/wsock.h"

namespace kestrum::platform {
namespace {

using fakes::TTcpTimeResponder;

constexpr int kBudgetMs = 200;

class HttpProbe : public ::testing::Test {
 protected:
  HttpProbe() { tcpip::wsock::Startup(0x0101); }
  ~HttpProbe() override { tcpip::wsock::Cleanup(); }

  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(server.port()) + "/connecttest.txt";
  }
  std::string Request() const {
    return "GET /connecttest.txt HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
           "\r\nUser-Agent: Brelvint\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
  }

  std::unique_ptr<TWebProbePort> probe = MakeHttpProbe(kBudgetMs);
  TTcpTimeResponder server;
};

TEST_F(HttpProbe, AnyStatusLineIsAnAnswer) {
  for (const char* status :
       {"HTTP/1.1 200 OK\r\n\r\nMicrosoft Connect Test", "HTTP/1.0 404 Not Found\r\n\r\n"}) {
    server.Enqueue({TTcpTimeResponder::Receive(Request().size()), TTcpTimeResponder::Send(status),
                    TTcpTimeResponder::Close()});
    EXPECT_TRUE(probe->Probe(Url())) << status;
  }
  EXPECT_EQ(server.received(), Request() + Request());
}

TEST_F(HttpProbe, NoAnswerWithinTheBudgetIsNoNetwork) {
  struct Case {
    const char* name;
    TTcpTimeResponder::TScript script;
  };
  const Case cases[] = {
      {"closes", {TTcpTimeResponder::Close()}},
      {"resets", {TTcpTimeResponder::Reset()}},
      {"not http", {TTcpTimeResponder::Send("SSH-2.0-x\r\n"), TTcpTimeResponder::Close()}},
      {"short", {TTcpTimeResponder::Send("HTT"), TTcpTimeResponder::Close()}},
      {"silent", {TTcpTimeResponder::Hang()}},
  };
  for (const auto& c : cases) {
    server.Enqueue(c.script);
    EXPECT_FALSE(probe->Probe(Url())) << c.name;
  }
}

// Every fault of the HTTP responder: a status line is an answer, anything else (or nothing
// within the budget) is none, and no probe outlasts its budget by much.
TEST_F(HttpProbe, FaultModesOfTheResponderSet) {
  using fakes::TFault;
  fakes::TResponderSetOptions options;
  options.sntp_port = options.time_port = fakes::kServiceOff;
  options.timing.delay_ms = 50;
  options.timing.late_ms = 3 * kBudgetMs;
  options.timing.trickle_ms = kBudgetMs / 2;  // the five bytes of "HTTP/" take twice the budget
  fakes::TResponderSet set(options);
  const std::string url = "http://127.0.0.1:" + std::to_string(set.HttpPort()) + "/";
  const struct {
    TFault fault;
    bool answered;
  } cases[] = {
      {TFault::kNone, true},
      {TFault::kSilence, false},
      {TFault::kDelay, true},
      {TFault::kShort, true},
      {TFault::kLong, true},
      {TFault::kGarbage, false},
      {TFault::kZeroTime, true},
      {TFault::kDuplicate, true},
      {TFault::kLate, false},
      {TFault::kOtherAddress, true},
      {TFault::kOtherPort, true},
      {TFault::kReset, false},
      {TFault::kHang, false},
      {TFault::kTrickle, false},
      // A status line of any kind is an answer; nothing here follows redirects.
      {TFault::kFlood, true},
      {TFault::kRedirect, true},
      {TFault::kContinue, true},
      {TFault::kKissOfDeath, true},
  };
  for (const auto& c : cases) {
    set.SetFaults(TFault::kNone, TFault::kNone, c.fault);
    const uint32_t start = SystemTicks().GetTickCount();
    EXPECT_EQ(probe->Probe(url), c.answered) << fakes::FaultName(c.fault);
    EXPECT_LE(SystemTicks().GetTickCount() - start, kBudgetMs + 1000u) << fakes::FaultName(c.fault);
  }
}

TEST_F(HttpProbe, AddressesItCannotUseFailAtOnce) {
  for (const char* url : {"https://127.0.0.1/", "ftp://127.0.0.1/", "http://", "http:///x",
                          "127.0.0.1", "http://127.0.0.1:1/"}) {
    EXPECT_FALSE(probe->Probe(url)) << url;
  }
  EXPECT_EQ(server.accepted(), 0u);
}

}  // namespace
}  // namespace kestrum::platform
