#include "tcpip/tcpip.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "loopback_fixture.h"

namespace kestrum::tcpip::testing {
namespace {

using R = fakes::TTcpTimeResponder;

class TcpIpTest : public LoopbackTest {
 protected:
  TcpIpTest() { client_.TraceHandler = trace_.Handler(); }

  TTraceLog trace_;
  T_TcpIp client_{platform::SystemTicks()};
};

TEST_F(TcpIpTest, StartsIdle) {
  EXPECT_EQ(client_.Socket, kNoSocket);
  EXPECT_EQ(client_.IpAddress, kNoAddress);
  EXPECT_FALSE(client_.LoggedIn);
  EXPECT_EQ(client_.ReadChunk.size(), kReadChunkSize);
  EXPECT_TRUE(client_.Eof(kNoSocket));
  EXPECT_EQ(client_.SocketState(kNoSocket), ssInvalid);
}

TEST_F(TcpIpTest, UnresolvableHostRaisesTcpIpErrorWithoutOpeningASocket) {
  for (const std::string host : {"", "255.255.255.255"}) {
    client_.Hostname = host;
    client_.Port = responder_.port();
    try {
      client_.Login();
      ADD_FAILURE() << "no exception for '" << host << "'";
    } catch (const ETcpIpError& e) {
      EXPECT_EQ(std::string(e.what()), "Couldn't resolve hostname " + host);
    }
    EXPECT_EQ(client_.IpAddress, kNoAddress);
    EXPECT_EQ(client_.Socket, kNoSocket);
    EXPECT_FALSE(client_.LoggedIn);
  }
  EXPECT_TRUE(trace_.lines.empty());
}

TEST_F(TcpIpTest, RefusedConnectRaisesSocketError10061) {
  client_.Hostname = "127.0.0.1";
  client_.Port = ClosedPort();
  try {
    client_.Login();
    FAIL() << "no exception";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.ErrorCode, 10061);
    EXPECT_EQ(std::string(e.what()), "Error creating socket");
  }
  EXPECT_EQ(client_.Socket, kNoSocket);
  EXPECT_FALSE(client_.LoggedIn);
  const std::string failed =
      "Failed to open output socket " + std::to_string(client_.Port) + " to host 127.0.0.1";
  ASSERT_EQ(trace_.lines.size(), 2u);
  EXPECT_EQ(trace_.lines[0].first.rfind("Closed socket ID ", 0), 0u);
  EXPECT_EQ(trace_.lines[1], std::make_pair(failed, 2));
}

TEST_F(TcpIpTest, LoginConnectsAndTracesTheSocket) {
  responder_.Enqueue({R::Hang()});
  Aim(client_);
  client_.Login();
  ASSERT_NE(client_.Socket, kNoSocket);
  EXPECT_TRUE(client_.LoggedIn);
  EXPECT_EQ(IpToText(client_.IpAddress), "127.0.0.1");
  EXPECT_EQ(client_.SocketState(client_.Socket), ssConnected);
  EXPECT_FALSE(client_.Eof(client_.Socket));
  ASSERT_EQ(trace_.lines.size(), 1u);
  EXPECT_EQ(trace_.lines[0], std::make_pair("Opened output socket " + std::to_string(client_.Port) +
                                                " to host 127.0.0.1 successfully; ID " +
                                                std::to_string(client_.Socket),
                                            2));
}

TEST_F(TcpIpTest, SecondLoginClosesTheFirstSocketBeforeOpening) {
  responder_.Enqueue({R::Hang()});
  responder_.Enqueue({R::Hang()});
  Aim(client_);
  client_.Login();
  const TSocketHandle first = client_.Socket;
  client_.Login();
  EXPECT_TRUE(client_.LoggedIn);
  const int closed = trace_.Find("Closed socket ID " + std::to_string(first));
  ASSERT_GE(closed, 1);
  EXPECT_EQ(trace_.Count("Opened output socket"), 2);
  EXPECT_EQ(trace_.lines.back().first.rfind("Opened output socket", 0), 0u);
  EXPECT_TRUE(responder_.WaitForClientCloses(1, 2000));
}

TEST_F(TcpIpTest, PeerCloseWithoutDataEndsTheReadWithClosed) {
  responder_.Enqueue({R::Close()});
  Aim(client_);
  client_.Login();
  uint8_t byte = 0;
  int count = -7;
  client_.ReadBuffer(client_.Socket, &byte, count, 1);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(client_.Closed);
  EXPECT_TRUE(client_.Eof(client_.Socket));
}

TEST_F(TcpIpTest, ReceiveTimeoutEndsTheReadInsteadOfRetrying) {
  responder_.Enqueue({R::Hang()});
  Aim(client_);
  client_.Timeout = kShortLimitMs;
  client_.Login();
  uint8_t byte = 0;
  int count = 0;
  client_.ReadBuffer(client_.Socket, &byte, count, 1);
  EXPECT_LE(count, 0);
  EXPECT_TRUE(client_.Closed);
}

TEST_F(TcpIpTest, SocketStateOfAnUnconnectedSocketIsNotConnected) {
  const TSocketHandle handle = wsock::Socket(wsock::kAfInet, wsock::kSockStream, 0);
  ASSERT_NE(handle, kNoSocket);
  EXPECT_EQ(client_.SocketState(handle), ssNotConnected);
  EXPECT_TRUE(client_.Eof(handle));
  wsock::CloseSocket(handle);
}

TEST_F(TcpIpTest, SendCommandSendsTextAndCrLfInOneSend) {
  responder_.Enqueue({R::Receive(6), R::Close()});
  Aim(client_);
  client_.Login();
  client_.SendCommand("ABCD");
  const std::string sent = "Sent 6 bytes on socket ID " + std::to_string(client_.Socket);
  EXPECT_EQ(trace_.Count("Sent "), 1);
  EXPECT_EQ(trace_.lines[trace_.lines.size() - 2], std::make_pair(sent, 2));
  EXPECT_EQ(trace_.lines.back(), std::make_pair(std::string("ABCD"), 0));
  client_.Action();  // waits for the responder's close, so everything has arrived
  EXPECT_EQ(responder_.received(), "ABCD\r\n");
}

TEST_F(TcpIpTest, FailedSendReportsMinusOneWithoutRaising) {
  int length = 3;
  client_.WriteBuffer(kNoSocket, "abc", length);
  EXPECT_EQ(length, -1);
  EXPECT_EQ(trace_.lines.back().first, "Sent -1 bytes on socket ID -1");
}

TEST_F(TcpIpTest, ActionCollectsTheWholeReplyAcrossChunks) {
  std::string reply(kReadChunkSize + 1000, '\0');
  for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<char>(i % 251);
  responder_.Enqueue(
      {R::Send(reply.substr(0, 5000)), R::Delay(20), R::Send(reply.substr(5000)), R::Close()});
  Aim(client_);
  client_.Action();
  EXPECT_EQ(client_.ReplyStream.Position, 0u);
  const auto& bytes = client_.ReplyStream.Bytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), reply);
  EXPECT_TRUE(client_.Eof(client_.Socket));
  EXPECT_TRUE(client_.LoggedIn);  // the socket stays open until Logout or the next Login
}

TEST_F(TcpIpTest, DestroyingAConnectedComponentClosesItsSocketSilently) {
  responder_.Enqueue({R::Hang()});
  auto client = std::make_unique<T_TcpIp>(platform::SystemTicks());
  Aim(*client);
  client->TraceHandler = trace_.Handler();
  client->Login();
  const std::size_t lines = trace_.lines.size();
  client.reset();
  EXPECT_EQ(trace_.lines.size(), lines);
  EXPECT_TRUE(responder_.WaitForClientCloses(1, 2000));
}

TEST_F(TcpIpTest, DependentsAreToldBeforeTheComponentGoes) {
  struct TWatcher : T_ZQ_Component {
    void Detach(T_ZQ_Component* component) override { detached.push_back(component); }
    std::vector<T_ZQ_Component*> detached;
  };
  TWatcher watcher;
  auto client = std::make_unique<T_TcpIp>(platform::SystemTicks());
  T_ZQ_Component* const dying = client.get();
  client->Dependents = {nullptr, &watcher};
  client.reset();
  EXPECT_EQ(watcher.detached, std::vector<T_ZQ_Component*>{dying});
}

}  // namespace
}  // namespace kestrum::tcpip::testing
