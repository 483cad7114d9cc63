#include "lib/libadd_text.h"

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "toolkit/formatsettings.h"

namespace kestrum::lib {
namespace {

struct PosCase {
  const char* needle;
  std::string text;
  int position;
};

TEST(DbcsPos, MatchesOnlyOnCharacterBoundaries) {
  const PosCase cases[] = {
      {"@", "\x81\x40", 0},           // the only 0x40 is the trail of a full-width blank
      {"@", "\x81\x40xy@", 5},        // counted from the start of the whole text
      {"@", "\x81\x40\x81\x40@", 5},  // two rejected occurrences in a row
      {"b",
       "a\x82\x62"
       "b",
       4},                              // "ａ" hides a trail "b"
      {"\x82\x62", "\x82\x82\x62", 0},  // the pair would start on a trail byte
      {"\x82\x62", "x\x82\x82\x82\x62", 4},
      {"平成", "令和平成", 5},
      {"64", "昭和64/01/07", 5},
      {"", "abc", 0},
      {"a", "", 0},
      {"abc", "ab", 0},
  };
  for (const PosCase& c : cases) {
    EXPECT_EQ(DbcsPos(c.needle, c.text), c.position) << c.needle << " in " << c.text;
  }
}

TEST(DbcsPos, LeadByteNeedleTestsTheFirstByteOfACharacter) {
  // How the edit control tests one typed byte against its set of accepted characters.
  EXPECT_EQ(DbcsPos("\x96", "平成明治"), 5);  // lead byte of 明
  EXPECT_EQ(DbcsPos("\xBE", "平成明治"), 0);  // 0xBE (ｾ) only as the trail byte of 明
  EXPECT_EQ(DbcsPos("r", "Ｓ"), 0);           // the trail byte of Ｓ is "r"
}

TEST(DbcsPos, MalformedTextsStayInBounds) {
  EXPECT_EQ(DbcsPos("\x81", "ab\x81"), 3);  // lone lead byte at the end
  EXPECT_EQ(DbcsPos(" ", "\x81 x"), 0);     // lead byte swallows an invalid trail
  EXPECT_EQ(DbcsPos("x", "\x81 x"), 3);
  EXPECT_EQ(DbcsPos("\x81\x40", "\x81"), 0);
  EXPECT_EQ(DbcsPos("a\x81", "a\x81"), 1);
}

struct TrimCase {
  const char* sides;
  const char* trimmed;
};

TEST(TrimSpaces, RemovesHalfAndFullWidthBlanksFromTheNamedSides) {
  const std::string text = " 　abc　 ";
  const TrimCase cases[] = {
      {"R", " 　abc"}, {"r", " 　abc"}, {"L", "abc　 "},    {"l", "abc　 "},
      {"", "abc"},     {"LR", "abc"},   {"x", " 　abc　 "},
  };
  for (const TrimCase& c : cases) EXPECT_EQ(TrimSpaces(text, c.sides), c.trimmed) << c.sides;
}

TEST(TrimSpaces, StopsAtOtherCharactersAndKeepsTrailBytes) {
  EXPECT_EQ(TrimSpaces("a b ", ""), "a b");
  EXPECT_EQ(TrimSpaces("  ", ""), "");
  EXPECT_EQ(TrimSpaces("　　", "R"), "");
  // 0x81 0x81 0x40: the 0x40 follows a complete character, it is not a full-width blank's.
  EXPECT_EQ(TrimSpaces("\x81\x81\x40", "R"), "\x81\x81\x40");
  // A blank that a lead byte has taken as its trail byte stays with it.
  EXPECT_EQ(TrimSpaces("a\x81 ", "R"), "a\x81 ");
  EXPECT_EQ(TrimSpaces("\x81", ""), "\x81");
}

TEST(DeleteDbcs, RemovesEveryDoubleByteCharacter) {
  EXPECT_EQ(DeleteDbcs("aあbｶ漢c"), "abｶc");
  EXPECT_EQ(DeleteDbcs("a\x81"), "a");  // a lone lead byte at the end goes too
  EXPECT_EQ(DeleteDbcs("\x82\x61"
                       "a"),
            "a");  // a trail byte "a" is not kept
}

TEST(DeleteAll, CutsEveryBoundaryOccurrence) {
  EXPECT_EQ(DeleteAll("-", "123-456-789"), "123456789");
  EXPECT_EQ(DeleteAll("ab", "aabb"), "");  // occurrences that appear after a cut go too
  EXPECT_EQ(DeleteAll("@", "\x81\x40@"), "\x81\x40");
  EXPECT_EQ(DeleteAll("", "abc"), "abc");
}

struct EraCase {
  const char* text;
  const char* pattern;
  const char* result;
};

TEST(ShowaToHeisei, RewritesShowa64Only) {
  const EraCase cases[] = {
      {"昭和64/01/07", "", "平成1/01/07"},
      {"昭和64/01/07", "gg ee/mm/dd", "平成01/01/07"},
      {"昭和 64年 01月 07日", "gg ee\"年\" mm\"月\" dd\"日\"", "平成 01年 01月 07日"},
      {"昭64/1/7", "ee", "平01/1/7"},          // no "和": only the initial changes
      {"昭和63/12/31", "ee", "昭和63/12/31"},  // no 64
      {"平成64/01/07", "ee", "平成64/01/07"},  // no 昭
      {"", "ee", ""},
  };
  for (const EraCase& c : cases) {
    EXPECT_EQ(ShowaToHeisei(c.text, c.pattern), c.result) << c.text << " / " << c.pattern;
  }
}

class DateTextTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = toolkit::FormatSettings(); }
  void TearDown() override { toolkit::FormatSettings() = saved_; }
  toolkit::TFormatSettings saved_;
};

TEST_F(DateTextTest, MonthEndDateGivesTheMonthsLastDay) {
  const std::pair<const char*, const char*> cases[] = {
      {"2000/2/5", "2000/02/29"},  {"1900/02/01", "1900/02/28"}, {"2001/12/31", "2001/12/31"},
      {"2001/13/1", "2001/12/31"},  // a month past 12 rolls to next January's eve
      {"2004/4", "2004/04/30"},     // the day is never read
  };
  for (const auto& [text, end] : cases) EXPECT_EQ(MonthEndDate(text), end) << text;
}

TEST_F(DateTextTest, MonthEndDateRejectsNonNumbersAndSetsTheShortDateFormat) {
  toolkit::FormatSettings().ShortDateFormat = "dd.mm.yyyy";
  EXPECT_THROW(MonthEndDate("abc/2/1"), base::EConvertError);
  EXPECT_THROW(MonthEndDate("2000"), base::EConvertError);
  EXPECT_THROW(MonthEndDate("2000/x/1"), base::EConvertError);
  EXPECT_THROW(MonthEndDate("99999/1/1"), base::EConvertError);
  EXPECT_THROW(MakeDateText(10000, 1, 1), base::EConvertError);
  EXPECT_EQ(toolkit::FormatSettings().ShortDateFormat, "yyyy/mm/dd");
}

struct MakeCase {
  int year, month, day;
  const char* text;
};

TEST_F(DateTextTest, MakeDateTextNormalisesMonthAndDay) {
  const MakeCase cases[] = {
      {2001, 14, 31, "2002/02/28"}, {2000, 0, 1, "1999/12/01"},   {2000, 2, 30, "2000/02/29"},
      {1999, 2, 30, "1999/02/28"},  {2000, -12, 5, "1998/12/05"}, {2000, 25, 1, "2002/01/01"},
      {2000, 4, 31, "2000/04/30"},  {2000, 1, 0, "2000/01/31"},   {2000, 1, -3, "2000/01/31"},
      {2019, 5, 1, "2019/05/01"},
  };
  for (const MakeCase& c : cases) {
    toolkit::FormatSettings().ShortDateFormat = "mm/dd/yyyy";
    EXPECT_EQ(MakeDateText(c.year, c.month, c.day), c.text)
        << c.year << "/" << c.month << "/" << c.day;
  }
}

}  // namespace
}  // namespace kestrum::lib
