#pragma once
// Byte classes of the Japanese code page (932), the same on every build, so that the
// program does not depend on the code page of the machine it runs on.

#include <cstddef>
#include <string_view>

namespace kestrum::base {

enum class TByteType { mbSingleByte, mbLeadByte, mbTrailByte };

// Lead bytes of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Class of the byte at `index` (0-based), scanning from the start of the text: the byte after a
// lead byte is its trail byte whatever its value; a lead byte at the very end is still a lead
// byte. An index past the end is a single byte.
TByteType ByteTypeAt(std::string_view text, size_t index);

}  // namespace kestrum::base
