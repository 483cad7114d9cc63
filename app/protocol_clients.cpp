#include "app/protocol_clients.h"

#include <utility>

#include "net/sockapi.h"
#include "sntp/sntpclient.h"
#include "tcpip/iputil.h"
#include "tcpip/time_query.h"

namespace kestrum::app {
namespace {

class TSntpClientQuery final : public TSntpQuery {
 public:
  TSntpClientQuery(platform::TClockPort& clock, platform::TTickPort& ticks)
      : client_(clock, ticks) {}
  void SetTargetHost(const std::string& host) override { client_.TargetHost = host; }
  bool QueryServerTime() override {
    name_unanswered_ = false;
    const bool ok = client_.QueryServerTime();
    name_unanswered_ = !ok && client_.Sock().LastErrorCode() == net::kErrTryAgain;
    return ok;
  }
  bool NameUnanswered() const override { return name_unanswered_; }
  base::TDateTime NTPTime() const override { return client_.NTPTime(); }
  void SetWaitHook(platform::TWaitHook hook) override { client_.Sock().WaitHook = hook; }

 private:
  sntp::TSNTPClient client_;
  bool name_unanswered_ = false;
};

class TTimeClientQuery final : public TTimeQuery {
 public:
  TTimeClientQuery(platform::TTimeZonePort& zone, platform::TClockPort& clock,
                   platform::TTickPort& ticks)
      : client_(zone, clock, ticks) {}
  void SetHostname(const std::string& host) override { client_.Hostname = host; }
  void FetchTime() override { client_.FetchTime(); }
  base::TDateTime ServerTime() const override { return client_.ServerTime; }
  void SetWaitHook(platform::TWaitHook hook) override { client_.WaitHook = hook; }

 private:
  tcpip::T_Time client_;
};

}  // namespace

std::unique_ptr<TSntpQuery> MakeSntpClient(platform::TClockPort& clock,
                                           platform::TTickPort& ticks) {
  return std::make_unique<TSntpClientQuery>(clock, ticks);
}

std::unique_ptr<TTimeQuery> MakeTimeClient(platform::TTimeZonePort& zone,
                                           platform::TClockPort& clock,
                                           platform::TTickPort& ticks) {
  return std::make_unique<TTimeClientQuery>(zone, clock, ticks);
}

TSocketServices::TSocketServices() {
  net::InitSocketInterface();
  tcpip::StartSocketService();
}

TSocketServices::~TSocketServices() {
  tcpip::StopSocketService();
  net::DoneSocketInterface();
}

}  // namespace kestrum::app
