// Date and time texts: the readers on arbitrary bytes (results inside the calendar, the
// throwing forms agree with the Try forms), the formatter with arbitrary pictures and values,
// and format -> read round trips of valid date-times under several short date formats.
//
// Input: control byte, eight bytes for a date-time, then the text (read, and used as a picture).
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/datetime.h"
#include "base/errors.h"
#include "fuzz/fuzz_check.h"
#include "lib/libadd_text.h"
#include "toolkit/dateformat.h"
#include "toolkit/formatsettings.h"

using namespace kestrum::base;
using namespace kestrum::toolkit;
using namespace kestrum::lib;

namespace {

// Day order and era writing of the round trips; the readers take the order from these.
constexpr const char* kShortDateFormats[] = {"yyyy/mm/dd", "gg e/m/d", "mm/dd/yyyy", "d/m/yyyy"};
constexpr char kDateSeparators[] = {'/', '-'};
// Serial numbers of 0001-01-01 and 1868-09-08 (the first day of the first era).
constexpr int32_t kFirstDay = -693593;
constexpr int32_t kFirstEraDay = -11435;
constexpr int32_t kCalendarDays = 3652059;

uint32_t Read32(const uint8_t* p) {
  uint32_t v = 0;
  std::memcpy(&v, p, sizeof v);
  return v;
}

bool InCalendar(TDateTime value) {
  try {
    const TDate d = DecodeDate(value);
    const TTimeOfDay t = DecodeTime(value);
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= DaysInMonth(d.year, d.month) && t.hour < 24 && t.minute < 60 && t.second < 60 &&
           t.millisecond < 1000;
  } catch (const EConvertError&) {
    return false;
  }
}

// Try form and throwing form of one reader agree; a result lies inside the calendar.
template <typename Try, typename Throw>
void CheckReader(const char* name, std::string_view text, Try try_read, Throw read) {
  TDateTime tried = 0;
  const bool ok = try_read(text, tried);
  FUZZ_CHECK(!ok || InCalendar(tried), "%s gave %.17g outside the calendar", name, tried);
  try {
    const TDateTime thrown = read(text);
    FUZZ_CHECK(ok && thrown == tried, "%s: the throwing form read what the Try form did not", name);
  } catch (const EConvertError&) {
    FUZZ_CHECK(!ok, "%s: the throwing form failed where the Try form read", name);
  }
}

void CheckReaders(std::string_view text, int default_year) {
  CheckReader(
      "date", text,
      [&](std::string_view t, TDateTime& r) { return TryTextToDate(t, r, default_year); },
      [&](std::string_view t) { return TextToDate(t, default_year); });
  CheckReader(
      "time", text, [](std::string_view t, TDateTime& r) { return TryTextToTime(t, r); },
      [](std::string_view t) { return TextToTime(t); });
  CheckReader(
      "date-time", text,
      [&](std::string_view t, TDateTime& r) { return TryTextToDateTime(t, r, default_year); },
      [&](std::string_view t) { return TextToDateTime(t, default_year); });

  // A date alone and a time alone are date-times too.
  TDateTime alone = 0, both = 0;
  if (TryTextToDate(text, alone, default_year) || TryTextToTime(text, alone)) {
    FUZZ_CHECK(TryTextToDateTime(text, both, default_year) && both == alone,
               "a date or time text is not read as a date-time");
  }
}

void CheckSameMoment(TDateTime written, TDateTime read, bool milliseconds,
                     const std::string& text) {
  const TDate d1 = DecodeDate(written), d2 = DecodeDate(read);
  TTimeOfDay t1 = DecodeTime(written), t2 = DecodeTime(read);
  if (!milliseconds) t1.millisecond = t2.millisecond = 0;
  FUZZ_CHECK(d1 == d2 && t1 == t2,
             "\"%s\" (%.17g) read back as %.17g: %04d-%02d-%02d %02d:%02d:%02d.%03d vs "
             "%04d-%02d-%02d %02d:%02d:%02d.%03d",
             text.c_str(), written, read, d1.year, d1.month, d1.day, t1.hour, t1.minute, t1.second,
             t1.millisecond, d2.year, d2.month, d2.day, t2.hour, t2.minute, t2.second,
             t2.millisecond);
}

void CheckRoundTrips(TDateTime value) {
  const std::string date_text = DateToText(value);
  TDateTime read = 0;
  FUZZ_CHECK(TryTextToDate(date_text, read), "DateToText gave unreadable \"%s\"",
             date_text.c_str());
  CheckSameMoment(std::trunc(value), read, false, date_text);

  const std::string text = DateTimeToText(value);
  FUZZ_CHECK(TryTextToDateTime(text, read), "DateTimeToText gave unreadable \"%s\"", text.c_str());
  CheckSameMoment(value, read, false, text);

  const std::string precise =
      FormatDateTime(FormatSettings().ShortDateFormat + " hh:nn:ss.zzz", value);
  FUZZ_CHECK(TryTextToDateTime(precise, read), "unreadable \"%s\"", precise.c_str());
  CheckSameMoment(value, read, true, precise);
}

void CheckFormatting(std::string_view picture, TDateTime value) {
  try {
    FormatDateTime(picture, value);
  } catch (const EConvertError&) {
    FUZZ_CHECK(!InCalendar(value), "a calendar value %.17g was refused", value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const uint8_t control = data[0];
  FormatSettings() = TFormatSettings{};
  const size_t format = control % 4;
  FormatSettings().ShortDateFormat = kShortDateFormats[format];
  FormatSettings().DateSeparator = kDateSeparators[(control >> 2) % 2];
  const int default_year = (control & 0x80) != 0 ? 2000 + control % 64 : 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 9), size - 9);

  CheckReaders(text, default_year);

  // A valid moment to the millisecond: day, then the time of day written as the fraction's
  // absolute value (negative days count backwards, their time forwards).
  // Years before the first era are written as plain years of era, which read back as 20xx.
  const int64_t first = format == 1 ? kFirstEraDay : kFirstDay;
  const int64_t day = first + Read32(data + 1) % (kFirstDay + kCalendarDays - first);
  const double millis = Read32(data + 5) % 86400000u;
  const TDateTime value = day >= 0 ? day + millis / kMSecsPerDay : day - millis / kMSecsPerDay;
  CheckRoundTrips(value);
  CheckFormatting(text, value);

  double raw = 0;
  std::memcpy(&raw, data + 1, sizeof raw);
  CheckFormatting(text, raw);

  // Month arithmetic of the date helpers (which write "yyyy/mm/dd" with '/'), with months
  // far outside 1-12 carried into the year.
  FormatSettings().DateSeparator = '/';
  const int year = 1 + data[7] * 39 % 9999;
  const int month = static_cast<int8_t>(data[5]);
  const int day_of_month = static_cast<int8_t>(data[6]);
  const int carried_year = year + (month >= 1 ? (month - 1) / 12 : -((12 - month) / 12));
  try {
    const std::string made = MakeDateText(year, month, day_of_month);
    TDateTime made_value = 0;
    FUZZ_CHECK(TryTextToDate(made, made_value), "MakeDateText gave unreadable \"%s\"",
               made.c_str());
  } catch (const EConvertError&) {
    FUZZ_CHECK(carried_year < 1 || carried_year > 9999,
               "MakeDateText(%d, %d, %d) failed inside the calendar", year, month, day_of_month);
  }
  try {
    MakeDateText(static_cast<int>(Read32(data + 1)), static_cast<int>(Read32(data + 5)),
                 static_cast<int8_t>(control));
  } catch (const EConvertError&) {
  }
  try {
    MonthEndDate(text);
  } catch (const EConvertError&) {
  }
  return 0;
}
