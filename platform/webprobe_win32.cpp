#include <windows.h>
#include <wininet.h>

#include "platform/webprobe.h"

namespace kestrum::platform {
namespace {

constexpr char kAgent[] = "Brelvint";
// Use the system's configured access (direct or proxy).
constexpr DWORD kAccessPreconfig = 0;
// Always from the network, never from the cache.
constexpr DWORD kReload = 0x80000000;

class TWinInetProbe final : public TWebProbePort {
 public:
  bool Probe(const std::string& url) override {
    HINTERNET session = InternetOpenA(kAgent, kAccessPreconfig, nullptr, nullptr, 0);
    if (session == nullptr) return false;
    HINTERNET request = InternetOpenUrlA(session, url.c_str(), nullptr, 0, kReload, 0);
    const bool answered = request != nullptr;
    if (answered) InternetCloseHandle(request);
    InternetCloseHandle(session);
    return answered;
  }
};

}  // namespace

TWebProbePort& SystemWebProbe() {
  static TWinInetProbe probe;
  return probe;
}

}  // namespace kestrum::platform
