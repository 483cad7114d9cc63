#include <time.h>

#include "platform/clock.h"

namespace kestrum::platform {
namespace {

constexpr long kNanosPerMilli = 1000000;

base::TSystemTime FromTm(const struct tm& tm, long nanoseconds) {
  base::TSystemTime t;
  t.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
  t.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
  t.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
  t.wDay = static_cast<uint16_t>(tm.tm_mday);
  t.wHour = static_cast<uint16_t>(tm.tm_hour);
  t.wMinute = static_cast<uint16_t>(tm.tm_min);
  t.wSecond = static_cast<uint16_t>(tm.tm_sec);
  t.wMilliseconds = static_cast<uint16_t>(nanoseconds / kNanosPerMilli);
  return t;
}

struct tm ToTm(const base::TSystemTime& t) {
  struct tm tm {};
  tm.tm_year = t.wYear - 1900;
  tm.tm_mon = t.wMonth - 1;
  tm.tm_mday = t.wDay;
  tm.tm_hour = t.wHour;
  tm.tm_min = t.wMinute;
  tm.tm_sec = t.wSecond;
  tm.tm_isdst = -1;
  return tm;
}

bool SetRealtime(time_t seconds, uint16_t milliseconds) {
  if (seconds == static_cast<time_t>(-1)) return false;
  const timespec ts{seconds, static_cast<long>(milliseconds) * kNanosPerMilli};
  return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

class TPosixClock final : public TClockPort {
 public:
  base::TSystemTime GetLocalTime() override {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    localtime_r(&ts.tv_sec, &tm);
    return FromTm(tm, ts.tv_nsec);
  }
  bool SetLocalTime(const base::TSystemTime& time) override {
    struct tm tm = ToTm(time);
    return SetRealtime(mktime(&tm), time.wMilliseconds);
  }
  base::TSystemTime GetSystemTime() override {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    gmtime_r(&ts.tv_sec, &tm);
    return FromTm(tm, ts.tv_nsec);
  }
  bool SetSystemTime(const base::TSystemTime& time) override {
    struct tm tm = ToTm(time);
    return SetRealtime(timegm(&tm), time.wMilliseconds);
  }
};

}  // namespace

TClockPort& SystemClock() {
  static TPosixClock clock;
  return clock;
}

}  // namespace kestrum::platform
