// Date entry of the edit control: typed dates in Western or era notation, short forms and
// relative entry, built into an existing date.
#include <array>
#include <cmath>

#include "base/errors.h"
#include "lib/libadd_number.h"
#include "lib/libadd_text.h"
#include "lib/libedit.h"
#include "platform/clock.h"
#include "toolkit/dateformat.h"

namespace kestrum::lib {
namespace {

// Year before the first year of each era, found by any of its marks in the text. The
// question marks stand for an era the system may not know yet.
struct TEraMarks {
  std::array<std::string_view, 7> marks;
  int offset;
};
const std::array<TEraMarks, 5> kEraMarks = {{
    {{"？", "?", "Ｒ", "ｒ", "令", "R", "r"}, 2018},
    {{"Ｈ", "ｈ", "平", "H", "h"}, 1988},
    {{"Ｓ", "ｓ", "昭", "S", "s"}, 1925},
    {{"Ｔ", "ｔ", "大", "T", "t"}, 1911},
    {{"Ｍ", "ｍ", "明", "M", "m"}, 1867},
}};

// A short year with no era: the century, and the era a short year of an era pattern is in.
constexpr int kTwoThousand = 2000, kNineteenHundred = 1900, kCenturyPivot = 88;
constexpr int kHeiseiOffset = 1988, kReiwaOffset = 2018;
constexpr int kMaxShortYear = 99;
constexpr int kMonthsPerYear = 12;
constexpr int kMaxDay = 31;
// Every month has this many days; the correction of a day never goes lower.
constexpr int kLowestMonthEnd = 26;
constexpr int kMarkerYear = 1867, kMarkerMonth = 12, kMarkerDay = 31;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of text[from, from + count) as a number; missing bytes read as nothing.
int DigitsAt(std::string_view text, size_t from, size_t count) {
  int value = 0;
  for (size_t i = from; i < from + count && i < text.size(); ++i) {
    if (IsDigit(text[i])) value = value * 10 + (text[i] - '0');
  }
  return value;
}

bool Contains(std::string_view text, std::string_view chars) {
  return text.find_first_of(chars) != std::string_view::npos;
}

std::string TodayText(platform::TClockPort& clock) {
  const base::TDateTime now = base::SystemTimeToDateTime(clock.GetLocalTime());
  return toolkit::DateToText(std::floor(now));
}

struct TDateEntry {
  int era = 0;  // E: added to a year of era
  int year = 0, month = 0, day = 0;
  int runs = 0;
  std::string digits;
};

int EraOffsetOf(std::string_view text) {
  for (const TEraMarks& group : kEraMarks) {
    for (std::string_view mark : group.marks) {
      if (DbcsPos(mark, text) != 0) return group.offset;
    }
  }
  return 0;
}

// Year, month and day from the first three digit runs, and all digits in one string.
void ReadDigitRuns(std::string_view text, TDateEntry& e) {
  const std::string blanked = BlankDbcs(text);
  bool in_run = false;
  int run_length = 0;
  for (char c : blanked) {
    if (!IsDigit(c)) {
      in_run = false;
      continue;
    }
    if (!in_run) {
      in_run = true;
      run_length = 0;
      ++e.runs;
    }
    ++run_length;
    e.digits += c;
    const int digit = c - '0';
    if (e.runs == 1 && run_length <= 4) e.year = e.year * 10 + digit;
    if (e.runs == 2 && run_length <= 2) e.month = e.month * 10 + digit;
    if (e.runs == 3 && run_length <= 2) e.day = e.day * 10 + digit;
  }
  if (e.digits.size() == 1) e.digits = "0" + e.digits;
}

void ReadShortForm(std::string_view digits, TDateEntry& e) {
  const std::string s = std::string(digits) + "000000";
  e.year = DigitsAt(s, 0, 2);
  e.month = DigitsAt(s, 2, 2);
  e.day = DigitsAt(s, 4, 2);
}

int DateCompare(int year, int month, int day, const std::string& today) {
  try {
    const std::string date = MakeDateText(year, month, day);
    return date < today ? -1 : date > today ? 1 : 0;
  } catch (const base::EConvertError&) {
    return 0;
  }
}

// The year of era, or a short year, as a Western year (the era then 0).
void ToWesternYear(bool has_era, bool old_system, TDateEntry& e) {
  if (e.year > kMaxShortYear) {
    e.era = 0;
  } else if (e.era == 0 && e.year > 0) {
    if (!has_era) {
      e.era = e.year < kCenturyPivot ? kTwoThousand : kNineteenHundred;
    } else {
      e.era = old_system ? kHeiseiOffset : kReiwaOffset;
    }
  }
  e.year += e.era;
  e.era = 0;
}

// Relative entry: "-" and "/" step back and forward by a month (a year when doubled or when
// the pattern has no day) when the date is not already on that side of today.
void StepRelative(std::string_view text, bool has_day, bool has_month, const std::string& today,
                  TDateEntry& e) {
  int direction = 0;
  const int sign = text.starts_with('-') ? -1 : text.starts_with('/') ? 1 : 0;
  if (has_day && (e.runs == 1 || e.runs == 2)) {
    direction = sign * e.runs;
  } else if (!has_day && has_month && e.runs == 1) {
    direction = sign * 2;
  }
  const int position = DateCompare(e.year, e.month, e.day, today);
  if (direction < 0 && (text.starts_with("--") || position > 0)) {
    if (direction == -2) {
      --e.year;
    } else if (--e.month < 1) {
      --e.year;
      e.month += kMonthsPerYear;
    }
  } else if (direction > 0 && (text.starts_with("//") || position < 0)) {
    if (direction == 2) {
      ++e.year;
    } else if (++e.month > kMonthsPerYear) {
      ++e.year;
      e.month -= kMonthsPerYear;
    }
  }
}

}  // namespace

std::string TLibEdit::ParseDate(std::string_view text) {
  const std::string today = TodayText(clock_);
  const std::string_view pattern = using_text_;
  const bool has_era = Contains(pattern, "gGeE");
  const bool has_month = Contains(pattern, "mM");
  const bool has_day = Contains(pattern, "dD");
  TDateEntry e;
  e.era = EraOffsetOf(text);
  ReadDigitRuns(text, e);
  auto in_range = [this](int y) { return y >= min_year_ && y <= max_year_; };
  const int short_default = has_era ? kReiwaOffset : kTwoThousand;

  if (e.runs == 1) {
    if (e.era > 0) {
      ReadShortForm(e.digits, e);
    } else {
      const std::string s = e.digits + "00000000";
      e.year = DigitsAt(s, 0, 4);
      e.month = DigitsAt(s, 4, 2);
      e.day = DigitsAt(s, 6, 2);
      if (e.digits.size() < 4 || !in_range(e.year)) ReadShortForm(e.digits, e);
    }
  }
  if (e.era == 0 && !in_range(e.year)) {
    if (has_month && e.month == 0) {
      e.month = e.year;
      e.year = 0;
    }
    if (has_day) {
      if (e.day == 0) {
        e.day = e.month;
        e.month = e.year;
        e.year = 0;
      }
      if (e.runs == 3 && e.year == 0 && e.month != 0) e.year = short_default;
    } else if (has_month && e.runs == 2 && e.year == 0 && e.month != 0) {
      e.year = short_default;
    }
  }
  if (!text.empty()) {
    if (e.day == 0 && has_day) e.day = DigitsAt(today, 8, 2);
    if (e.month == 0 && has_month) e.month = DigitsAt(today, 5, 2);
    if (e.year == 0) {
      e.year = DigitsAt(today, 0, 4);
      if (e.month == 0 && !text.starts_with('/') && !text.starts_with('-')) e.year = short_default;
    }
  }
  // The comparison of relative entry needs the Western year, not the year of era.
  const bool old_system =
      DbcsPos("平", system_era_name_) != 0 || DbcsPos("？", system_era_name_) != 0;
  ToWesternYear(has_era, old_system, e);
  if (!text.empty()) StepRelative(text, has_day, has_month, today, e);
  return toolkit::DateToText(BuildDate(e.year, e.month, e.day));
}

base::TDateTime TLibEdit::BuildDate(int year, int month, int day) {
  const bool any_given = year != 0 || month != 0 || day != 0;
  bool error = false;
  date_value_ = kNoValidDate;
  if (year < min_year_ || year > max_year_) {
    error = true;
    year = kMarkerYear;
    month = kMarkerMonth;
    day = kMarkerDay;
  } else {
    if (month > kMonthsPerYear || day > kMaxDay) error = true;
    month = month < 1 ? 1 : month > kMonthsPerYear ? kMonthsPerYear : month;
    day = day < 1 ? 1 : day > kMaxDay ? kMaxDay : day;
    base::TDateTime value = 0;
    while (!base::TryEncodeDate(year, month, day, value) && day >= kLowestMonthEnd) {
      error = true;
      --day;
    }
    date_value_ = value;
  }
  if (error && any_given) Beep();
  date_parts_ = base::TDate{year, month, day};
  return date_value_;
}

}  // namespace kestrum::lib
