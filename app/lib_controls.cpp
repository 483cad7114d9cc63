#include "app/lib_controls.h"

#include "lib/sjis_bytes.h"

namespace kestrum::app {
namespace {

constexpr char kFullWidthSpaceLead = '\x81';
constexpr char kFullWidthSpaceTrail = '\x40';

}  // namespace

std::string TLibEdit::NormalizeText(std::string_view text) const {
  std::string result(text);
  for (;;) {
    const size_t n = result.size();
    if (n >= 1 && result[n - 1] == ' ' &&
        lib::ByteTypeAt(result, n - 1) == lib::TByteType::mbSingleByte) {
      result.pop_back();
    } else if (n >= 2 && result[n - 2] == kFullWidthSpaceLead &&
               result[n - 1] == kFullWidthSpaceTrail &&
               lib::ByteTypeAt(result, n - 2) == lib::TByteType::mbLeadByte) {
      result.resize(n - 2);
    } else {
      return result;
    }
  }
}

}  // namespace kestrum::app
