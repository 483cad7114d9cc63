#include "toolkit/dateformat.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "base/errors.h"
#include "toolkit/formatsettings.h"

namespace kestrum::toolkit {
namespace {

class DateFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }
  TFormatSettings saved_;
};

base::TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return base::EncodeDate(y, mo, d) + base::EncodeTime(h, mi, s, ms);
}

struct FormatCase {
  const char* format;
  const char* text;
};

TEST_F(DateFormatTest, Tokens) {
  const base::TDateTime value = At(2009, 3, 4, 15, 6, 7, 8);  // a Wednesday
  const FormatCase cases[] = {
      {"yyyy/mm/dd", "2009/03/04"},
      {"yy/m/d", "09/3/4"},
      {"y", "09"},
      {"h:n:s.z", "15:6:7.8"},
      {"hh:nn:ss.zzz", "15:06:07.008"},
      {"hh:mm", "15:06"},  // m right after an hour is the minute
      {"mm hh", "03 15"},
      {"mmm|mmmm", "3月|3月"},
      {"ddd dddd", "水 水曜日"},
      {"ddddd", "2009/03/04"},
      {"dddddd", "2009年3月4日"},
      {"c", "2009/03/04 15:06:07"},
      {"t|tt", "15:06|15:06:07"},
      {"h am/pm", "3 pm"},
      {"hh AM/PM", "03 PM"},
      {"h a/p", "3 p"},
      {"ampm h", "午後 3"},
      {"i:nn|ii:mm", "3:06|03:06"},  // the 12-hour clock without a marker
      {"'yyyy'\"mm\"dd", "yyyymm04"},
      {"yyyy'", "2009"},                                // an unclosed quote runs to the end
      {"yyyy年m月d日 H時n分", "2009年3月4日 15時6分"},  // trail bytes N, b ... are no tokens
      {"x#-", "x#-"},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(FormatDateTime(c.format, value), c.text) << c.format;
}

TEST_F(DateFormatTest, TwelveHourClockEdges) {
  EXPECT_EQ(FormatDateTime("h am/pm", At(2000, 1, 1, 0)), "12 am");
  EXPECT_EQ(FormatDateTime("h am/pm", At(2000, 1, 1, 12)), "12 pm");
  EXPECT_EQ(FormatDateTime("h am/pm", At(2000, 1, 1, 11, 59)), "11 am");
  EXPECT_EQ(FormatDateTime("h", At(2000, 1, 1, 0)), "0");
  EXPECT_EQ(FormatDateTime("i", At(2000, 1, 1, 0)), "12");
  EXPECT_EQ(FormatDateTime("ii", At(2000, 1, 1, 12)), "12");
  EXPECT_EQ(FormatDateTime("i", At(2000, 1, 1, 13)), "1");
}

TEST_F(DateFormatTest, SeparatorsFollowTheSettings) {
  FormatSettings().DateSeparator = '-';
  FormatSettings().TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", At(2001, 2, 3, 4, 5)), "2001-02-03 04.05");
}

TEST_F(DateFormatTest, EraNamesAndYearsAtEveryBoundary) {
  const FormatCase cases[] = {
      {"1868/09/07", " 1868/09/07"},  // before the first era: no name, Western year
      {"1868/09/08", "明治 01/09/08"}, {"1912/07/29", "明治 45/07/29"},
      {"1912/07/30", "大正 01/07/30"}, {"1926/12/24", "大正 15/12/24"},
      {"1926/12/25", "昭和 01/12/25"}, {"1989/01/07", "昭和 64/01/07"},
      {"1989/01/08", "平成 01/01/08"}, {"2019/04/30", "平成 31/04/30"},
      {"2019/05/01", "令和 01/05/01"}, {"2087/12/31", "令和 69/12/31"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatDateTime("gg ee/mm/dd", TextToDate(c.format)), c.text) << c.format;
  }
  EXPECT_EQ(FormatDateTime("g e", At(2019, 5, 1)), "令 1");
  EXPECT_EQ(FormatDateTime("gg", At(2019, 5, 1)), "令和");
  EXPECT_EQ(FormatDateTime("gg ee\"年\" mm\"月\" dd\"日\"", At(1989, 1, 8)), "平成 01年 01月 08日");
}

TEST_F(DateFormatTest, DateTimeToTextOmitsMidnight) {
  EXPECT_EQ(DateTimeToText(At(2024, 2, 29)), "2024/02/29");
  // Milliseconds are not shown, so they do not make a time of day.
  EXPECT_EQ(DateTimeToText(At(2024, 2, 29, 0, 0, 0, 1)), "2024/02/29");
  EXPECT_EQ(DateTimeToText(At(2024, 2, 29, 0, 0, 0, 500)), "2024/02/29");
  EXPECT_EQ(DateTimeToText(At(2024, 2, 29, 0, 0, 1)), "2024/02/29 0:00:01");
  EXPECT_EQ(DateTimeToText(At(2024, 2, 29, 9, 5, 3)), "2024/02/29 9:05:03");
  EXPECT_EQ(DateTimeToText(-1.25), "1899/12/29 6:00:00");  // day -1, a quarter into it
}

TEST_F(DateFormatTest, SelfReferringFormatsAndBadValuesEnd) {
  FormatSettings().ShortDateFormat = "c";
  FormatSettings().LongTimeFormat = "tt";
  EXPECT_NO_THROW(DateTimeToText(At(2000, 1, 1, 1)));
  EXPECT_THROW(FormatDateTime("yyyy", 1e12), base::EConvertError);
  EXPECT_THROW(FormatDateTime("yyyy", -1e12), base::EConvertError);
  EXPECT_THROW(FormatDateTime("yyyy", std::numeric_limits<double>::quiet_NaN()),
               base::EConvertError);
}

TEST_F(DateFormatTest, MalformedShiftJisFormatStaysInBounds) {
  EXPECT_EQ(FormatDateTime("yyyy\x81", At(2001, 1, 1)), "2001\x81");
  EXPECT_EQ(FormatDateTime("\x81 yy", At(2001, 1, 1)), "\x81 01");
}

struct ParseCase {
  const char* text;
  const char* date;  // "" when the text must be rejected
};

TEST_F(DateFormatTest, TextToDateReadsTheShortDateOrder) {
  const ParseCase cases[] = {
      {"2002/2/28", "2002/02/28"},
      {" 2002 / 02 / 28 ", "2002/02/28"},
      {"02/2/28", "2002/02/28"},
      {"0002/2/28", "0002/02/28"},  // four digits are kept
      {"2002/2/29", ""},
      {"2000/2/29", "2000/02/29"},
      {"2002/13/1", ""},
      {"2002/0/1", ""},
      {"2002/2", ""},
      {"2002/2/", ""},
      {"2002/2/28/", ""},
      {"20020/2/28", ""},
      {"2002-2-28", ""},
      {"", ""},
      {"平成1/1/8", "1989/01/08"},
      {"H31/4/30", "2019/04/30"},
      {"r 1/5/1", "2019/05/01"},
      {"令1/5/1", "2019/05/01"},
      {"S64/1/7", "1989/01/07"},
      {"H0/1/1", ""},
      {"X1/1/1", ""},
      {"Hx/1/1", ""},
  };
  for (const ParseCase& c : cases) {
    base::TDateTime value = 0;
    const bool ok = TryTextToDate(c.text, value);
    EXPECT_EQ(ok, *c.date != '\0') << c.text;
    if (ok) {
      EXPECT_EQ(FormatDateTime("yyyy/mm/dd", value), c.date) << c.text;
    }
  }
  EXPECT_THROW(TextToDate("2002/2/30"), base::EConvertError);
}

TEST_F(DateFormatTest, TextToDateWithOtherOrdersAndMissingYear) {
  FormatSettings().ShortDateFormat = "dd.mm.yyyy";
  FormatSettings().DateSeparator = '.';
  EXPECT_EQ(DateToText(TextToDate("28.2.2002")), "28.02.2002");
  EXPECT_EQ(DateToText(TextToDate("28.2", 2004)), "28.02.2004");
  base::TDateTime value = 0;
  EXPECT_FALSE(TryTextToDate("28.2", value));  // no year to fall back on
  FormatSettings().ShortDateFormat = "m/d/yy";
  FormatSettings().DateSeparator = '/';
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", TextToDate("2/28/02")), "2002-02-28");
}

TEST_F(DateFormatTest, TimeAndDateTimeTexts) {
  const ParseCase cases[] = {
      {"01/01/01 12:34:56", "2001/01/01 12:34:56.000"},
      {"01/01/01 23:59:59.999", "2001/01/01 23:59:59.999"},
      {"01/01/01 25:00:00", ""},
      {"01/01/01 23:60:00", ""},
      {"01/01/01 0:0:60", ""},
      {"01/01/01 12", ""},  // an hour alone needs am/pm
      {"01/01/01 12:", ""},
      {"2001/1/1", "2001/01/01 00:00:00.000"},
      {"2001/1/1 午後 3:00", "2001/01/01 15:00:00.000"},
      {"2001/1/1 12 AM", "2001/01/01 00:00:00.000"},
      {"2001/1/1 13:00 PM", ""},
      {"9:05", "1899/12/30 09:05:00.000"},
      {"1899/12/29 6:00", "1899/12/29 06:00:00.000"},
  };
  for (const ParseCase& c : cases) {
    base::TDateTime value = 0;
    const bool ok = TryTextToDateTime(c.text, value);
    EXPECT_EQ(ok, *c.date != '\0') << c.text;
    if (ok) {
      EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", value), c.date) << c.text;
    }
  }
  EXPECT_THROW(TextToDateTime("01/01/01 25:00:00"), base::EConvertError);
  EXPECT_THROW(TextToTime("24:00"), base::EConvertError);
  EXPECT_EQ(TextToTime("12:00"), 0.5);
}

}  // namespace
}  // namespace kestrum::toolkit
