#include "base/datetime.h"

#include <cmath>

#include "base/errors.h"

namespace kestrum::base {
namespace {

constexpr int64_t kMSecsPerDayInt = 86400000;
// Days from 0000-03-01 (proleptic Gregorian, the civil algorithm's origin) to 1899-12-30.
constexpr int64_t kDeltaToEpoch = 693899;

// Days since 1899-12-30 of a proleptic Gregorian date.
int64_t DaysFromCivil(int year, int month, int day) {
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (month + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - kDeltaToEpoch;
}

TDate CivilFromDays(int64_t days) {
  const int64_t z = days + kDeltaToEpoch;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

// Serial numbers of 0001-01-01 and of the day after 9999-12-31: the calendar's range.
constexpr double kMinDateTime = -693593.0;
constexpr double kMaxDateTime = 2958466.0;

// Whole days and milliseconds of the day, with a rounded-up full day carried into the date.
// A value outside the calendar (a garbage server reply, infinity, NaN) is a conversion error.
void Split(TDateTime value, int64_t& days, int64_t& millis) {
  if (!(value > kMinDateTime - 1 && value < kMaxDateTime)) {
    throw EConvertError("Invalid date-time value");
  }
  days = static_cast<int64_t>(std::trunc(value));
  millis = std::llround(std::fabs(value - std::trunc(value)) * kMSecsPerDay);
  if (millis >= kMSecsPerDayInt) {
    millis -= kMSecsPerDayInt;
    days += value >= 0 ? 1 : -1;
  }
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) return false;
  result = static_cast<TDateTime>(DaysFromCivil(year, month, day));
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  const int64_t millis = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  result = static_cast<double>(millis) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, result)) {
    throw EConvertError("Invalid argument to time encode");
  }
  return result;
}

TDate DecodeDate(TDateTime value) {
  int64_t days = 0;
  int64_t millis = 0;
  Split(value, days, millis);
  return CivilFromDays(days);
}

TTimeOfDay DecodeTime(TDateTime value) {
  int64_t days = 0;
  int64_t millis = 0;
  Split(value, days, millis);
  return {static_cast<int>(millis / 3600000), static_cast<int>(millis / 60000 % 60),
          static_cast<int>(millis / 1000 % 60), static_cast<int>(millis % 1000)};
}

int DayOfWeek(TDateTime value) {
  int64_t days = 0;
  int64_t millis = 0;
  Split(value, days, millis);
  // 1899-12-30 was a Saturday (7).
  return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

TDateTime SystemTimeToDateTime(const TSystemTime& time) {
  const TDateTime date = EncodeDate(time.wYear, time.wMonth, time.wDay);
  const TDateTime clock = EncodeTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
  return date >= 0 ? date + clock : date - clock;
}

TSystemTime DateTimeToSystemTime(TDateTime value) {
  const TDate d = DecodeDate(value);
  const TTimeOfDay t = DecodeTime(value);
  TSystemTime st;
  st.wYear = static_cast<uint16_t>(d.year);
  st.wMonth = static_cast<uint16_t>(d.month);
  st.wDayOfWeek = static_cast<uint16_t>(DayOfWeek(value) - 1);
  st.wDay = static_cast<uint16_t>(d.day);
  st.wHour = static_cast<uint16_t>(t.hour);
  st.wMinute = static_cast<uint16_t>(t.minute);
  st.wSecond = static_cast<uint16_t>(t.second);
  st.wMilliseconds = static_cast<uint16_t>(t.millisecond);
  return st;
}

}  // namespace kestrum::base
