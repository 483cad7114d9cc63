#include "base/datetime.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/errors.h"

namespace kestrum::base {
namespace {

struct DateCase {
  int year, month, day;
  double serial;
  int day_of_week;  // 1 = Sunday
};

TEST(DateTime, EpochsAndCalendarBoundaries) {
  const DateCase cases[] = {
      {1899, 12, 30, 0, 7},       {1900, 1, 1, 2, 2},     {1970, 1, 1, 25569, 5},
      {2000, 2, 29, 36585, 3},    {2036, 2, 7, 49712, 5}, {1, 1, 1, -693593, 2},
      {9999, 12, 31, 2958465, 6}, {1899, 12, 29, -1, 6},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDate(c.year, c.month, c.day), c.serial) << c.year;
    EXPECT_EQ(DecodeDate(c.serial), (TDate{c.year, c.month, c.day})) << c.serial;
    EXPECT_EQ(DayOfWeek(c.serial), c.day_of_week) << c.serial;
  }
}

TEST(DateTime, InvalidFieldsAreRejected) {
  TDateTime out = 0;
  EXPECT_FALSE(TryEncodeDate(2001, 2, 29, out));
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, out));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, out));
  EXPECT_FALSE(TryEncodeDate(2000, 13, 1, out));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, out));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, out));
  EXPECT_THROW(EncodeDate(2000, 4, 31), EConvertError);
}

TEST(DateTime, TimeOfDayRoundsToMillisecondsAndCarriesAFullDay) {
  EXPECT_EQ(DecodeTime(0.75), (TTimeOfDay{18, 0, 0, 0}));
  EXPECT_EQ(DecodeTime(EncodeTime(23, 59, 59, 999)), (TTimeOfDay{23, 59, 59, 999}));
  const TDateTime almost_midnight = EncodeDate(2001, 12, 31) + 0.9999999999;
  EXPECT_EQ(DecodeDate(almost_midnight), (TDate{2002, 1, 1}));
  EXPECT_EQ(DecodeTime(almost_midnight), (TTimeOfDay{0, 0, 0, 0}));
  // Negative values: the whole part is the day, the absolute fraction the time.
  EXPECT_EQ(DecodeTime(-1.25), (TTimeOfDay{6, 0, 0, 0}));
}

TEST(DateTime, ValuesOutsideTheCalendarAreConversionErrors) {
  // A Time-protocol reply longer than four bytes can come out as a huge or infinite value.
  const double bad_values[] = {1e300, -1e300, 2958466.0, -693595.0, HUGE_VAL, std::nan("")};
  for (const double bad : bad_values) {
    EXPECT_THROW(DecodeDate(bad), EConvertError) << bad;
    EXPECT_THROW(DecodeTime(bad), EConvertError) << bad;
  }
  EXPECT_EQ(DecodeDate(2958465.999), (TDate{9999, 12, 31}));
}

TEST(DateTime, SystemTimeRoundTrip) {
  const TSystemTime st{2026, 12, 2, 8, 23, 59, 58, 250};
  const TDateTime value = SystemTimeToDateTime(st);
  EXPECT_EQ(DateTimeToSystemTime(value), st);
}

}  // namespace
}  // namespace kestrum::base
