#pragma once
// Whether this account may set the clock, and runs of this program with an administrator's
// rights. Paths are UTF-8, texts Shift-JIS.

#include <cstdint>
#include <string>

namespace kestrum::platform {

enum class TClockRight {
  kHeld,            // a full token, or the right to change the time held
  kNeedsElevation,  // an administrator's filtered token: an elevated run holds the right
  kNeedsGrant,      // a standard account without the right
};

enum class TElevation {
  kEnded,    // the elevated program ran and ended; see the exit code
  kRefused,  // the user declined the consent or credentials prompt
  kFailed,   // it could not be started
};

struct TElevatedRun {
  TElevation outcome = TElevation::kFailed;
  uint32_t exit_code = 0;
};

class TRightsPort {
 public:
  virtual ~TRightsPort() = default;
  // Can this process set the clock now.
  virtual TClockRight ThisProcess() = 0;
  // Could a run of this account that nobody elevated (the logon run) set the clock.
  virtual TClockRight LogonRun() = 0;
  // This account's identity as an elevated run of another account can name it (a SID text).
  virtual std::string AccountId() = 0;
  // Starts `target` with `arguments` in `folder` with an administrator's rights (the system
  // asks the user) and waits for its end while answering the system's liveness checks.
  virtual TElevatedRun RunElevated(const std::string& target, const std::string& arguments,
                                   const std::string& folder) = 0;
  // Grants the account `account_id` the right to change the system time; needs an
  // administrator's rights. False when refused.
  virtual bool GrantClockRight(const std::string& account_id) = 0;
};

TRightsPort& SystemRights();

}  // namespace kestrum::platform
