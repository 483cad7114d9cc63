#include "app/protocol_clients.h"

#include "net/sockapi.h"
#include "sntp/sntpclient.h"
#include "tcpip/iputil.h"
#include "tcpip/time_query.h"

namespace kestrum::app {
namespace {

class TSntpClientQuery final : public TSntpQuery {
 public:
  explicit TSntpClientQuery(platform::TClockPort& clock) : client_(clock) {}
  void SetTargetHost(const std::string& host) override { client_.TargetHost = host; }
  bool QueryServerTime() override { return client_.QueryServerTime(); }
  lib::TDateTime NTPTime() const override { return client_.NTPTime(); }

 private:
  sntp::TSNTPClient client_;
};

class TTimeClientQuery final : public TTimeQuery {
 public:
  explicit TTimeClientQuery(platform::TTimeZonePort& zone) : client_(zone) {}
  void SetHostname(const std::string& host) override { client_.Hostname = host; }
  void FetchTime() override { client_.FetchTime(); }
  lib::TDateTime ServerTime() const override { return client_.ServerTime; }

 private:
  tcpip::T_Time client_;
};

}  // namespace

std::unique_ptr<TSntpQuery> MakeSntpClient(platform::TClockPort& clock) {
  return std::make_unique<TSntpClientQuery>(clock);
}

std::unique_ptr<TTimeQuery> MakeTimeClient(platform::TTimeZonePort& zone) {
  return std::make_unique<TTimeClientQuery>(zone);
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
