#include <windows.h>

#include "platform/clock.h"

namespace kestrum::platform {
namespace {

base::TSystemTime FromNative(const SYSTEMTIME& st) {
  return {st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
          st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
}

SYSTEMTIME ToNative(const base::TSystemTime& t) {
  return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

class TWin32Clock final : public TClockPort {
 public:
  base::TSystemTime GetLocalTime() override {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return FromNative(st);
  }
  bool SetLocalTime(const base::TSystemTime& time) override {
    const SYSTEMTIME st = ToNative(time);
    return ::SetLocalTime(&st) != FALSE;
  }
  base::TSystemTime GetSystemTime() override {
    SYSTEMTIME st;
    ::GetSystemTime(&st);
    return FromNative(st);
  }
  bool SetSystemTime(const base::TSystemTime& time) override {
    const SYSTEMTIME st = ToNative(time);
    return ::SetSystemTime(&st) != FALSE;
  }
};

}  // namespace

TClockPort& SystemClock() {
  static TWin32Clock clock;
  return clock;
}

}  // namespace kestrum::platform
