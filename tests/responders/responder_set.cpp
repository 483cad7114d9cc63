#include "responders/responder_set.h"

#include "responders/replies.h"

namespace kestrum::fakes {

TResponderSet::TResponderSet(const TResponderSetOptions& options) : options_(options) {
  if (options.sntp_port != kServiceOff) {
    TUdpResponderOptions udp;
    udp.address = options.address;
    udp.port = static_cast<uint16_t>(options.sntp_port);
    udp.other_address = options.other_address;
    sntp_ = std::make_unique<TUdpResponder>(udp);
    sntp_->SetAnswer([this](const TUdpRequest& request) {
      const TResponderSetOptions now = Current();
      return SntpAnswer(now.sntp_fault, now.timing, now.clock, request.bytes);
    });
  }
  if (options.time_port != kServiceOff) {
    time_ = std::make_unique<TTcpTimeResponder>(options.address,
                                                static_cast<uint16_t>(options.time_port));
    time_->SetConcurrent(true);
    time_->SetScriptMaker([this] {
      const TResponderSetOptions now = Current();
      return TimeScript(now.time_fault, now.timing, now.clock);
    });
  }
  if (options.http_port != kServiceOff) {
    http_ = std::make_unique<TTcpTimeResponder>(options.address,
                                                static_cast<uint16_t>(options.http_port));
    http_->SetConcurrent(true);
    http_->SetScriptMaker([this] {
      const TResponderSetOptions now = Current();
      return HttpScript(now.http_fault, now.timing);
    });
  }
}

// The servers stop (their threads join) before the options their makers read go away.
TResponderSet::~TResponderSet() {
  http_.reset();
  time_.reset();
  sntp_.reset();
}

TResponderSetOptions TResponderSet::Current() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return options_;
}

void TResponderSet::SetFaults(TFault sntp, TFault time, TFault http) {
  const std::lock_guard<std::mutex> lock(mutex_);
  options_.sntp_fault = sntp;
  options_.time_fault = time;
  options_.http_fault = http;
}

void TResponderSet::SetClock(const TServerClock& clock) {
  const std::lock_guard<std::mutex> lock(mutex_);
  options_.clock = clock;
}

void TResponderSet::SetTiming(const TFaultTiming& timing) {
  const std::lock_guard<std::mutex> lock(mutex_);
  options_.timing = timing;
}

std::size_t TResponderSet::SntpRequests() { return sntp_ ? sntp_->Requests().size() : 0; }

}  // namespace kestrum::fakes
