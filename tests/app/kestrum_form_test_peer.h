#pragma once
// Reads the main window's state that only tests and the benchmark look at, so that the
// window's own interface keeps to what the program uses.

#include <string>

#include "app/kestrum1.h"

namespace kestrum::app {

class TKestrumFormTestPeer {
 public:
  explicit TKestrumFormTestPeer(const TKestrumForm& form) : form_(form) {}

  // Hundredths of a second, a whole number; positive: the local clock is behind the server.
  double OffsetHundredths() const { return form_.offset_hundredths; }
  const std::string& ExeDir() const { return form_.exe_dir; }
  bool CancelFlag() const { return form_.cancel_flag; }
  bool Unattended() const { return form_.unattended; }
  toolkit::TColor ProgressColor() const { return form_.progress_color; }
  bool SntpEnabled() const { return form_.sntp_enabled; }
  bool Rfc868Enabled() const { return form_.rfc868_enabled; }
  const TSntpQuery* Sntp() const { return form_.sntp.get(); }

 private:
  const TKestrumForm& form_;
};

}  // namespace kestrum::app
