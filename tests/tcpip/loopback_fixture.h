#pragma once
// Shared set-up of the TCP client tests: the socket service, a loopback responder, a trace log.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "responders/tcp_time_responder.h"
#include "tcpip/iputil.h"
#include "tcpip/tcpip.h"

namespace kestrum::tcpip::testing {

// Short bound for queries against silent servers, so the suite stays fast under Wine.
constexpr uint32_t kShortLimitMs = 200;

struct TTraceLog {
  std::vector<std::pair<std::string, int>> lines;
  TTraceHandler Handler() {
    return [this](const std::string& text, int level) { lines.emplace_back(text, level); };
  }
  // Index of the first line starting with `prefix`, or -1.
  int Find(const std::string& prefix) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].first.rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& line : lines) n += line.first.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
};

class LoopbackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartSocketService(); }
  static void TearDownTestSuite() { StopSocketService(); }

  // Points `client` at the responder.
  void Aim(T_TcpIp& client) {
    client.Hostname = "127.0.0.1";
    client.Port = responder_.port();
  }

  // A loopback port where nothing listens: connecting to it is refused.
  static uint16_t ClosedPort() {
    uint16_t port = 0;
    wsock::CloseSocket(fakes::ListenOnLoopback(1, port));
    return port;
  }

  fakes::TTcpTimeResponder responder_;
};

}  // namespace kestrum::tcpip::testing
