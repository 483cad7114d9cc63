#include "base/sjis_bytes.h"

#include <gtest/gtest.h>

namespace kestrum::base {
namespace {

TEST(ByteTypeAt, ClassifiesFromTheStartOfTheText) {
  // "a", 時 (0x8E 0x9E), half-width ｱ (0xB1), ソ (0x83 0x5C: trail byte equals '\\').
  const std::string_view text = "a\x8E\x9E\xB1\x83\x5C";
  const TByteType expected[] = {TByteType::mbSingleByte, TByteType::mbLeadByte,
                                TByteType::mbTrailByte,  TByteType::mbSingleByte,
                                TByteType::mbLeadByte,   TByteType::mbTrailByte};
  for (size_t i = 0; i < text.size(); ++i) EXPECT_EQ(ByteTypeAt(text, i), expected[i]) << i;
  EXPECT_EQ(ByteTypeAt(text, text.size()), TByteType::mbSingleByte);
}

TEST(ByteTypeAt, LeadByteRangesAndLoneLeadAtEnd) {
  for (int b = 0; b < 256; ++b) {
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(b)), lead) << b;
  }
  // Two lead-range bytes in a row: the second is the trail of the first.
  EXPECT_EQ(ByteTypeAt("\x81\x81\x81", 1), TByteType::mbTrailByte);
  EXPECT_EQ(ByteTypeAt("\x81\x81\x81", 2), TByteType::mbLeadByte);
}

}  // namespace
}  // namespace kestrum::base
