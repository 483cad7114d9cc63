#pragma once
// Date and time texts after the toolkit's format settings: formatting with a picture
// ("yyyy/mm/dd", "gg ee/mm/dd", "H:mm:ss" ...) and reading texts back into TDateTime.

#include <string>
#include <string_view>

#include "base/datetime.h"

namespace kestrum::toolkit {

// Tokens (letters in either case):
//   y yy -> two-digit year, yyy yyyy -> four-digit year
//   m mm -> month (minutes right after an h or i token), mmm mmmm -> month name
//   d dd -> day, ddd dddd -> day name, ddddd -> short date, dddddd -> long date
//   h hh -> hour (12-hour when the format holds am/pm, a/p or ampm), i ii -> hour on the
//   12-hour clock whether or not a marker is shown, n nn -> minute,
//   s ss -> second, z zzz -> millisecond
//   g -> era initial ("平"), gg -> era name ("平成"), e -> year of era, ee -> two digits
//   c -> DateTimeToText, t -> short time, tt -> long time
//   am/pm a/p -> in the case written; ampm -> TimeAMString / TimePMString
//   / and : -> DateSeparator and TimeSeparator; '...' and "..." -> literal text
// Every other character, double-byte ones whole, is copied. A date before the first era
// has an empty era name and its Western year as year of era. A value outside 0001-01-01 ..
// 9999-12-31 throws EConvertError.
std::string FormatDateTime(std::string_view format, base::TDateTime value);

// Short date, then a blank and the long time unless hours, minutes and seconds are all zero.
std::string DateTimeToText(base::TDateTime value);
std::string DateToText(base::TDateTime value);
std::string TimeToText(base::TDateTime value);

// Reads a date in the order of the short date format (year, month and day by the order of the
// first y/e, m and d letters), the numbers separated by DateSeparator, blanks allowed around
// them. A year of one or two digits is taken as 2000 + n. An era in front ("平成", "平" or one
// of the letters M T S H R in either case) makes the year a year of that era. With two numbers
// the year is `default_year`, and such a text fails when it is 0.
bool TryTextToDate(std::string_view text, base::TDateTime& result, int default_year = 0);
// h:m[:s[.z]] with TimeSeparator, with an optional am/pm marker (TimeAMString, TimePMString,
// AM, PM, A, P) in front or behind; an hour alone only with a marker.
bool TryTextToTime(std::string_view text, base::TDateTime& result);
// A date with an optional time behind it, or a time alone.
bool TryTextToDateTime(std::string_view text, base::TDateTime& result, int default_year = 0);

// As above, throwing EConvertError for an unreadable text.
base::TDateTime TextToDate(std::string_view text, int default_year = 0);
base::TDateTime TextToTime(std::string_view text);
base::TDateTime TextToDateTime(std::string_view text, int default_year = 0);

}  // namespace kestrum::toolkit
