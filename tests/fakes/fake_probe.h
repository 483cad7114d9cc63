#pragma once
// A network probe with scripted answers: the queued results first, then `otherwise`.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/webprobe.h"

namespace kestrum::fakes {

class TFakeProbe final : public platform::TWebProbePort {
 public:
  bool Probe(const std::string& url) override {
    urls.push_back(url);
    if (on_probe) on_probe(static_cast<int>(urls.size()));
    if (script.empty()) return otherwise;
    const bool result = script.front();
    script.pop_front();
    return result;
  }

  std::deque<bool> script;
  bool otherwise = true;
  std::function<void(int probe_number)> on_probe;
  std::vector<std::string> urls;
};

}  // namespace kestrum::fakes
