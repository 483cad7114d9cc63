#pragma once
// The network probe: one HTTP request to an address, answered or not. No data is read.

#include <string>
#include <utility>

#include "platform/wait.h"

namespace kestrum::platform {

class TWebProbePort {
 public:
  virtual ~TWebProbePort() = default;
  // True when the server at `url` (an "http://" address, ASCII) answered the request.
  virtual bool Probe(const std::string& url) = 0;
  // From now on the probe's waits run in slices with `hook` called between them.
  void SetWaitHook(TWaitHook hook) { wait_hook_ = hook; }
  TWaitHook WaitHook() const { return wait_hook_; }

 private:
  TWaitHook wait_hook_ = nullptr;
};

TWebProbePort& SystemWebProbe();

}  // namespace kestrum::platform
