#include "responders/fault_mode.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>

namespace kestrum::fakes {
namespace {

constexpr int64_t kNanosPerSecond = 1000000000;
constexpr int64_t kUnixFrom1900 = 2208988800;  // seconds from 1900-01-01 to 1970-01-01
constexpr int64_t kSecondsPerDay = 86400;

const std::pair<TFault, const char*> kNames[] = {
    {TFault::kNone, "none"},
    {TFault::kSilence, "silence"},
    {TFault::kDelay, "delay"},
    {TFault::kShort, "short"},
    {TFault::kLong, "long"},
    {TFault::kGarbage, "garbage"},
    {TFault::kZeroTime, "zero"},
    {TFault::kDuplicate, "duplicate"},
    {TFault::kLate, "late"},
    {TFault::kOtherAddress, "other-address"},
    {TFault::kOtherPort, "other-port"},
    {TFault::kReset, "reset"},
    {TFault::kHang, "hang"},
    {TFault::kTrickle, "trickle"},
    {TFault::kFlood, "flood"},
    {TFault::kKissOfDeath, "kiss-of-death"},
    {TFault::kRedirect, "redirect"},
    {TFault::kContinue, "continue"},
};

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

std::string FaultName(TFault fault) {
  for (const auto& [value, name] : kNames) {
    if (value == fault) return name;
  }
  return "?";
}

std::optional<TFault> ParseFault(const std::string& name) {
  for (const auto& [value, text] : kNames) {
    if (name == text) return value;
  }
  return std::nullopt;
}

const std::vector<TFault>& AllFaults() {
  static const std::vector<TFault> all = [] {
    std::vector<TFault> faults;
    for (const auto& entry : kNames) faults.push_back(entry.first);
    return faults;
  }();
  return all;
}

TServerClock TServerClock::Shifted(double seconds) {
  TServerClock clock;
  clock.shift_ns_ = std::llround(seconds * kNanosPerSecond);
  return clock;
}

std::optional<TServerClock> TServerClock::Fixed(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, consumed = 0;
  double second = 0;
  char separator = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%lf%n", &year, &month, &day, &separator,
                  &hour, &minute, &second, &consumed) != 7 ||
      static_cast<std::size_t>(consumed) != text.size() || (separator != 'T' && separator != ' ') ||
      month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      !(second >= 0 && second < 60) || year < 1900) {
    return std::nullopt;
  }
  const int64_t days = DaysFromCivil(year, month, day) + kUnixFrom1900 / kSecondsPerDay;
  TServerClock clock;
  clock.fixed_ = true;
  clock.fixed_ns_1900_ = (days * kSecondsPerDay + hour * 3600 + minute * 60) * kNanosPerSecond +
                         std::llround(second * kNanosPerSecond);
  return clock;
}

TWireTime TServerClock::Now(uint32_t ahead_ms) const {
  int64_t ns = fixed_ns_1900_;
  if (!fixed_) {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count() +
         kUnixFrom1900 * kNanosPerSecond + shift_ns_ + int64_t{ahead_ms} * 1000000;
  }
  const int64_t whole =
      ns >= 0 ? ns / kNanosPerSecond : (ns - kNanosPerSecond + 1) / kNanosPerSecond;
  const int64_t part = ns - whole * kNanosPerSecond;
  TWireTime time;
  time.seconds = static_cast<uint32_t>(whole);  // the era wraps, as on the wire
  time.fraction = static_cast<uint32_t>((static_cast<uint64_t>(part) << 32) / kNanosPerSecond);
  return time;
}

}  // namespace kestrum::fakes
