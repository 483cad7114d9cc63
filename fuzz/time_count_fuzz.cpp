// RFC 868 replies of any length: the count the reply bytes accumulate to, its conversion to a
// date-time and the calendar decoding of the result. Replies of up to four bytes must give the
// exact second that the big-endian count names (checked against <chrono>'s calendar); longer
// ones may only be refused by the decoders with EConvertError. The reply judge takes exactly the
// four-byte, non-zero replies that ended in a close (the last input byte's low bit says whether
// the stream ended in a reset instead), and the count it gives is read in era 0 when that
// reading is 2000 or later, else one era on exactly when the later of a clock taken from the
// input and the build date is 2035-02-07 or later.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "base/datetime.h"
#include "base/era.h"
#include "base/errors.h"
#include "fuzz/fuzz_check.h"
#include "tcpip/time_query.h"

using namespace kestrum;
using namespace std::chrono;

namespace {

void CheckExactSecond(base::TDateTime value, uint64_t seconds) {
  const sys_seconds moment = sys_days{year{1900} / January / 1} + std::chrono::seconds{seconds};
  const year_month_day date{floor<days>(moment)};
  const hh_mm_ss<std::chrono::seconds> time{moment - floor<days>(moment)};
  const base::TDate d = base::DecodeDate(value);
  const base::TTimeOfDay t = base::DecodeTime(value);
  FUZZ_CHECK(d.year == static_cast<int>(date.year()) &&
                 d.month == static_cast<int>(static_cast<unsigned>(date.month())) &&
                 d.day == static_cast<int>(static_cast<unsigned>(date.day())) &&
                 t.hour == time.hours().count() && t.minute == time.minutes().count() &&
                 t.second == time.seconds().count() && t.millisecond == 0,
             "count %llu decoded as %04d-%02d-%02d %02d:%02d:%02d.%03d",
             static_cast<unsigned long long>(seconds), d.year, d.month, d.day, t.hour, t.minute,
             t.second, t.millisecond);
  FUZZ_CHECK(
      base::DayOfWeek(value) == static_cast<int>(weekday{floor<days>(moment)}.c_encoding()) + 1,
      "count %llu: day of week %d", static_cast<unsigned long long>(seconds),
      base::DayOfWeek(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  double count = 0.0;
  uint64_t exact = 0;
  for (size_t i = 0; i < size; ++i) {
    count = tcpip::AccumulateTimeByte(count, data[i]);
    if (i < 4) exact = exact << 8 | data[i];
  }
  const base::TDateTime value = tcpip::TimeCountToDateTime(count);
  if (size <= 4) {
    FUZZ_CHECK(count == static_cast<double>(exact), "%zu bytes gave count %.17g, expected %llu",
               size, count, static_cast<unsigned long long>(exact));
    CheckExactSecond(value, exact);
  }
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const bool reset = size > 0 && (data[size - 1] & 1) != 0;
  uint32_t judged = 0;
  const tcpip::TTimeReply verdict = tcpip::JudgeTimeReply(bytes, reset, judged);
  const bool complete = size == 4 && !reset && exact != 0;
  FUZZ_CHECK((verdict == tcpip::TTimeReply::kComplete) == complete,
             "%zu bytes (reset %d) judged %d", size, reset, static_cast<int>(verdict));
  if (complete) {
    FUZZ_CHECK(judged == exact, "count %u, expected %llu", judged,
               static_cast<unsigned long long>(exact));
    const double era_days = 4294967296.0 / 86400.0;
    // A clock from 1900 to two eras on, around the wrap in steps of a day.
    const base::TDateTime now = data[0] < 128 ? 2.0 + (data[0] % 5) * era_days / 2
                                              : base::EncodeDate(2035, 2, 7) + (data[0] - 192);
    const base::TDateTime read = tcpip::TimeCountInEra(judged, now);
    const base::TDateTime era0 = tcpip::TimeCountToDateTime(judged);
    const bool next = era0 < base::EncodeDate(2000, 1, 1) &&
                      std::max(now, base::BuildDate()) >= base::EncodeDate(2035, 2, 7);
    FUZZ_CHECK(read == era0 + (next ? era_days : 0.0), "count %u on the clock %.6f read as %.6f",
               judged, now, read);
  }
  try {
    const base::TSystemTime st = base::DateTimeToSystemTime(value);
    FUZZ_CHECK(st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 && st.wDay <= 31 &&
                   st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000 &&
                   st.wDayOfWeek < 7,
               "%zu bytes: calendar fields out of range", size);
  } catch (const base::EConvertError&) {
    FUZZ_CHECK(size > 4, "a count of %zu bytes was refused", size);
  }
  return 0;
}
