// Rights on POSIX: the capability to set the clock in this process's effective set. There is
// no elevation of a running desktop program here, so nothing can be started elevated or
// granted; a logon run gets what this process has.
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/rights.h"

namespace kestrum::platform {
namespace {

constexpr char kStatusFile[] = "/proc/self/status";
constexpr char kEffectiveCapabilities[] = "CapEff:";
// CAP_SYS_TIME's bit in the capability sets.
constexpr int kSysTimeCapability = 25;
constexpr int kHexBase = 16;

bool HoldsSysTime() {
  std::ifstream status(kStatusFile);
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(kEffectiveCapabilities, 0) != 0) continue;
    const unsigned long long set =
        std::stoull(line.substr(sizeof(kEffectiveCapabilities) - 1), nullptr, kHexBase);
    return ((set >> kSysTimeCapability) & 1U) != 0;
  }
  return false;
}

class TPosixRights final : public TRightsPort {
 public:
  TClockRight ThisProcess() override {
    return HoldsSysTime() ? TClockRight::kHeld : TClockRight::kNeedsGrant;
  }
  TClockRight LogonRun() override { return ThisProcess(); }
  std::string AccountId() override { return std::to_string(getuid()); }
  TElevatedRun RunElevated(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  bool GrantClockRight(const std::string&) override { return false; }
};

}  // namespace

TRightsPort& SystemRights() {
  static TPosixRights rights;
  return rights;
}

}  // namespace kestrum::platform
