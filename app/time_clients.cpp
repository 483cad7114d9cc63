#include "app/time_clients.h"

#include <stdexcept>

namespace kestrum::app {
namespace {

class TUnavailableSntp final : public TSntpQuery {
 public:
  void SetTargetHost(const std::string&) override {}
  bool QueryServerTime() override { return false; }
  bool NameUnanswered() const override { return false; }
  base::TDateTime NTPTime() const override { return 0; }
};

class TUnavailableTime final : public TTimeQuery {
 public:
  void SetHostname(const std::string&) override {}
  void FetchTime() override { throw std::runtime_error("Time protocol client not available"); }
  base::TDateTime ServerTime() const override { return 0; }
};

}  // namespace

std::unique_ptr<TSntpQuery> MakeUnavailableSntp() { return std::make_unique<TUnavailableSntp>(); }
std::unique_ptr<TTimeQuery> MakeUnavailableTime() { return std::make_unique<TUnavailableTime>(); }

}  // namespace kestrum::app
