// Inputs the fuzz targets (fuzz/) found faults with, kept as regular cases.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "lib/libadd_text.h"

namespace kestrum::lib {
namespace {

// A year or month beyond 32 bits overflowed "+ 1" (undefined behaviour; under the sanitizers an
// abort) or, carried as a month past 12, turned into a date.
TEST(MonthEndDate, NumbersBeyondThirtyTwoBitsAreConversionErrors) {
  EXPECT_THROW(MonthEndDate("1/9223372036854775807"), base::EConvertError);
  EXPECT_THROW(MonthEndDate("9223372036854775807/12"), base::EConvertError);
  EXPECT_THROW(MonthEndDate("2024/2147483648"), base::EConvertError);
  EXPECT_EQ(MonthEndDate("2024/2147483647"), "2024/12/31");  // still 32 bits: carried
}

}  // namespace
}  // namespace kestrum::lib
