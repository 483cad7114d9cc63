#include "toolkit/floatformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/errors.h"
#include "toolkit/formatsettings.h"

namespace kestrum::toolkit {
namespace {

constexpr const char* kNumin = "###,###,###,###,##0.####";

struct PictureCase {
  const char* pattern;
  long double value;
  const char* text;
};

TEST(FormatFloat, Pictures) {
  const PictureCase cases[] = {
      {kNumin, 1234567.891L, "1,234,567.891"},
      {kNumin, -1234.5L, "-1,234.5"},
      {kNumin, 0, "0"},
      {kNumin, 0.00004L, "0"},
      {kNumin, 0.00005L, "0.0001"},  // half away from zero
      {kNumin, -0.00004L, "0"},      // no sign on a zero result
      {kNumin, 500000000000.0L, "500,000,000,000"},
      {kNumin, 999999999999999.0L, "999,999,999,999,999"},
      {kNumin, 1234567890123456.0L, "1,234,567,890,123,456"},  // more digits than places
      {"00000000", 123, "00000123"},
      {"00000000", 123456789, "123456789"},
      {"000-000-000", 123456, "000-123-456"},
      {"000-000-000", 1234567890, "1234-567-890"},
      {"#.##", -0.5L, "-.5"},
      {"#", 0, ""},
      {"0.00", 0.125L, "0.13"},
      {"0.00", 1.005L, "1.01"},  // the 18-digit form of 1.005 is not below it
      {"0.0", 9.96L, "10.0"},    // the carry reaches the integer digits
      {"0", 0.5L, "1"},
      {"0", -2.5L, "-3"},
      {"0.##", 2.5L, "2.5"},
      {".00", 12.5L, "12.50"},
      {"#,##0", 999, "999"},
      {"#,##0", 1000, "1,000"},
      {"#,##0", -100000, "-100,000"},
      {"0,000", 5, "0,005"},
      {"'#'0\"x;\"", 7, "#7x;"},  // quoted text, even a quoted ";"
      {"年0月", 5, "年5月"},      // 0x94 0x4E: no placeholder hides in the kanji
  };
  for (const PictureCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << (double)c.value;
  }
}

TEST(FormatFloat, Sections) {
  const PictureCase cases[] = {
      {"#,##0;(#,##0);zero", 1234, "1,234"},
      {"#,##0;(#,##0);zero", -1234, "(1,234)"},
      {"#,##0;(#,##0);zero", 0.2L, "zero"},  // rounds to zero
      {"#,##0;(#,##0);zero", -0.2L, "zero"},
      {"0;;z", -5, "-5"},  // empty negative section: positive with "-"
      {"0;(0)", 0, "0"},
      {"000-000-000;#;#", 0, ""},
      {"000-000-000;#;#", 12, "000-000-012"},
      {"0;1;2;3", 0, "2;3"},  // a fourth ";" is text of the zero section
  };
  for (const PictureCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << (double)c.value;
  }
}

TEST(FormatFloat, FallsBackToTheGeneralFormBeyondThePicture) {
  EXPECT_EQ(FormatFloat("", 12.5L), "12.5");
  EXPECT_EQ(FormatFloat("0", 1e17L), "100000000000000000");
  EXPECT_EQ(FormatFloat(kNumin, 1e18L), "1E18");
  EXPECT_EQ(FormatFloat(kNumin, -2.5e30L), "-2.5E30");
  EXPECT_EQ(FormatFloat(kNumin, std::numeric_limits<long double>::infinity()), "INF");
}

TEST(FormatFloat, SeparatorsFollowTheSettings) {
  const TFormatSettings saved = FormatSettings();
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5L), "1.234,50");
  EXPECT_EQ(FloatToStr(0.25L), "0,25");
  long double value = 0;
  EXPECT_TRUE(TryTextToFloat("2,5", value));
  EXPECT_EQ(value, 2.5L);
  EXPECT_FALSE(TryTextToFloat("2.5", value));
  FormatSettings() = saved;
}

TEST(FloatToStr, GeneralForm) {
  const PictureCase cases[] = {
      {"", 0, "0"},
      {"", 1234.5L, "1234.5"},
      {"", -0.001L, "-0.001"},
      {"", 0.00001L, "0.00001"},
      {"", 0.000001L, "1E-6"},
      {"", 999999999999999.0L, "999999999999999"},
      {"", 1e15L, "1E15"},
      {"", 1.5e-7L, "1.5E-7"},
      {"", 0.1L + 0.2L, "0.3"},  // 15 significant digits
      {"", 1.0L / 3, "0.333333333333333"},
      {"", 9.9999999999999999L, "10"},
      {"", std::nanl(""), "NAN"},
      {"", -std::numeric_limits<long double>::infinity(), "-INF"},
  };
  for (const PictureCase& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << c.text;
}

TEST(TextToFloat, Grammar) {
  const struct {
    const char* text;
    bool ok;
    long double value;
  } cases[] = {
      {"1.5", true, 1.5L},   {" -2.5e3 ", true, -2500}, {"+7", true, 7},   {"5.", true, 5},
      {".5", true, 0.5L},    {"1E-2", true, 0.01L},     {"", false, 0},    {" ", false, 0},
      {".", false, 0},       {"-", false, 0},           {"1e", false, 0},  {"1e+", false, 0},
      {"1,000", false, 0},   {"1.2.3", false, 0},       {"abc", false, 0}, {"1 2", false, 0},
      {"1e99999", false, 0}, {"１", false, 0},
  };
  for (const auto& c : cases) {
    long double value = -1;
    EXPECT_EQ(TryTextToFloat(c.text, value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
  EXPECT_THROW(TextToFloat("x"), base::EConvertError);
  EXPECT_EQ(TextToFloat("500000000000.5"), 500000000000.5L);
}

}  // namespace
}  // namespace kestrum::toolkit
