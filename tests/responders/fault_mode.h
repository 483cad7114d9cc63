#pragma once
// Fault modes of the loopback responders and the clock they report.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::fakes {

enum class TFault {
  kNone,          // a correct reply at once
  kSilence,       // UDP: no reply; TCP: close without a byte
  kDelay,         // a correct reply after TFaultTiming::delay_ms
  kShort,         // UDP: 47 bytes; Time: 3 bytes; HTTP: a cut status line
  kLong,          // UDP: 68 bytes; Time: 5 bytes; HTTP: a 64 KiB body
  kGarbage,       // bytes that are no reply of the protocol
  kZeroTime,      // UDP: every timestamp zero; Time: a count of 0; HTTP: as kNone
  kDuplicate,     // the reply sent twice
  kLate,          // a correct reply after TFaultTiming::late_ms (past the client's wait)
  kOtherAddress,  // UDP: from the same port of the other loopback address; TCP: as kNone
  kOtherPort,     // UDP: from another port; TCP: as kNone
  kReset,         // UDP: an empty datagram (read as a reset); TCP: reset without a byte
  kHang,          // UDP: as kSilence; TCP: accept, then neither send nor close
  kTrickle,       // the reply in pieces, one every TFaultTiming::trickle_ms
  kFlood,         // UDP: datagrams from another port without pause, no reply; TCP: bytes without end
  kKissOfDeath,   // UDP: leap indicator 3, stratum 0, "RATE"; TCP: as kNone
  kRedirect,      // HTTP: "302 Found" to the same address for ever; others: as kNone
  kContinue,      // HTTP: "100 Continue" without end; others: as kNone
};

struct TFaultTiming {
  uint32_t delay_ms = 300;
  uint32_t late_ms = 5500;
  uint32_t trickle_ms = 400;
  uint32_t flood_ms = 8000;  // how long a UDP flood lasts
};

// Command-line name of a fault ("none", "silence", "other-address", ...).
std::string FaultName(TFault fault);
std::optional<TFault> ParseFault(const std::string& name);
const std::vector<TFault>& AllFaults();

// Seconds since 1900-01-01 00:00 UTC split as on the wire: whole seconds (mod 2^32) and a
// 32-bit binary fraction.
struct TWireTime {
  uint32_t seconds = 0;
  uint32_t fraction = 0;
};

// The responders' clock: the real UTC clock moved by a shift, or a fixed time.
class TServerClock {
 public:
  static TServerClock Shifted(double seconds);
  // `text` is "YYYY-MM-DD[T| ]hh:mm:ss[.fff]" in UTC; nullopt when it is not one.
  static std::optional<TServerClock> Fixed(const std::string& text);

  // The time `ahead_ms` milliseconds from now.
  TWireTime Now(uint32_t ahead_ms = 0) const;
  double shift_seconds() const { return shift_ns_ / 1e9; }
  bool fixed() const { return fixed_; }

 private:
  bool fixed_ = false;
  int64_t shift_ns_ = 0;       // added to the real clock
  int64_t fixed_ns_1900_ = 0;  // nanoseconds since 1900 of a fixed clock
};

}  // namespace kestrum::fakes
