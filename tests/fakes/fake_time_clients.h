#pragma once
// Scripted SNTP and Time protocol clients for the acquisition sequence. Each query asks the
// script for the host's reply, lets the reply's duration pass on the fake clock, and logs
// "SNTP host" or "TIME host".

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/time_clients.h"
#include "fakes/fake_clock.h"

namespace kestrum::fakes {

struct TFakeReply {
  bool answered = false;         // false: the query fails (SNTP: false; Time protocol: throws)
  base::TDateTime utc = 0;       // the server's time
  uint32_t duration_ms = 0;      // how long the query takes
  bool throws = false;           // the query raises an exception
  bool name_unanswered = false;  // SNTP: the resolver did not answer for the host
};

class TFakeServers {
 public:
  explicit TFakeServers(TFakeClock& clock) : clock_(clock) {}

  // protocol is "SNTP" or "TIME"; unscripted queries fail at once.
  std::function<TFakeReply(const std::string& protocol, const std::string& host)> script;
  std::vector<std::string> log;

  // The query waits through the hook it was handed.
  TFakeReply Ask(const std::string& protocol, const std::string& host, platform::TWaitHook hook) {
    log.push_back(protocol + " " + host);
    const TFakeReply reply = script ? script(protocol, host) : TFakeReply{};
    clock_.Wait(reply.duration_ms, hook);
    if (reply.throws) throw std::runtime_error("connection failed");
    return reply;
  }

  std::unique_ptr<app::TSntpQuery> MakeSntp();
  std::unique_ptr<app::TTimeQuery> MakeTime();

 private:
  TFakeClock& clock_;
};

class TFakeSntp final : public app::TSntpQuery {
 public:
  explicit TFakeSntp(TFakeServers& servers) : servers_(servers) {}
  void SetTargetHost(const std::string& host) override { host_ = host; }
  bool QueryServerTime() override {
    const TFakeReply reply = servers_.Ask("SNTP", host_, hook_);
    if (reply.answered) time_ = reply.utc;
    name_unanswered_ = !reply.answered && reply.name_unanswered;
    return reply.answered;
  }
  bool NameUnanswered() const override { return name_unanswered_; }
  base::TDateTime NTPTime() const override { return time_; }
  void SetWaitHook(platform::TWaitHook hook) override { hook_ = hook; }

 private:
  TFakeServers& servers_;
  std::string host_;
  platform::TWaitHook hook_ = nullptr;
  base::TDateTime time_ = 0;
  bool name_unanswered_ = false;
};

class TFakeTime final : public app::TTimeQuery {
 public:
  explicit TFakeTime(TFakeServers& servers) : servers_(servers) {}
  void SetHostname(const std::string& host) override { host_ = host; }
  void FetchTime() override {
    const TFakeReply reply = servers_.Ask("TIME", host_, hook_);
    if (!reply.answered) throw std::runtime_error("Couldn't connect");
    time_ = reply.utc;
  }
  base::TDateTime ServerTime() const override { return time_; }
  void SetWaitHook(platform::TWaitHook hook) override { hook_ = hook; }

 private:
  TFakeServers& servers_;
  std::string host_;
  platform::TWaitHook hook_ = nullptr;
  base::TDateTime time_ = 0;
};

inline std::unique_ptr<app::TSntpQuery> TFakeServers::MakeSntp() {
  return std::make_unique<TFakeSntp>(*this);
}
inline std::unique_ptr<app::TTimeQuery> TFakeServers::MakeTime() {
  return std::make_unique<TFakeTime>(*this);
}

}  // namespace kestrum::fakes
