#include "app/protocol_clients.h"

#include "net/sockapi.h"
#include "sntp/sntpclient.h"
#include "tcpip/iputil.h"
#include "tcpip/tcpip_errors.h"
#include "tcpip/time_query.h"

namespace kestrum::app {
namespace {

// A host whose name the resolver did not answer for in the SNTP query of this attempt: the
// Time query of the same attempt does not ask it again, so one attempt waits for the resolver
// once, not twice.
struct TUnanswered {
  std::string host;
};

TUnanswered& Unanswered() {
  static TUnanswered unanswered;
  return unanswered;
}

class TSntpClientQuery final : public TSntpQuery {
 public:
  explicit TSntpClientQuery(platform::TClockPort& clock) : client_(clock) {}
  void SetTargetHost(const std::string& host) override { client_.TargetHost = host; }
  bool QueryServerTime() override {
    Unanswered().host.clear();
    const bool ok = client_.QueryServerTime();
    if (!ok && client_.Sock().LastErrorCode() == net::kErrTryAgain) {
      Unanswered().host = client_.TargetHost;
    }
    return ok;
  }
  base::TDateTime NTPTime() const override { return client_.NTPTime(); }

 private:
  sntp::TSNTPClient client_;
};

class TTimeClientQuery final : public TTimeQuery {
 public:
  explicit TTimeClientQuery(platform::TTimeZonePort& zone) : client_(zone) {}
  void SetHostname(const std::string& host) override { client_.Hostname = host; }
  void FetchTime() override {
    const bool unanswered = !client_.Hostname.empty() && Unanswered().host == client_.Hostname;
    Unanswered().host.clear();
    if (unanswered) throw tcpip::ETcpIpError("Couldn't resolve hostname " + client_.Hostname);
    client_.FetchTime();
  }
  base::TDateTime ServerTime() const override { return client_.ServerTime; }

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
