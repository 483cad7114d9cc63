// The user's Windows time format turned into the toolkit's: any bytes translate and format
// without crashing, and a format built from the Windows tokens (H HH h hh m mm s ss t tt),
// quoted and plain literals and double-byte characters formats a time exactly as those
// tokens and literals say (hours on a 12-hour clock wherever a t marker stands, as the
// toolkit's am/pm does).
//
// Input: the first byte picks the time's hour, the next two its minute and second, each later
// byte one piece of the format.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/time_format.h"
#include "base/errors.h"
#include "fuzz/fuzz_check.h"
#include "toolkit/dateformat.h"
#include "toolkit/formatsettings.h"

using namespace kestrum;

namespace {

constexpr std::string_view kTokens[] = {"H", "HH", "h", "hh", "m", "mm", "s", "ss", "t", "tt"};
constexpr std::string_view kPlain = ": .-,/0123456789";
// Letters that are no Windows time token, and the toolkit's own literal quote.
constexpr std::string_view kOtherLetters = "xXyzdgMAPnN\"";
constexpr std::string_view kQuotedChars = "abc xyz:.hmst\"";

std::string BuildFormat(std::string_view bytes) {
  std::string format;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const unsigned k = b % 16;
    const unsigned pick = b / 16;
    if (k < 10) {
      format += kTokens[k];
    } else if (k == 10) {
      format += kPlain[pick % kPlain.size()];
    } else if (k == 11) {
      format += kOtherLetters[pick % kOtherLetters.size()];
    } else if (k == 12) {
      format += "時";
    } else if (k == 13) {
      format += "''";  // a quote alone: an empty literal, or a quote inside one
    } else {
      format += '\'';
      for (unsigned n = 0; n < pick % 4; ++n)
        format += kQuotedChars[(pick + n * 5) % kQuotedChars.size()];
      format += '\'';
    }
  }
  return format;
}

std::string Digits(int value, bool two) {
  std::string text = std::to_string(value);
  return two && text.size() < 2 ? "0" + text : text;
}

// What the format should show at hour:minute:second, read by the Windows rules: runs of one
// letter are a token (two or more: two digits; h is always the 12-hour clock), '...' is
// literal with '' for one quote, a double-byte character and every other character stand for
// themselves.
std::string Expected(std::string_view format, int hour, int minute, int second) {
  bool twelve = false;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '\'') {
      const size_t close = format.find('\'', i + 1);
      if (close == std::string_view::npos) break;
      i = close;
    } else if (format[i] == 't') {
      twelve = true;
    }
  }
  const toolkit::TFormatSettings& fs = toolkit::FormatSettings();
  std::string out;
  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      out += format.substr(i, 2);
      i += 2;
      continue;
    }
    if (c == '\'') {
      for (++i; i < format.size(); ++i) {
        if (format[i] != '\'') {
          out += format[i];
        } else if (i + 1 < format.size() && format[i + 1] == '\'') {
          out += '\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    size_t run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    const bool two = run >= 2;
    if (c == 'H' || c == 'h') {
      // h is the 12-hour clock with or without a marker; H only beside a marker.
      const bool twelve_hour = c == 'h' || twelve;
      out += Digits(twelve_hour ? (hour % 12 == 0 ? 12 : hour % 12) : hour, two);
    } else if (c == 'm') {
      out += Digits(minute, two);
    } else if (c == 's') {
      out += Digits(second, two);
    } else if (c == 't') {
      out += hour < 12 ? fs.TimeAMString : fs.TimePMString;
    } else {
      out.append(format.substr(i, run));
    }
    i += run;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  toolkit::FormatSettings() = toolkit::TFormatSettings{};
  const int hour = data[0] % 24, minute = data[1] % 60, second = data[2] % 60;
  const base::TDateTime value =
      base::EncodeDate(2026, 12, 8) + base::EncodeTime(hour, minute, second, 0);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 3), size - 3);

  // Any bytes at all, as a platform might hand them over.
  toolkit::FormatDateTime(app::ToolkitTimeFormat(bytes), value);

  const std::string windows = BuildFormat(bytes);
  const std::string toolkit = app::ToolkitTimeFormat(windows);
  const std::string shown = toolkit::FormatDateTime(toolkit, value);
  const std::string expected = Expected(windows, hour, minute, second);
  FUZZ_CHECK(shown == expected,
             "%02d:%02d:%02d in \"%s\" (toolkit \"%s\"): \"%s\", expected \"%s\"", hour, minute,
             second, windows.c_str(), toolkit.c_str(), shown.c_str(), expected.c_str());
  return 0;
}
