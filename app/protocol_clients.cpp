#include "app/protocol_clients.h"

#include "net/sockapi.h"
#include "sntp/sntpclient.h"
#include "tcpip/iputil.h"
#include "tcpip/time_query.h"

namespace kestrum::app {
namespace {

class TSntpClientQuery final : public TSntpQuery {
 public:
  void SetTargetHost(const std::string& host) override { client_.TargetHost = host; }
  bool QueryServerTime() override { return client_.QueryServerTime(); }
  lib::TDateTime NTPTime() const override { return client_.NTPTime(); }

 private:
  sntp::TSNTPClient client_;
};

class TTimeClientQuery final : public TTimeQuery {
 public:
  void SetHostname(const std::string& host) override { client_.Hostname = host; }
  void FetchTime() override { client_.FetchTime(); }
  lib::TDateTime ServerTime() const override { return client_.ServerTime; }

 private:
  tcpip::T_Time client_;
};

}  // namespace

std::unique_ptr<TSntpQuery> MakeSntpClient() { return std::make_unique<TSntpClientQuery>(); }
std::unique_ptr<TTimeQuery> MakeTimeClient() { return std::make_unique<TTimeClientQuery>(); }

TSocketServices::TSocketServices() {
  net::InitSocketInterface();
  tcpip::StartSocketService();
}

TSocketServices::~TSocketServices() {
  tcpip::StopSocketService();
  net::DoneSocketInterface();
}

}  // namespace kestrum::app
