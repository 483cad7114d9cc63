#pragma once
// One press of the main window's "get time" button, headless: the real SNTP and Time-protocol
// clients against loopback responders, a probe that answers at once, no native windows.

#include <cstdint>

namespace kestrum::bench {

// Both windows created once; each Acquire() presses the button again.
class THeadlessKestrum {
 public:
  // The clients are aimed at 127.0.0.1 at these ports, whatever server the list names.
  THeadlessKestrum(uint16_t sntp_port, uint16_t time_port);
  ~THeadlessKestrum();
  THeadlessKestrum(const THeadlessKestrum&) = delete;
  THeadlessKestrum& operator=(const THeadlessKestrum&) = delete;

  // True when the sequence ended with the success status of either protocol.
  bool Acquire();
  // Hundredths of a second, as the window computed them.
  double OffsetHundredths() const;

 private:
  struct TParts;
  TParts* parts_;
};

}  // namespace kestrum::bench
