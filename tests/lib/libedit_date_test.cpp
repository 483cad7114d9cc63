#include <string>

#include "libedit_fixture.h"

namespace kestrum::lib {
namespace {

struct DateCase {
  std::string in, out;
  int beeps = 0;
};

class EditDate : public LibEditFixture {
 protected:
  void ExpectDates(TEditType type, const std::vector<DateCase>& cases) {
    Field(type);
    for (const DateCase& c : cases) {
      const int before = Beeps();
      EXPECT_EQ(edit.ParseDate(c.in), c.out) << c.in;
      EXPECT_EQ(Beeps() - before, c.beeps) << c.in;
    }
  }
};

// Today is 2026/12/08 throughout.
TEST_F(EditDate, WesternShortFormsTakeTheMissingPartsFromToday) {
  ExpectDates(TEditType::Dayin, {
                                    {"0501", "2026/05/01"},  // year 501 is out of range
                                    {"20240229", "2024/02/29"},
                                    {"2024/2/3", "2024/02/03"},
                                    {"15", "2026/12/15"},
                                    {"3/4", "2026/03/04"},
                                    {"25/1/1", "2025/01/01"},
                                    {"95/1/1", "1995/01/01"},
                                    {"", "1867/12/31"},
                                    {"2200/1/1", "1867/12/31", 1},
                                });
}

TEST_F(EditDate, FebruaryThirtiethIsLoweredToTheMonthsEnd) {
  ExpectDates(TEditType::Dayin, {
                                    {"2024/2/30", "2024/02/29", 1},
                                    {"2023/2/30", "2023/02/28", 1},
                                    {"2023/13/40", "2023/12/31", 1},
                                });
  EXPECT_EQ(edit.DateParts(), (base::TDate{2023, 12, 31}));
}

TEST_F(EditDate, RelativeEntryStepsByMonthOrYear) {
  ExpectDates(TEditType::Dayin, {
                                    {"-5", "2026/12/05"},    // already past: this month
                                    {"-15", "2026/11/15"},   // still to come: last month
                                    {"--5", "2026/11/05"},   // always last month
                                    {"/15", "2026/12/15"},   // still to come: this month
                                    {"/5", "2027/01/05"},    // past: next month
                                    {"//15", "2027/01/15"},  // always next month
                                    {"-1/5", "2026/01/05"},  // month and day: by years
                                    {"--1/5", "2025/01/05"},
                                    {"/1/5", "2027/01/05"},
                                    {"//12/25", "2027/12/25"},
                                    {"-12/25", "2025/12/25"},
                                });
}

// Relative entry compares the date with today by its Western year: era start + year of era,
// or the century of a short year.
TEST_F(EditDate, RelativeEntryComparesTheWesternYear) {
  ExpectDates(TEditType::DayinWa, {
                                      {"-S60/5", "1985/05/08"},   // past: stays
                                      {"-H30/12", "2018/12/08"},  // past: stays
                                      {"-R9/1", "2026/01/08"},    // still to come: a year back
                                      {"/R8/1", "2027/01/08"},    // past: a year on
                                  });
  ExpectDates(TEditType::Dayin, {
                                    {"-950101", "1995/01/01"},
                                    {"-880101", "1988/01/01"},
                                    {"-270101", "2026/12/01"},  // still to come: a month back
                                });
}

TEST_F(EditDate, EraLettersAndKanjiGiveTheEraYear) {
  ExpectDates(TEditType::DayinWa, {
                                      {"H1/1/8", "1989/01/08"},
                                      {"平成1/1/8", "1989/01/08"},
                                      {"s64.1.7", "1989/01/07"},
                                      {"Ｒ8/12/8", "2026/12/08"},
                                      {"M45/7/29", "1912/07/29"},
                                      {"H010203", "1989/02/03"},
                                      {"5/1/1", "2023/01/01"},  // short year of the newest era
                                  });
  edit.SetSystemEraName("平成");
  EXPECT_EQ(edit.ParseDate("5/1/1"), "1993/01/01");
}

TEST_F(EditDate, EraFormattingShowsShowa64AsHeisei1) {
  Field(TEditType::DayinWa);
  EXPECT_EQ(edit.FormatByType("S64/1/7"), "平成 01/01/07");
  EXPECT_EQ(edit.FormatByType("R8/12/8"), "令和 08/12/08");
  EXPECT_EQ(edit.FormatByType("1800/1/1"), "");
  Field(TEditType::DayinBi);
  EXPECT_EQ(edit.FormatByType("H1/1/8"), "平成 01年 01月 08日");
  Field(TEditType::Dayin);
  EXPECT_EQ(edit.FormatByType("0501"), "2026/05/01");
}

TEST_F(EditDate, BuildDateKeepsTheNoDateMarkerForYearsOutOfRange) {
  struct Case {
    int y, m, d;
    base::TDateTime value;
    int beeps;
  };
  const Case cases[] = {
      {2026, 12, 8, base::EncodeDate(2026, 12, 8), 0},
      {2026, 0, 0, base::EncodeDate(2026, 1, 1), 0},
      {1867, 12, 31, kNoValidDate, 1},
      {2118, 1, 1, kNoValidDate, 1},
      {0, 0, 0, kNoValidDate, 0},
      {2100, 2, 29, base::EncodeDate(2100, 2, 28), 1},
  };
  for (const Case& c : cases) {
    const int before = Beeps();
    EXPECT_EQ(edit.BuildDate(c.y, c.m, c.d), c.value) << c.y << "/" << c.m << "/" << c.d;
    EXPECT_EQ(edit.DateValue(), c.value);
    EXPECT_EQ(Beeps() - before, c.beeps) << c.y << "/" << c.m << "/" << c.d;
  }
  edit.SetCheckBeep(false);
  edit.BuildDate(2023, 2, 30);
  EXPECT_EQ(Beeps(), 3);
}

TEST_F(EditDate, MalformedShiftJisStaysInBounds) {
  Field(TEditType::DayinWa);
  for (const std::string& text : {std::string("1/2\x82"),
                                  std::string("\x82\x20"
                                              "5"),
                                  std::string("\x81"), std::string("平\x82")}) {
    const std::string date = edit.ParseDate(text);
    EXPECT_EQ(date.size(), 10u) << date;
    edit.FormatByType(text);
  }
}

}  // namespace
}  // namespace kestrum::lib
