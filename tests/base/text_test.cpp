#include "base/text.h"

#include <gtest/gtest.h>

namespace kestrum::base {
namespace {

struct TextCase {
  const char* sjis;  // compiled as Shift-JIS
  const char* utf8;  // raw UTF-8 bytes
  std::u16string utf16;
};

TEST(Text, ConvertsBothWaysOnBothPlatforms) {
  const TextCase cases[] = {
      {"", "", u""},
      {"Kestrum", "Kestrum", u"Kestrum"},
      {"時刻取得", "\xE6\x99\x82\xE5\x88\xBB\xE5\x8F\x96\xE5\xBE\x97", u"時刻取得"},
      {"ｶﾞ", "\xEF\xBD\xB6\xEF\xBE\x9E", u"\uFF76\uFF9E"},
      // ソ and 表 have the trail byte 0x5C, the ASCII backslash.
      {"ソ表\\", "\xE3\x82\xBD\xE8\xA1\xA8\\", u"ソ表\\"},
      {"同　期", "\xE5\x90\x8C\xE3\x80\x80\xE6\x9C\x9F", u"同\u3000期"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SjisToUtf8(c.sjis), c.utf8) << c.utf8;
    EXPECT_EQ(Utf8ToSjis(c.utf8), c.sjis) << c.utf8;
    EXPECT_EQ(SjisToUtf16(c.sjis), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToSjis(c.utf16), c.sjis) << c.utf8;
  }
}

TEST(Text, MalformedInputIsSubstitutedNotOverread) {
  // A lone lead byte at the end, and a lead byte followed by an invalid trail.
  const std::u16string lone_lead = SjisToUtf16("ab\x82");
  ASSERT_EQ(lone_lead.size(), 3u);
  EXPECT_EQ(lone_lead.substr(0, 2), u"ab");
  EXPECT_EQ(SjisToUtf8("ab\x82").substr(0, 2), "ab");
  const std::u16string bad_trail = SjisToUtf16("\x82\x20x");
  ASSERT_FALSE(bad_trail.empty());
  EXPECT_EQ(bad_trail.back(), u'x');
  // A character Shift-JIS cannot encode becomes substitute bytes (one per UTF-16 unit on
  // Windows), never a stray byte of its encoding.
  for (const std::string& narrow : {Utf16ToSjis(u"a\U0001F600b"), Utf8ToSjis("a\xF0\x9F\x98\x80"
                                                                             "b")}) {
    EXPECT_TRUE(narrow == "a?b" || narrow == "a??b") << narrow;
  }
}

}  // namespace
}  // namespace kestrum::base
