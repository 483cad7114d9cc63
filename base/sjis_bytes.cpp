#include "base/sjis_bytes.h"

namespace kestrum::base {

TByteType ByteTypeAt(std::string_view text, size_t index) {
  if (index >= text.size()) return TByteType::mbSingleByte;
  size_t i = 0;
  while (i < index) {
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  if (i > index) return TByteType::mbTrailByte;
  return IsLeadByte(static_cast<unsigned char>(text[i])) ? TByteType::mbLeadByte
                                                         : TByteType::mbSingleByte;
}

}  // namespace kestrum::base
