#include "app/time_format.h"

#include <gtest/gtest.h>

#include "toolkit/dateformat.h"
#include "toolkit/formatsettings.h"

namespace kestrum::app {
namespace {

TEST(TimeFormat, WindowsLocaleTokensBecomeToolkitTokens) {
  struct Case {
    const char* windows;
    const char* toolkit;
  };
  const Case cases[] = {
      {"H:mm:ss", "h:nn:ss"},         {"HH:mm:ss", "hh:nn:ss"},
      {"tt h:mm:ss", "ampm i:nn:ss"}, {"H'時'm'分's'秒'", "h\"時\"n\"分\"s\"秒\""},
      {"H時mm分", "h時nn分"},         {"h 'o''clock'", "i \"o'clock\""},
      {"hh:mm:ss", "ii:nn:ss"},       {"HH.mm.ss x", "hh.nn.ss \"x\""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToolkitTimeFormat(c.windows), c.toolkit) << c.windows;
}

// Double quotes are the toolkit's literal marks, and its hour token ignores letter case: both
// once swallowed or merged parts of the time.
TEST(TimeFormat, DoubleQuotesAndAdjacentHourRunsShowAsWindowsReadsThem) {
  struct Case {
    const char* windows;
    const char* shown;  // at 21:05:07
  };
  const Case cases[] = {
      {"H\"mm\"ss", "21\"05\"07"},
      {"'\"'H:mm", "\"21:05"},
      {"H'x\"y'mm", "21x\"y05"},
      {"'a''\"'H", "a'\"21"},
      {"\"\"", "\"\""},
      {"Hh:mm", "219:05"},
      {"HHh", "219"},
      {"hH tt", "99 PM"},
      {"H''h", "219"},
      {"H'時'h", "21時9"},
      {"mm''mmmm", "0505"},
      {"s''s", "77"},
  };
  const toolkit::TFormatSettings saved = toolkit::FormatSettings();
  toolkit::FormatSettings().TimeAMString = "AM";
  toolkit::FormatSettings().TimePMString = "PM";
  const base::TDateTime evening = base::EncodeDate(2026, 12, 8) + base::EncodeTime(21, 5, 7, 0);
  for (const auto& c : cases) {
    EXPECT_EQ(toolkit::FormatDateTime(ToolkitTimeFormat(c.windows), evening), c.shown)
        << c.windows << " -> " << ToolkitTimeFormat(c.windows);
  }
  toolkit::FormatSettings() = saved;
}

TEST(TimeFormat, ServerTimeTextFollowsTheUserFormatAndDropsMidnight) {
  const toolkit::TFormatSettings saved = toolkit::FormatSettings();
  const base::TDateTime morning = base::EncodeDate(2026, 12, 8) + base::EncodeTime(9, 5, 7, 0);
  ApplyUserTimeFormat(toolkit::FormatSettings(), "HH:mm:ss", "午前", "午後");
  EXPECT_EQ(toolkit::DateTimeToText(morning), "2026/12/08 09:05:07");
  ApplyUserTimeFormat(toolkit::FormatSettings(), "tt h:mm:ss", "午前", "午後");
  EXPECT_EQ(toolkit::DateTimeToText(morning), "2026/12/08 午前 9:05:07");
  ApplyUserTimeFormat(toolkit::FormatSettings(), "h:mm:ss tt", "AM", "PM");
  EXPECT_EQ(toolkit::DateTimeToText(morning + 0.5), "2026/12/08 9:05:07 PM");
  // "h" is the 12-hour clock also when the format shows no marker.
  ApplyUserTimeFormat(toolkit::FormatSettings(), "h:mm:ss", "AM", "PM");
  EXPECT_EQ(toolkit::DateTimeToText(morning + 0.5), "2026/12/08 9:05:07");
  EXPECT_EQ(toolkit::DateTimeToText(base::EncodeDate(2026, 12, 8) + base::EncodeTime(0, 30, 0, 0)),
            "2026/12/08 12:30:00");
  EXPECT_EQ(toolkit::DateTimeToText(base::EncodeDate(2026, 12, 8)), "2026/12/08");
  toolkit::FormatSettings() = saved;
}

}  // namespace
}  // namespace kestrum::app
