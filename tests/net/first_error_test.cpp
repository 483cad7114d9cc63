// A program of its own: the case needs the first socket error the process ever reads.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "fakes/socket_layer_environment.h"
#include "net/blocksock.h"

namespace kestrum::net {
namespace {

// Nothing the socket layer does for its own bookkeeping before it reads the platform's last
// error (with MinGW, the first use of thread-local storage) may clear that error: a refused
// connect on a fresh thread, like the program's network thread, reports its code and text.
TEST(FirstSocketError, RefusedConnectOnAFreshThreadReportsItsCode) {
  TTCPBlockSocket closed{platform::SystemTicks()};  // bound, never listening
  closed.Bind("127.0.0.1", "0");
  const std::string port = std::to_string(closed.LocalPortNumber());
  int32_t code = -1;
  std::string text = "?";
  std::vector<std::string> errors;
  std::thread fresh([&] {
    TTCPBlockSocket client{platform::SystemTicks()};
    client.OnStatus = [&](TBlockSocket*, THookSocketReason reason, const std::string& value) {
      if (reason == THookSocketReason::ReasonError) errors.push_back(value);
    };
    client.Connect("127.0.0.1", port);
    code = client.LastErrorCode();
    text = client.LastErrorText();
  });
  fresh.join();
  EXPECT_EQ(code, 10061);
  EXPECT_EQ(text, "Connection refused");
  EXPECT_EQ(errors, std::vector<std::string>{"10061,Connection refused"});
}

}  // namespace
}  // namespace kestrum::net
