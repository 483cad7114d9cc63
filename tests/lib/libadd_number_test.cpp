#include "lib/libadd_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "base/errors.h"

namespace kestrum::lib {
namespace {

TEST(BlankDbcs, BlanksEachDoubleByteCharacterKeepingLength) {
  EXPECT_EQ(BlankDbcs("a時b"), "a  b");
  EXPECT_EQ(BlankDbcs("ｱ1"), "ｱ1");     // half-width katakana is a single byte
  EXPECT_EQ(BlankDbcs("x\x81"), "x ");  // lone lead byte at the end
  // A trail byte that looks like an ASCII digit belongs to its character.
  EXPECT_EQ(BlankDbcs("\x82\x31"
                      "5"),
            "  5");
}

struct CleanCase {
  const char* text;
  const char* clean;
  int32_t integer;
};

TEST(CleanNumber, ReducesToSignDigitsAndFirstPoint) {
  const CleanCase cases[] = {
      {"5000", "5000", 5000},
      {"3,000ms", "3000", 3000},
      {"-5.9", "-5.9", -5},
      {"12-3", "-123", -123},
      {"1.2.3", "1.23", 1},
      {"abc", "0", 0},
      {"", "0", 0},
      {"-", "0", 0},
      {".", ".", 0},
      {".5", ".5", 0},
      {"2147483647", "2147483647", 2147483647},
      {"2147483648", "2147483648", 0},
      {"-2147483648", "-2147483648", INT32_MIN},
      {"-2147483649", "-2147483649", 0},
      {"１２３", "0", 0},  // full-width digits are no digits
      {"\x82\x30"
       "7",
       "7", 7},  // trail byte 0x30 is not the digit 0
      {"clRed", "0", 0},
      {"99999999999999999999", "99999999999999999999", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanNumber(c.text), c.clean) << c.text;
    EXPECT_EQ(IntegerPart(c.text), c.integer) << c.text;
  }
}

TEST(NumberPart, ReadsCleanedTextAsExtended) {
  EXPECT_EQ(NumberPart("clRed"), 0.0L);
  EXPECT_EQ(NumberPart("1.2.3"), 1.23L);
  EXPECT_EQ(NumberPart("."), 0.0L);
  EXPECT_EQ(NumberPart("-."), 0.0L);
  EXPECT_EQ(NumberPart("2.9"), 2.9L);
  EXPECT_EQ(NumberPart("-12.5x"), -12.5L);
  EXPECT_EQ(NumberPart("$0000FF"), 0.0L);  // hex colour text has digits 0000 only after "$"
}

TEST(NumberPart, OutOfRangeRaisesConversionErrorWithCleanedText) {
  const std::string huge = "x" + std::string(6000, '9');
  try {
    NumberPart(huge);
    FAIL() << "no exception";
  } catch (const base::EConvertError& e) {
    const std::string message = e.what();
    EXPECT_EQ(message, "'" + std::string(6000, '9') + "' は浮動小数点数ではありません");
  }
}

struct AdjustCase {
  int mode;
  long double value;
  long double decimals;
  long double expected;
};

TEST(AdjustDigits, ModesAndBiases) {
  const AdjustCase cases[] = {
      {1, 1.99L, 0, 1},          {1, -1.99L, 0, -1},     {1, 0.0000123L, 0, 0},
      {1, 123.456L, 2, 123.45L}, {1, 123.456L, -1, 120}, {1, 1234.5L, -2.0L, 1200},
      {2, 2.4999995L, 0, 3},     {2, 2.4999985L, 0, 2},  {2, -2.5L, 0, -3},
      {2, 2.5L, 0, 3},           {7, 1.44L, 1, 1.4L},  // any other mode rounds half
      {3, 1.2L, 0, 2},           {3, -1.2L, 0, -2},      {3, 1.0000005L, 0, 1},
      {3, 4.0L, 0, 4},           {3, 0.121L, 2, 0.13L},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(static_cast<double>(AdjustDigits(c.mode, c.value, c.decimals)),
                     static_cast<double>(c.expected))
        << "mode " << c.mode << " value " << static_cast<double>(c.value);
  }
}

TEST(AdjustDigits, TruncationWorksOnFifteenSignificantDigits) {
  // 0.29 * 100 is 28.999...; without the 15-digit step it would truncate to 28.
  EXPECT_DOUBLE_EQ(static_cast<double>(TruncateDigits(0.29, 2)), 0.29);
  EXPECT_DOUBLE_EQ(static_cast<double>(TruncateDigits(static_cast<double>(99) / 100, 0)), 0.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(TruncateDigits(-350.0 / 100, 0)), -3.0);
}

TEST(AdjustDigits, TruncationKeepsSignOfZeroAndMapsNonFiniteToZero) {
  const long double z = TruncateDigits(-0.5L, 0);
  EXPECT_EQ(z, 0.0L);
  EXPECT_TRUE(std::signbit(z));
  EXPECT_EQ(TruncateDigits(INFINITY, 0), 0.0L);
  EXPECT_EQ(TruncateDigits(1e4000L, 4000), 0.0L);
  EXPECT_EQ(TruncateDigits(NAN, 0), 0.0L);
}

TEST(AdjustDigits, RoundingModesReportOverflowOfTheScaling) {
  EXPECT_THROW(RoundHalfDigits(1e4000L, 4000), std::overflow_error);
  EXPECT_THROW(RoundUpDigits(-1e4000L, 4000), std::overflow_error);
}

}  // namespace
}  // namespace kestrum::lib
