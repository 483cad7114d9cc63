// Reading date and time texts: the other half of lib/dateformat.h.
#include <cctype>

#include "base/errors.h"
#include "base/sjis_bytes.h"
#include "toolkit/dateformat.h"
#include "toolkit/formatsettings.h"
#include "toolkit/japanese_era.h"

namespace kestrum::toolkit {
namespace {

// Digits of one number of a date or time text.
constexpr int kMaxNumberDigits = 4;
// A year written with this many digits or fewer is in the 2000s.
constexpr int kShortYearDigits = 2;
constexpr int kShortYearBase = 2000;
constexpr int kHoursPerHalfDay = 12;

enum class TDateOrder { YMD, MDY, DMY };

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Order of the fields by the first year (or year of era), month and day letter of the format.
TDateOrder DateOrder(std::string_view format) {
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = Upper(format[i]);
    if (c == '\'' || c == '"') {
      const size_t close = format.find(format[i], i + 1);
      if (close == std::string_view::npos) break;
      i = close;
    } else if (base::IsLeadByte(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == 'Y' || c == 'E') {
      return TDateOrder::YMD;
    } else if (c == 'M') {
      return TDateOrder::MDY;
    } else if (c == 'D') {
      return TDateOrder::DMY;
    }
  }
  return TDateOrder::YMD;
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }

  bool Char(char c) {
    SkipBlanks();
    if (pos_ == text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  // A word in either case (ASCII letters), or a double-byte word byte for byte.
  bool Word(std::string_view word) {
    SkipBlanks();
    if (word.empty() || text_.size() - pos_ < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k) {
      if (Upper(text_[pos_ + k]) != Upper(word[k])) return false;
    }
    pos_ += word.size();
    return true;
  }

  bool Number(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      if (++digits > kMaxNumberDigits) return false;
      value = value * 10 + (text_[pos_++] - '0');
    }
    return digits > 0;
  }

  // An era letter stands alone in front of the year's digits.
  bool EraLetter(char letter) {
    SkipBlanks();
    if (pos_ == text_.size() || Upper(text_[pos_]) != letter) return false;
    if (pos_ + 1 < text_.size() && !IsDigit(text_[pos_ + 1]) && text_[pos_ + 1] != ' ') {
      return false;
    }
    ++pos_;
    return true;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

const TJapaneseEra* ScanEra(Scanner& s) {
  for (const TJapaneseEra& era : JapaneseEras()) {
    if (s.Word(era.name) || s.Word(era.initial) || s.EraLetter(era.letter)) return &era;
  }
  return nullptr;
}

struct TDateFields {
  int year = 0;
  int month = 0;
  int day = 0;
  int year_digits = 0;
};

bool ScanNumbers(Scanner& s, int values[3], int digits[3], int& count) {
  const char separator = FormatSettings().DateSeparator;
  if (!s.Number(values[0], digits[0])) return false;
  count = 1;
  while (count < 3 && s.Char(separator)) {
    if (!s.Number(values[count], digits[count])) return false;
    ++count;
  }
  return count >= 2;
}

TDateFields Arrange(const int values[3], const int digits[3], int count, TDateOrder order) {
  if (count == 2) {
    if (order == TDateOrder::DMY) return {0, values[1], values[0], 0};
    return {0, values[0], values[1], 0};
  }
  switch (order) {
    case TDateOrder::MDY:
      return {values[2], values[0], values[1], digits[2]};
    case TDateOrder::DMY:
      return {values[2], values[1], values[0], digits[2]};
    default:
      return {values[0], values[1], values[2], digits[0]};
  }
}

bool ScanDate(Scanner& s, int default_year, base::TDateTime& date) {
  const TJapaneseEra* era = ScanEra(s);
  int values[3] = {};
  int digits[3] = {};
  int count = 0;
  if (!ScanNumbers(s, values, digits, count)) return false;
  TDateFields f = Arrange(values, digits, count, DateOrder(FormatSettings().ShortDateFormat));
  if (count == 2) {
    if (era != nullptr || default_year == 0) return false;
    f.year = default_year;
  } else if (era != nullptr) {
    if (f.year < 1) return false;
    f.year += era->start.year - 1;
  } else if (f.year_digits <= kShortYearDigits) {
    f.year += kShortYearBase;
  }
  return base::TryEncodeDate(f.year, f.month, f.day, date);
}

// -1 when no marker stands here, else 0 for the morning and 1 for the afternoon.
int ScanHalfDay(Scanner& s) {
  const TFormatSettings& fs = FormatSettings();
  if (s.Word(fs.TimeAMString) || s.Word("AM")) return 0;
  if (s.Word(fs.TimePMString) || s.Word("PM")) return 1;
  if (s.Word("A")) return 0;
  if (s.Word("P")) return 1;
  return -1;
}

bool ScanTime(Scanner& s, base::TDateTime& time) {
  const char separator = FormatSettings().TimeSeparator;
  int half = ScanHalfDay(s);
  int hour = 0, minute = 0, second = 0, millisecond = 0, digits = 0;
  if (!s.Number(hour, digits)) return false;
  const bool has_minutes = s.Char(separator);
  if (has_minutes) {
    if (!s.Number(minute, digits)) return false;
    if (s.Char(separator)) {
      if (!s.Number(second, digits)) return false;
      if (s.Char('.') && !s.Number(millisecond, digits)) return false;
    }
  }
  if (half < 0) half = ScanHalfDay(s);
  if (!has_minutes && half < 0) return false;
  if (half >= 0) {
    if (hour < 1 || hour > kHoursPerHalfDay) return false;
    hour = hour % kHoursPerHalfDay + half * kHoursPerHalfDay;
  }
  return base::TryEncodeTime(hour, minute, second, millisecond, time);
}

[[noreturn]] void Fail(std::string_view text, std::string_view what) {
  throw base::EConvertError("'" + std::string(text) + "' は正しい" + std::string(what) +
                            "ではありません");
}

}  // namespace

bool TryTextToDate(std::string_view text, base::TDateTime& result, int default_year) {
  Scanner s(text);
  base::TDateTime date = 0;
  if (!ScanDate(s, default_year, date) || !s.AtEnd()) return false;
  result = date;
  return true;
}

bool TryTextToTime(std::string_view text, base::TDateTime& result) {
  Scanner s(text);
  base::TDateTime time = 0;
  if (!ScanTime(s, time) || !s.AtEnd()) return false;
  result = time;
  return true;
}

bool TryTextToDateTime(std::string_view text, base::TDateTime& result, int default_year) {
  Scanner s(text);
  base::TDateTime date = 0;
  if (!ScanDate(s, default_year, date)) return TryTextToTime(text, result);
  base::TDateTime time = 0;
  if (!s.AtEnd() && (!ScanTime(s, time) || !s.AtEnd())) return false;
  result = date >= 0 ? date + time : date - time;
  return true;
}

base::TDateTime TextToDate(std::string_view text, int default_year) {
  base::TDateTime result = 0;
  if (!TryTextToDate(text, result, default_year)) Fail(text, "日付");
  return result;
}

base::TDateTime TextToTime(std::string_view text) {
  base::TDateTime result = 0;
  if (!TryTextToTime(text, result)) Fail(text, "時刻");
  return result;
}

base::TDateTime TextToDateTime(std::string_view text, int default_year) {
  base::TDateTime result = 0;
  if (!TryTextToDateTime(text, result, default_year)) Fail(text, "日付と時刻");
  return result;
}

}  // namespace kestrum::toolkit
