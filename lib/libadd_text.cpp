#include "lib/libadd_text.h"

#include <charconv>
#include <cstdint>

#include "base/errors.h"
#include "base/sjis_bytes.h"
#include "toolkit/dateformat.h"
#include "toolkit/formatsettings.h"

namespace kestrum::lib {
namespace {

constexpr std::string_view kFullWidthBlank = "　";
constexpr std::string_view kDateTextFormat = "yyyy/mm/dd";
constexpr int kMonthsPerYear = 12;
// Every month has at least this many days; only a later day can be past the month's end.
constexpr int kShortestMonth = 28;
// Byte offset of the day in a "yyyy/mm/dd" text.
constexpr size_t kDayOffset = 8;

bool SidesHave(std::string_view sides, char side) {
  return sides.empty() || sides.find(side) != std::string_view::npos ||
         sides.find(static_cast<char>(side - 'A' + 'a')) != std::string_view::npos;
}

// A signed whole number, blanks around it allowed.
int64_t TextToInteger(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  const std::string_view digits =
      first == std::string_view::npos ? std::string_view() : text.substr(first, last - first + 1);
  // 32-bit like the toolkit's integers: the callers' year + 1 and month + 1 cannot overflow.
  int32_t value = 0;
  const char* begin = digits.data();
  const char* end = begin + digits.size();
  if (!digits.empty() && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (digits.empty() || ec != std::errc() || ptr != end) {
    throw base::EConvertError("'" + std::string(text) + "' は正しい整数値ではありません");
  }
  return value;
}

void UseDateTextFormat() {
  toolkit::FormatSettings().ShortDateFormat = std::string(kDateTextFormat);
}

std::string DateText(int64_t year, int64_t month, int64_t day) {
  return std::to_string(year) + "/" + std::to_string(month) + "/" + std::to_string(day);
}

}  // namespace

int DbcsPos(std::string_view needle, std::string_view text) {
  if (needle.empty() || text.empty()) return 0;
  const base::TByteType first = base::ByteTypeAt(needle, 0);
  const base::TByteType last = base::ByteTypeAt(needle, needle.size() - 1);
  size_t from = 0;
  while (from < text.size()) {
    const size_t at = text.find(needle, from);
    if (at == std::string_view::npos) return 0;
    const base::TByteType start = base::ByteTypeAt(text, at);
    if (start == first && base::ByteTypeAt(text, at + needle.size() - 1) == last) {
      return static_cast<int>(at + 1);
    }
    from = at + (start == base::TByteType::mbLeadByte ? 2 : 1);
  }
  return 0;
}

std::string TrimSpaces(std::string_view text, std::string_view sides) {
  if (SidesHave(sides, 'L')) {
    while (true) {
      if (text.starts_with(' ')) {
        text.remove_prefix(1);
      } else if (text.starts_with(kFullWidthBlank)) {
        text.remove_prefix(kFullWidthBlank.size());
      } else {
        break;
      }
    }
  }
  if (SidesHave(sides, 'R')) {
    while (!text.empty()) {
      // A blank that is the second byte of a (malformed) pair stays with its lead byte.
      const base::TByteType last = base::ByteTypeAt(text, text.size() - 1);
      if (text.ends_with(' ') && last == base::TByteType::mbSingleByte) {
        text.remove_suffix(1);
      } else if (text.ends_with(kFullWidthBlank) && last == base::TByteType::mbTrailByte) {
        text.remove_suffix(kFullWidthBlank.size());
      } else {
        break;
      }
    }
  }
  return std::string(text);
}

std::string DeleteDbcs(std::string_view text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (base::ByteTypeAt(text, i) == base::TByteType::mbSingleByte) result += text[i];
  }
  return result;
}

std::string DeleteAll(std::string_view needle, std::string_view text) {
  std::string result(text);
  for (int at = DbcsPos(needle, result); at != 0; at = DbcsPos(needle, result)) {
    result.erase(static_cast<size_t>(at - 1), needle.size());
  }
  return result;
}

std::string ShowaToHeisei(std::string_view date_text, std::string_view pattern) {
  const int showa = DbcsPos("昭", date_text);
  const int year = DbcsPos("64", date_text);
  const int wa = DbcsPos("和", date_text);
  std::string result(date_text);
  if (showa == 0 || year == 0) return result;
  // The kanji keep their length, so the year's position still holds after them.
  result.replace(static_cast<size_t>(showa - 1), 2, "平");
  if (wa != 0) result.replace(static_cast<size_t>(wa - 1), 2, "成");
  const bool two_digits = pattern.find("ee") != std::string_view::npos;
  result.replace(static_cast<size_t>(year - 1), 2, two_digits ? "01" : "1");
  return result;
}

std::string MonthEndDate(std::string_view date_text) {
  UseDateTextFormat();
  const size_t first = date_text.find('/');
  const std::string_view year_text =
      first == std::string_view::npos ? std::string_view() : date_text.substr(0, first);
  const std::string_view rest =
      first == std::string_view::npos ? date_text : date_text.substr(first + 1);
  int64_t year = TextToInteger(year_text);
  int64_t month = TextToInteger(rest.substr(0, rest.find('/'))) + 1;
  if (month > kMonthsPerYear) {
    year += 1;
    month = 1;
  }
  return toolkit::DateToText(toolkit::TextToDate(DateText(year, month, 1)) - 1);
}

std::string MakeDateText(int year, int month, int day) {
  UseDateTextFormat();
  // Whole years carried at once, the same as subtracting 12 month by month.
  int64_t y = year;
  int64_t m = month;
  const int64_t carry = m > kMonthsPerYear ? (m - 1) / kMonthsPerYear
                        : m < 1            ? -((kMonthsPerYear - m) / kMonthsPerYear)
                                           : 0;
  y += carry;
  m -= carry * kMonthsPerYear;
  int64_t d = day;
  if (d > kShortestMonth) {
    const std::string end = MonthEndDate(DateText(y, m, d));
    const int64_t last = TextToInteger(std::string_view(end).substr(kDayOffset));
    if (last < d) d = last;
  }
  const std::string text = DateText(y, m, d);
  base::TDateTime value = 0;
  if (!toolkit::TryTextToDate(text, value)) return MonthEndDate(text);
  return toolkit::DateToText(value);
}

}  // namespace kestrum::lib
