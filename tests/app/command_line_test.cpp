#include "app/command_line.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace kestrum::app {
namespace {

TEST(CommandLine, SwitchesAreCaseSensitiveSubstrings) {
  struct Case {
    const char* first;
    bool unattended, sntp, rfc868;
  };
  const Case cases[] = {
      {"", false, true, true},       {"/S", true, true, true},   {"xx/Syy", true, true, true},
      {"/s", true, true, true},      {"/SU", true, true, false}, {"/su", true, true, false},
      {"/ST", true, false, true},    {"/st", true, false, true}, {"/SU/ST", true, false, true},
      {"/ST/SU", true, false, true}, {"/Su", true, true, true},  {"/sT", true, true, true},
      {"S", false, true, true},      {"-S", false, true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RequestsUnattended(c.first), c.unattended) << c.first;
    const TProtocols p = SelectProtocols(c.first);
    EXPECT_EQ(p.sntp, c.sntp) << c.first;
    EXPECT_EQ(p.rfc868, c.rfc868) << c.first;
  }
  for (const char* helper : {kRegisterTaskSwitch, kRemoveTaskSwitch, kGrantRightSwitch}) {
    EXPECT_FALSE(RequestsUnattended(helper)) << helper;
  }
}

TEST(CommandLine, DelayIsTheIntegerPartPlus100Milliseconds) {
  struct Case {
    const char* second;
    uint32_t interval;
  };
  const Case cases[] = {
      {"", 100},
      {"5000", 5100},
      {"2.9", 102},  // milliseconds: 2 + 100
      {"0", 100},
      {"clRed", 100},
      {"cl3DLight", 103},
      {"-5", 100},  // a negative delay counts as 0
      {"2147483647", 2147483747u},
      {"99999999999", 100},  // not a 32-bit number: 0
  };
  for (const auto& c : cases) EXPECT_EQ(StartTimerInterval(c.second), c.interval) << c.second;
}

TEST(CommandLine, SecondArgumentWithNumericValueZeroIsAColour) {
  struct Case {
    const char* second;
    std::optional<toolkit::TColor> color;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"5000", std::nullopt},
      {"2.9", std::nullopt},
      {"clRed", 0x0000FF},
      {"CLRED", 0x0000FF},
      {"$0000FF", 0x0000FF},
      {"0", 0x000000},
      {"clNone", 0x1FFFFFFF},
      {"clBtnFace", 0x8000000F},
      {"$00FF00", 0x00FF00},
      {"-0", 0},
      {"$1A", std::nullopt},  // content 1
      {"$0000000FF", 0x0000FF},
      // The digit in the name gives a numeric content of 3: a delay, not a colour.
      {"cl3DDkShadow", std::nullopt},
      {"cl3DLight", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressColorArgument(c.second), c.color) << c.second;
  EXPECT_THROW(ProgressColorArgument("blue"), base::EConvertError);
  EXPECT_THROW(ProgressColorArgument("$"), base::EConvertError);
}

}  // namespace
}  // namespace kestrum::app
