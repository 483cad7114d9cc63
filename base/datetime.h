#pragma once
// TDateTime: days since 1899-12-30 00:00 as a double, the fraction being the time of day
// (1900-01-01 00:00 is 2.0). For a negative value the whole part is the day and the absolute
// fraction the time: -1.25 is 1899-12-29 06:00.

#include <cstdint>

#include "base/systemtime.h"

namespace kestrum::base {

using TDateTime = double;

constexpr double kSecsPerDay = 86400.0;
constexpr double kMSecsPerDay = 86400000.0;

struct TDate {
  int year = 0;
  int month = 0;
  int day = 0;
  friend bool operator==(const TDate&, const TDate&) = default;
};

struct TTimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  friend bool operator==(const TTimeOfDay&, const TTimeOfDay&) = default;
};

bool IsLeapYear(int year);
// 28-31; 0 for a month outside 1-12.
int DaysInMonth(int year, int month);

// False for a date outside 0001-01-01 .. 9999-12-31 or a day the month does not have.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// Throw EConvertError for invalid fields.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

// Calendar date and time of day, to the nearest millisecond.
TDate DecodeDate(TDateTime value);
TTimeOfDay DecodeTime(TDateTime value);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

TDateTime SystemTimeToDateTime(const TSystemTime& time);
TSystemTime DateTimeToSystemTime(TDateTime value);

}  // namespace kestrum::base
