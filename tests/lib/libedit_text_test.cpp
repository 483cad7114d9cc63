#include <string>

#include "libedit_fixture.h"

namespace kestrum::lib {
namespace {

struct TextCase {
  std::string in, out;
  int beeps = 0;
};

class EditText : public LibEditFixture {
 protected:
  void ExpectFormats(TEditType type, const std::vector<TextCase>& cases) {
    Field(type);
    for (const TextCase& c : cases) {
      const int before = Beeps();
      EXPECT_EQ(edit.FormatByType(c.in), c.out) << c.in;
      EXPECT_EQ(Beeps() - before, c.beeps) << c.in;
    }
  }
};

TEST_F(EditText, EachTypeSetsItsPatternAlignmentAndLength) {
  struct Case {
    TEditType type;
    std::string pattern;
    toolkit::TAlignment alignment;
    int max_length;
  };
  const Case cases[] = {
      {TEditType::Numin, "###,###,###,###,##0.####", toolkit::TAlignment::taRightJustify, 24},
      {TEditType::NuminNo, "00000000", toolkit::TAlignment::taLeftJustify, 8},
      {TEditType::Dayin, "yyyy/mm/dd", toolkit::TAlignment::taLeftJustify, 15},
      {TEditType::DayinWa, "gg ee/mm/dd", toolkit::TAlignment::taLeftJustify, 16},
      {TEditType::DayinBi, "gg ee\"年\" mm\"月\" dd\"日\"", toolkit::TAlignment::taLeftJustify, 28},
      {TEditType::StrinNo, "000-000-000", toolkit::TAlignment::taLeftJustify, 11},
      {TEditType::Codein, "000-000-000", toolkit::TAlignment::taLeftJustify, 11},
      {TEditType::Timein, "00:00:00", toolkit::TAlignment::taLeftJustify, 8},
      {TEditType::TimeinH, "00:00:00", toolkit::TAlignment::taLeftJustify, 8},
      {TEditType::Strin, "", toolkit::TAlignment::taLeftJustify, 0},
  };
  for (const Case& c : cases) {
    Field(c.type);
    EXPECT_EQ(edit.UsingText(), c.pattern);
    EXPECT_EQ(edit.Alignment(), c.alignment) << c.pattern;
    EXPECT_EQ(edit.MaxLength(), c.max_length) << c.pattern;
  }
  EXPECT_EQ(std::string("gg ee\"年\" mm\"月\" dd\"日\"").size(), 23u);
}

TEST_F(EditText, ConstructionAppliesTheHouseStyleAndKnowsTheNewEra) {
  EXPECT_TRUE(edit.OriginalStyle());
  EXPECT_FALSE(edit.EnteringCursorTop());
  EXPECT_EQ(edit.ImeMode(), TImeMode::imClose);
  EXPECT_EQ(edit.Bounds().height, 24);
  EXPECT_EQ(edit.Font().height, -16);
  EXPECT_EQ(edit.SystemEraName(), "令和");
  EXPECT_EQ(edit.MinYear(), 1868);
  EXPECT_EQ(edit.MaxYear(), 2117);
  edit.SetSystemEraName("平成");
  EXPECT_EQ(edit.MaxYear(), 2087);
  // Turning the style off keeps the look; turning it on again restores it.
  edit.SetOriginalStyle(false);
  edit.SetCheckBeep(false);
  EXPECT_FALSE(edit.CheckBeep());
  edit.SetOriginalStyle(true);
  EXPECT_TRUE(edit.CheckBeep());
}

TEST_F(EditText, FreeTextIsTrimmedConvertedAndCutOnCharacterBoundaries) {
  edit.SetByteLimit(10);
  ExpectFormats(TEditType::Strin, {
                                      {"abcdefghi"
                                       "あ",
                                       "abcdefghi"},
                                      {"abcdefgh"
                                       "あ",
                                       "abcdefghあ"},
                                      {"abcdefghijk", "abcdefghij"},
                                      {"host  　", "host"},
                                      {"　 x 　 ", "　 x"},
                                      {std::string("abc\x82"), std::string("abc\x82")},
                                  });
  edit.SetExitMode(TExitMode::Zenkaku);
  EXPECT_EQ(edit.FormatByType("ｶﾞA "), "ガＡ");
  edit.SetExitMode(TExitMode::Hankaku);
  EXPECT_EQ(edit.FormatByType("がＡ漢ﾊﾟ"), "ｶﾞAﾊﾟ");
}

TEST_F(EditText, MaxLengthBecomesTheByteLimitOfFreeText) {
  edit.SetMaxLength(4);
  EXPECT_EQ(edit.FormatByType("abcdef"), "abcd");
  EXPECT_EQ(edit.ByteLimit(), 4);
}

TEST_F(EditText, NumbersAreFormattedAndHugeOnesFallBackToTheEntryText) {
  edit.SetEnterText("1,000");
  ExpectFormats(TEditType::Numin, {
                                      {"1234.56789", "1,234.5679"},
                                      {"-1234", "-1,234"},
                                      {"abc", "0"},
                                      {"500000000000", "500,000,000,000"},
                                      {"500000000001", "1,000", 1},
                                      {"-600000000000", "1,000", 1},
                                      {std::string(6000, '9'), "1,000", 1},
                                  });
  ExpectFormats(TEditType::NuminNo, {{"-12-3", "00000123"}, {"", "00000000"}});
  Field(TEditType::Numin);
  edit.SetUsingText("#.##");
  EXPECT_EQ(edit.FormatByType(".5"), "0.5");
  EXPECT_EQ(edit.FormatByType("-.5"), "-0.5");
}

TEST_F(EditText, FillPatternPoursDigitRunsIntoThePattern) {
  struct Case {
    std::string text, pattern, out;
  };
  const Case cases[] = {
      {"123456", "000-000-000", "123-456-000"},
      {"1234567890", "000-000-000", "123-456-789"},
      {"1a2b3", "00-0", "01-2"},
      {"12", "###-##", "12-"},
      {"", "000", "000"},
      {"5", "##", "5"},
      {"12:5", "00:00:00", "12:05:00"},
      {"１２3", "00", "03"},  // full-width digits are not digits
      {"9", "年00", "年09"},
      {"00123", "#0#", "01"},
      {"7", "#0#", "07"},
      {std::string(23, '8'), std::string(23, '0'), std::string(23, '8')},
      {std::string("1\x82"), std::string("0\x82"), std::string("1\x82")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TLibEdit::FillPattern(c.text, c.pattern), c.out) << c.text << " " << c.pattern;
  }
}

TEST_F(EditText, CodesAndDigitGroups) {
  ExpectFormats(TEditType::Codein, {{"123456", "123-456-000"}, {"", "000-000-000"}});
  ExpectFormats(TEditType::StrinNo, {{"123", "123-000-000"}, {"0", ""}, {"", ""}});
}

TEST_F(EditText, TimesOutsideTheDayRestoreTheEntryTextWithABeep) {
  edit.SetEnterText("12:34:56");
  ExpectFormats(TEditType::Timein, {
                                       {"250000", "12:34:56", 1},
                                       {"2:5", "02:05:00"},
                                       {"235959", "23:59:59"},
                                       {"0", ""},
                                       {"12:61", "12:34:56", 1},
                                   });
  // The unchecked type takes any digits.
  ExpectFormats(TEditType::TimeinH, {{"250000", "25:00:00"}});
}

TEST_F(EditText, PlainNumberDropsTheSignOfUnsignedTypes) {
  EXPECT_EQ(Field(TEditType::Numin).PlainNumber("-1,2-3"), "-123");
  EXPECT_EQ(Field(TEditType::Codein).PlainNumber("-1,2-3"), "123");
  EXPECT_EQ(Field(TEditType::Strin).PlainNumber("-"), "0");
}

TEST_F(EditText, ValueTextIsThePlainValue) {
  EXPECT_EQ(Field(TEditType::Numin).ValueText("1,234.5"), "1234.5");
  EXPECT_EQ(Field(TEditType::Codein).ValueText("123-456-000"), "123456000");
  EXPECT_EQ(Field(TEditType::Dayin).ValueText("2024/2/3"), "2024/02/03");
  EXPECT_EQ(Field(TEditType::Dayin).ValueText(""), "");
  EXPECT_EQ(Field(TEditType::Strin).ValueText("a  "), "a  ");
  edit.SetText("x  ");
  EXPECT_EQ(edit.ExitText(), "x");
}

TEST_F(EditText, CrossedBoundsAreSwappedOnce) {
  Field(TEditType::Numin);
  edit.SetExitMinChk("5");
  edit.SetExitMaxChk("3");
  EXPECT_EQ(edit.NormalizeText("4"), "4");
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(edit.ExitMinChk(), "3");
  EXPECT_EQ(edit.ExitMaxChk(), "5");
  EXPECT_EQ(edit.NormalizeText("9"), "5");
  EXPECT_EQ(edit.Text(), "5");

  // Crossed by value, though not as text.
  edit.SetExitMinChk("10");
  edit.SetExitMaxChk("9");
  edit.NormalizeText("9");
  EXPECT_EQ(edit.ExitMinChk(), "9");
  EXPECT_EQ(edit.ExitMaxChk(), "10");
  EXPECT_EQ(Beeps(), 2);
}

// As bytes, 9 sorts above 10, -5 above -3, and era names in no date order (明 above 平,
// 大 above 昭): numbers compare by value, dates by date.
TEST_F(EditText, BoundsCompareNumbersByValueAndDatesByDate) {
  struct Case {
    TEditType type;
    std::string min, max, in, out;
    int beeps;
  };
  const Case cases[] = {
      {TEditType::Numin, "9", "10", "9.5", "9.5", 0},
      {TEditType::Numin, "9", "10", "11", "10", 0},
      {TEditType::Numin, "-5", "-3", "-4", "-4", 0},
      {TEditType::Numin, "-5", "-3", "-2", "-3", 0},
      {TEditType::Numin, "10", "9", "9.5", "9.5", 1},
      {TEditType::DayinWa, "1989/1/8", "", "1900/1/1", "平成 01/01/08", 0},
      {TEditType::DayinWa, "1989/1/8", "", "2019/5/1", "令和 01/05/01", 0},
      {TEditType::DayinWa, "", "1930/1/1", "1920/1/1", "大正 09/01/01", 0},
      {TEditType::DayinWa, "", "1930/1/1", "1940/1/1", "昭和 05/01/01", 0},
      {TEditType::DayinBi, "2019/5/1", "1989/1/8", "1912/7/30", "平成 01年 01月 08日", 1},
  };
  for (const Case& c : cases) {
    TLibEdit field(nullptr, nullptr, clock);
    field.SetEditType(c.type);
    field.SetExitMinChk(c.min);
    field.SetExitMaxChk(c.max);
    const int before = Beeps();
    EXPECT_EQ(field.NormalizeText(c.in), c.out) << c.min << ".." << c.max << " " << c.in;
    EXPECT_EQ(Beeps() - before, c.beeps) << c.min << ".." << c.max << " " << c.in;
  }
}

TEST_F(EditText, BelowTheLowerBoundGivesTheBoundEvenWhenTheControlShowsIt) {
  Field(TEditType::Numin);
  edit.SetExitMinChk("100");
  edit.SetText("100");
  EXPECT_EQ(edit.NormalizeText("7"), "100");
  EXPECT_EQ(edit.NormalizeText(""), "100");
}

TEST_F(EditText, BelowTheLowerBoundABoundFieldGivesTheBoundEvenWhenItHoldsIt) {
  TFakeField field;
  field.editing = true;
  field.text = "5";
  Field(TEditType::Numin).SetField(&field);
  edit.SetExitMinChk("5");
  EXPECT_EQ(edit.NormalizeText("3"), "5");
  EXPECT_EQ(field.sets, 0);
  EXPECT_EQ(Beeps(), 0);
  // A field holding another value takes the bound, with a beep.
  field.text = "4";
  EXPECT_EQ(edit.NormalizeText("3"), "5");
  EXPECT_EQ(field.text, "5");
  EXPECT_EQ(Beeps(), 1);
}

TEST_F(EditText, DateBoundsAreStoredAsDatesAndEmptyWhenInvalid) {
  Field(TEditType::Dayin);
  edit.SetExitMinChk("2024/1/5");
  EXPECT_EQ(edit.ExitMinChk(), "2024/01/05");
  edit.SetExitMaxChk("1800/1/1");
  EXPECT_EQ(edit.ExitMaxChk(), "");
  EXPECT_EQ(edit.NormalizeText("2023/12/31"), "2024/01/05");
}

TEST_F(EditText, NormalizeTextOfAHostNameDropsTrailingBlanks) {
  EXPECT_EQ(edit.NormalizeText("ntp.nict.jp  　"), "ntp.nict.jp");
  EXPECT_EQ(edit.NormalizeText(std::string("\x83\x81@")), std::string("\x83\x81@"));
}

}  // namespace
}  // namespace kestrum::lib
