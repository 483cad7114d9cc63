#include "lib/libjcode.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrum::lib {
namespace {

struct WidthCase {
  std::string half;
  std::string full;
};

// Pairs that convert both ways with option 3.
TEST(WidthConversion, ConvertsBothWaysWithBothGroups) {
  const WidthCase cases[] = {
      {"ｶﾞA", "ガＡ"},
      {"ﾊﾟ", "パ"},
      {"ﾊﾞﾋﾟﾌﾍﾞﾎﾟ", "バピフベポ"},
      {"ﾂﾞﾄﾞｻﾞ", "ヅドザ"},
      {"ｦｧｯｰﾝ", "ヲァッーン"},
      {"｡｢｣､･", "。「」、・"},
      {" 09AZaz", "　０９ＡＺａｚ"},
      {"'\"`\\~-", "’”‘￥￣－"},
      {"!#$%&()*+,./:;<=>?@[]^_{|}", "！＃＄％＆（）＊＋，．／：；＜＝＞？＠［］＾＿｛｜｝"},
      {"ﾞﾟ", "゛゜"},
  };
  for (const WidthCase& c : cases) {
    EXPECT_EQ(ToFullWidth(c.half, kBothGroups), c.full) << c.half;
    EXPECT_EQ(ToHalfWidth(c.full, kBothGroups), c.half) << c.half;
  }
}

TEST(WidthConversion, VoicingMarksJoinOnlyKanaThatTakeThem) {
  EXPECT_EQ(ToFullWidth("ｳﾞ", kBothGroups), "ウ゛");  // no half-width form of ヴ
  EXPECT_EQ(ToFullWidth("ｶﾟ", kBothGroups), "カ゜");  // ｶ takes no semi-voicing mark
  EXPECT_EQ(ToFullWidth("ｱﾞ", kBothGroups), "ア゛");
  EXPECT_EQ(ToFullWidth("ﾞｶ", kBothGroups), "゛カ");  // a mark before its kana
  EXPECT_EQ(ToFullWidth("ｶﾞﾞ", kBothGroups), "ガ゛");
  EXPECT_EQ(ToFullWidth("ﾊ", kBothGroups), "ハ");  // kana at the very end
}

TEST(WidthConversion, FullWidthCharactersWithoutHalfFormStay) {
  EXPECT_EQ(ToHalfWidth("漢ヴ＼〜ぁヵ", kBothGroups), "漢ヴ＼〜ぁヵ");
  EXPECT_EQ(ToFullWidth("漢ア", kBothGroups), "漢ア");
}

TEST(WidthConversion, EveryHalfWidthCharacterRoundTrips) {
  for (int b = 0x20; b <= 0xDF; ++b) {
    if (b > 0x7E && b < 0xA1) continue;
    const std::string half(1, static_cast<char>(b));
    const std::string full = ToFullWidth(half, kBothGroups);
    ASSERT_EQ(full.size(), 2u) << std::hex << b;
    EXPECT_EQ(ToHalfWidth(full, kBothGroups), half) << std::hex << b;
  }
}

TEST(WidthConversion, EveryVoicedKanaRoundTrips) {
  for (int b = 0xB6; b <= 0xCE; ++b) {
    if (b > 0xC4 && b < 0xCA) continue;
    for (int mark : {0xDE, 0xDF}) {
      if (mark == 0xDF && b < 0xCA) continue;
      const std::string half{static_cast<char>(b), static_cast<char>(mark)};
      const std::string full = ToFullWidth(half, kBothGroups);
      ASSERT_EQ(full.size(), 2u) << std::hex << b;
      EXPECT_EQ(ToHalfWidth(full, kBothGroups), half) << std::hex << b;
    }
  }
}

TEST(WidthConversion, OptionSelectsTheGroups) {
  EXPECT_EQ(ToFullWidth("Aｱ", kAsciiGroup), "Ａｱ");
  EXPECT_EQ(ToFullWidth("Aｱ", kKanaGroup), "Aア");
  EXPECT_EQ(ToFullWidth("Aｱ", 0), "Ａア");
  EXPECT_EQ(ToHalfWidth("Ａア", kAsciiGroup), "Aア");
  EXPECT_EQ(ToHalfWidth("Ａガ", kKanaGroup), "Ａｶﾞ");
}

TEST(WidthConversion, ControlAndOtherBytesAreCopied) {
  EXPECT_EQ(ToFullWidth(std::string("\t\n\x7F\x80\xA0\xFD", 6), kBothGroups),
            std::string("\t\n\x7F\x80\xA0\xFD", 6));
}

TEST(KanaConversion, HiraganaAndKatakanaBothWaysAcrossTheTrailGap) {
  // み/む and ミ/ム sit on either side of the missing trail byte 0x7F.
  const WidthCase cases[] = {{"ぁあみむゑをん", "ァアミムヱヲン"}, {"がぱ", "ガパ"}};
  for (const WidthCase& c : cases) {
    EXPECT_EQ(ToKatakana(c.half), c.full);
    EXPECT_EQ(ConvertWidthKana(c.full, 100, 0, kToHiragana), c.half);
  }
  EXPECT_EQ(ToKatakana("ｱaア漢ー"), "ｱaア漢ー");
  EXPECT_EQ(ConvertWidthKana("ヴヵヶ", 100, 0, kToHiragana), "ヴヵヶ");
}

TEST(CaseConversion, FullWidthLettersOnly) {
  EXPECT_EQ(ConvertWidthKana("ＡＺａｚAa", 100, 0, kToSmallLetters), "ａｚａｚAa");
  EXPECT_EQ(ConvertWidthKana("ＡＺａｚAa", 100, 0, kToCapitals), "ＡＺＡＺAa");
}

TEST(ConvertWidthKana, SizeAndModeLimits) {
  EXPECT_EQ(ConvertWidthKana("abc", 0, 3, kToFullWidth), "");
  EXPECT_EQ(ConvertWidthKana("abc", -1, 3, kToFullWidth), "");
  EXPECT_EQ(ConvertWidthKana("abc", 10, 3, 0), "");
  EXPECT_EQ(ConvertWidthKana("abc", 10, 3, 7), "");
  EXPECT_EQ(ConvertWidthKana("abc", 5, 3, kToFullWidth), "ａｂ");  // never half a character
  EXPECT_EQ(ConvertWidthKana("パa", 2, 3, kToHalfWidth), "ﾊﾟ");
  EXPECT_EQ(ConvertWidthKana("パa", 1, 3, kToHalfWidth), "");
}

TEST(ConvertWidthKana, MalformedShiftJisStaysInBounds) {
  for (int mode = kToFullWidth; mode <= kToCapitals; ++mode) {
    // A lone lead byte at the end, and a lead byte followed by a byte that cannot trail.
    EXPECT_EQ(ConvertWidthKana("a\x82", 10, 3, mode).back(), '\x82') << mode;
    const std::string broken("\x82\x20", 2);
    const std::string out = ConvertWidthKana(broken, 10, 3, mode);
    EXPECT_EQ(out[0], '\x82') << mode;
    EXPECT_EQ(out.substr(1), mode == kToFullWidth ? "　" : " ") << mode;
  }
  EXPECT_EQ(ToHalfWidth("\x82", kBothGroups), "\x82");
  EXPECT_EQ(ToKatakana(std::string("\x82\x7F", 2)), std::string("\x82\x7F", 2));
}

}  // namespace
}  // namespace kestrum::lib
