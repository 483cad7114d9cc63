#include "toolkit/dateformat.h"

#include <cctype>
#include <cstdio>

#include "base/sjis_bytes.h"
#include "toolkit/formatsettings.h"
#include "toolkit/japanese_era.h"

namespace kestrum::toolkit {
namespace {

// Nested formats (c, ddddd, t ...) expand this deep at most, so that a settings format
// that names itself cannot recurse forever.
constexpr int kMaxNesting = 2;
constexpr int kHoursPerHalfDay = 12;

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    if (Upper(text[at + k]) != Upper(word[k])) return false;
  }
  return true;
}

// Length of the character at `at`: a lead byte takes its follower along when there is one.
size_t CharLength(std::string_view text, size_t at) {
  return base::IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Whether the format asks for a 12-hour clock (quoted text and double-byte characters aside).
bool HasAmPm(std::string_view format) {
  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c == '\'' || c == '"') {
      const size_t close = format.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close + 1;
      continue;
    }
    if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
        StartsWithNoCase(format, i, "ampm")) {
      return true;
    }
    i += CharLength(format, i);
  }
  return false;
}

std::string Number(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

// Midnight is a time of day without hours, minutes and seconds; milliseconds, which the long
// time format does not show, do not count.
bool HasTime(const base::TTimeOfDay& t) { return t.hour != 0 || t.minute != 0 || t.second != 0; }

class Formatter {
 public:
  explicit Formatter(base::TDateTime value)
      : value_(value), date_(base::DecodeDate(value)), time_(base::DecodeTime(value)) {}

  void Append(std::string_view format, int depth) {
    if (depth > kMaxNesting) return;
    const bool twelve_hour = HasAmPm(format);
    bool after_hour = false;
    for (size_t i = 0; i < format.size();) {
      const char c = Upper(format[i]);
      size_t count = 1;
      while (i + count < format.size() && Upper(format[i + count]) == c) ++count;
      if (c >= 'A' && c <= 'Z') {
        const size_t used = Token(format, i, count, twelve_hour, after_hour, depth);
        after_hour = c == 'H' || c == 'I';
        i += used;
      } else {
        i += Other(format, i);
      }
    }
  }

  std::string Result() && { return std::move(out_); }

 private:
  // Writes one letter token; returns the bytes of the format it used.
  size_t Token(std::string_view format, size_t i, size_t count, bool twelve_hour, bool after_hour,
               int depth) {
    const TFormatSettings& fs = FormatSettings();
    const int n = static_cast<int>(count);
    switch (Upper(format[i])) {
      case 'Y':
        out_ += n <= 2 ? Number(date_.year % 100, 2) : Number(date_.year, 4);
        return count;
      case 'M':
        if (after_hour && n <= 2) {
          out_ += Number(time_.minute, n);
        } else if (n <= 2) {
          out_ += Number(date_.month, n);
        } else {
          out_ += (n == 3 ? fs.ShortMonthNames : fs.LongMonthNames)[date_.month - 1];
        }
        return count;
      case 'D':
        Day(n, depth);
        return count;
      case 'H':
      case 'I': {
        int hour = time_.hour;
        if (twelve_hour || Upper(format[i]) == 'I')
          hour = hour % kHoursPerHalfDay == 0 ? kHoursPerHalfDay : hour % kHoursPerHalfDay;
        out_ += Number(hour, n >= 2 ? 2 : 1);
        return count;
      }
      case 'N':
        out_ += Number(time_.minute, n >= 2 ? 2 : 1);
        return count;
      case 'S':
        out_ += Number(time_.second, n >= 2 ? 2 : 1);
        return count;
      case 'Z':
        out_ += Number(time_.millisecond, n >= 2 ? 3 : 1);
        return count;
      case 'G':
        Era(n);
        return count;
      case 'E':
        EraYear(n);
        return count;
      case 'T':
        Append(n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, depth + 1);
        return count;
      case 'C':
        Append(fs.ShortDateFormat, depth + 1);
        if (HasTime(time_)) {
          out_ += ' ';
          Append(fs.LongTimeFormat, depth + 1);
        }
        return count;
      case 'A':
        return AmPm(format, i);
      default:
        out_.append(format.substr(i, count));
        return count;
    }
  }

  void Day(int n, int depth) {
    const TFormatSettings& fs = FormatSettings();
    if (n <= 2) {
      out_ += Number(date_.day, n);
    } else if (n <= 4) {
      out_ += (n == 3 ? fs.ShortDayNames : fs.LongDayNames)[base::DayOfWeek(value_) - 1];
    } else {
      Append(n == 5 ? fs.ShortDateFormat : fs.LongDateFormat, depth + 1);
    }
  }

  void Era(int n) {
    const TJapaneseEra* era = EraOfDate(date_);
    if (era != nullptr) out_ += n == 1 ? era->initial : era->name;
  }

  void EraYear(int n) {
    const TJapaneseEra* era = EraOfDate(date_);
    const int year = era != nullptr ? YearOfEra(*era, date_.year) : date_.year;
    out_ += Number(year, n >= 2 ? 2 : 1);
  }

  size_t AmPm(std::string_view format, size_t i) {
    const bool pm = time_.hour >= kHoursPerHalfDay;
    if (StartsWithNoCase(format, i, "am/pm")) {
      out_.append(format.substr(pm ? i + 3 : i, 2));
      return 5;
    }
    if (StartsWithNoCase(format, i, "a/p")) {
      out_ += format[pm ? i + 2 : i];
      return 3;
    }
    if (StartsWithNoCase(format, i, "ampm")) {
      out_ += pm ? FormatSettings().TimePMString : FormatSettings().TimeAMString;
      return 4;
    }
    out_ += format[i];
    return 1;
  }

  // Separators, quoted literals and any other character; returns the bytes used.
  size_t Other(std::string_view format, size_t i) {
    const char c = format[i];
    if (c == '/') {
      out_ += FormatSettings().DateSeparator;
      return 1;
    }
    if (c == ':') {
      out_ += FormatSettings().TimeSeparator;
      return 1;
    }
    if (c == '\'' || c == '"') {
      size_t close = format.find(c, i + 1);
      if (close == std::string_view::npos) close = format.size();
      out_.append(format.substr(i + 1, close - i - 1));
      return close < format.size() ? close - i + 1 : close - i;
    }
    const size_t length = CharLength(format, i);
    out_.append(format.substr(i, length));
    return length;
  }

  base::TDateTime value_;
  base::TDate date_;
  base::TTimeOfDay time_;
  std::string out_;
};

}  // namespace

std::string FormatDateTime(std::string_view format, base::TDateTime value) {
  Formatter formatter(value);
  formatter.Append(format, 0);
  return std::move(formatter).Result();
}

std::string DateTimeToText(base::TDateTime value) { return FormatDateTime("c", value); }

std::string DateToText(base::TDateTime value) {
  return FormatDateTime(FormatSettings().ShortDateFormat, value);
}

std::string TimeToText(base::TDateTime value) {
  return FormatDateTime(FormatSettings().LongTimeFormat, value);
}

}  // namespace kestrum::toolkit
