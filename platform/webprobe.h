#pragma once
// The network probe: one HTTP request to an address, answered or not. No data is read.

#include <string>

namespace kestrum::platform {

class TWebProbePort {
 public:
  virtual ~TWebProbePort() = default;
  // True when the server at `url` (an "http://" address, ASCII) answered the request.
  virtual bool Probe(const std::string& url) = 0;
};

TWebProbePort& SystemWebProbe();

}  // namespace kestrum::platform
