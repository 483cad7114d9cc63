#pragma once
// Scriptable loopback TCP responder (RFC 868 time, HTTP): listens on 127.0.0.1 at a port the
// system picks (or at a given loopback address and port) and plays one script per accepted
// connection (send bytes, pause, receive, read a request head, hang, close, reset): the next
// queued one, else the one the script maker returns. Runs on its own thread (see SetConcurrent);
// the socket service must be started while it exists.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tcpip/wsock.h"

namespace kestrum::fakes {

class TTcpTimeResponder {
 public:
  struct TStep {
    enum class TKind { kSend, kDelay, kReceive, kReceiveHead, kHang, kClose, kReset, kRepeat };
    TKind kind = TKind::kClose;
    std::string bytes;          // kSend, kRepeat
    uint32_t milliseconds = 0;  // kDelay; kRepeat: the pause between two sends
    std::size_t count = 0;      // kReceive: bytes to take before going on
  };
  using TScript = std::vector<TStep>;

  static TStep Send(std::string bytes) { return {TStep::TKind::kSend, std::move(bytes), 0, 0}; }
  static TStep Delay(uint32_t ms) { return {TStep::TKind::kDelay, {}, ms, 0}; }
  static TStep Receive(std::size_t count) { return {TStep::TKind::kReceive, {}, 0, count}; }
  // Takes bytes up to and including the first empty line (an HTTP request head).
  static TStep ReceiveHead() { return {TStep::TKind::kReceiveHead, {}, 0, 0}; }
  // Keeps the connection open without sending until the client closes it.
  static TStep Hang() { return {TStep::TKind::kHang, {}, 0, 0}; }
  static TStep Close() { return {TStep::TKind::kClose, {}, 0, 0}; }
  static TStep Reset() { return {TStep::TKind::kReset, {}, 0, 0}; }
  // Sends `bytes` again and again, `interval_ms` apart, until the client goes away (or
  // kRepeatLimitMs pass): an endless stream.
  static TStep Repeat(std::string bytes, uint32_t interval_ms) {
    return {TStep::TKind::kRepeat, std::move(bytes), interval_ms, 0};
  }
  static constexpr uint32_t kRepeatLimitMs = 30000;

  using TScriptMaker = std::function<TScript()>;

  TTcpTimeResponder();
  // `address` is an IPv4 literal; port 0 lets the system choose. Throws std::runtime_error when
  // it cannot listen there.
  TTcpTimeResponder(const std::string& address, uint16_t port);
  ~TTcpTimeResponder();
  TTcpTimeResponder(const TTcpTimeResponder&) = delete;
  TTcpTimeResponder& operator=(const TTcpTimeResponder&) = delete;

  uint16_t port() const { return port_; }
  // Script for the next connection; a connection without one plays the maker's script, or is
  // closed at once when there is no maker.
  void Enqueue(TScript script);
  // Set before the first connection.
  void SetScriptMaker(TScriptMaker maker);
  // By default one connection plays after the other; concurrent, a script that can wait plays
  // on a thread of its own, so that a pause or a hang does not hold the next client.
  void SetConcurrent(bool concurrent);

  std::size_t accepted() const;
  // Bytes taken by kReceive steps, all connections in order.
  std::string received() const;
  // Waits up to `ms` until `n` connections have seen the client close them while hanging.
  bool WaitForClientCloses(std::size_t n, uint32_t ms);

 private:
  struct TPlayer {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void Run();
  // True when a script can wait (pause, receive, hang) rather than just send and close.
  static bool Blocks(const TScript& script);
  // Joins the players that have finished; accept thread only.
  void ReapPlayers();
  void Play(tcpip::wsock::TSocket connection, const TScript& script);
  // False when the client closed (or stop was asked) before `count` bytes came.
  bool ReceiveBytes(tcpip::wsock::TSocket connection, std::size_t count);
  bool ReceiveHead(tcpip::wsock::TSocket connection);
  void HangUntilClosed(tcpip::wsock::TSocket connection);
  void RepeatUntilClosed(tcpip::wsock::TSocket connection, const TStep& step);
  void Pause(uint32_t ms) const;

  tcpip::wsock::TSocket listener_ = tcpip::wsock::kInvalidSocket;
  uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::deque<TScript> scripts_;
  TScriptMaker maker_;
  bool concurrent_ = false;
  std::size_t accepted_ = 0;
  std::size_t client_closes_ = 0;
  std::string received_;
  bool stop_ = false;
  std::thread thread_;
  std::vector<TPlayer> players_;  // accept thread only
};

// A listening port whose accept queue is full: a further connect gets no answer at all.
class TUnansweredListener {
 public:
  TUnansweredListener();
  ~TUnansweredListener();
  TUnansweredListener(const TUnansweredListener&) = delete;
  TUnansweredListener& operator=(const TUnansweredListener&) = delete;

  uint16_t port() const { return port_; }

 private:
  tcpip::wsock::TSocket listener_ = tcpip::wsock::kInvalidSocket;
  std::vector<tcpip::wsock::TSocket> fillers_;
  uint16_t port_ = 0;
};

// Loopback listener on a system-chosen port; returns the socket and stores the port.
tcpip::wsock::TSocket ListenOnLoopback(int backlog, uint16_t& port);
// Listener on `address` (IPv4 literal) at `port` (0: system-chosen, stored back).
tcpip::wsock::TSocket ListenOn(const std::string& address, int backlog, uint16_t& port);

}  // namespace kestrum::fakes
