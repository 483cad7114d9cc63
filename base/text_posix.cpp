#include "base/text.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kestrum::base {
namespace {

constexpr const char* kJapaneseCodePage = "CP932";

// Bytes to skip past a character that could not be converted, by source encoding.
size_t SkipOneByte(const char*, size_t) { return 1; }

size_t SkipUtf16Unit(const char* at, size_t left) {
  const bool high_surrogate = left >= 4 && (static_cast<unsigned char>(at[1]) & 0xFC) == 0xD8;
  return high_surrogate ? 4 : left < 2 ? left : 2;
}

size_t SkipUtf8Sequence(const char* at, size_t left) {
  size_t n = 1;
  while (n < left && (static_cast<unsigned char>(at[n]) & 0xC0) == 0x80) ++n;
  return n;
}

// One conversion through iconv. A character the source encoding rejects, or the target cannot
// encode, is skipped and stands as `substitute` in the result.
std::string Convert(const char* from, const char* to, std::string_view input,
                    std::string_view substitute, size_t (*skip)(const char*, size_t)) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string output;
  char buffer[256];
  char* in = const_cast<char*>(input.data());
  size_t in_left = input.size();
  while (in_left > 0) {
    char* out = buffer;
    size_t out_left = sizeof buffer;
    const size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
    output.append(buffer, static_cast<size_t>(out - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ: invalid or unencodable sequence; EINVAL: truncated at the end.
      output.append(substitute);
      const size_t step = skip(in, in_left);
      in += step;
      in_left -= step;
    }
  }
  iconv_close(cd);
  return output;
}

std::u16string FromUtf16Bytes(const std::string& bytes) {
  std::u16string result(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < result.size(); ++i) {
    result[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return result;
}

std::string Utf16Bytes(std::u16string_view utf16) {
  std::string bytes;
  bytes.reserve(utf16.size() * 2);
  for (char16_t unit : utf16) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace

std::u16string SjisToUtf16(std::string_view sjis) {
  return FromUtf16Bytes(Convert(kJapaneseCodePage, "UTF-16LE", sjis, "\xFD\xFF", SkipOneByte));
}

std::string Utf16ToSjis(std::u16string_view utf16) {
  return Convert("UTF-16LE", kJapaneseCodePage, Utf16Bytes(utf16), "?", SkipUtf16Unit);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  return FromUtf16Bytes(Convert("UTF-8", "UTF-16LE", utf8, "\xFD\xFF", SkipUtf8Sequence));
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return Convert("UTF-16LE", "UTF-8", Utf16Bytes(utf16), "\xEF\xBF\xBD", SkipUtf16Unit);
}

std::string SjisToUtf8(std::string_view sjis) {
  return Convert(kJapaneseCodePage, "UTF-8", sjis, "\xEF\xBF\xBD", SkipOneByte);
}

std::string Utf8ToSjis(std::string_view utf8) {
  return Convert("UTF-8", kJapaneseCodePage, utf8, "?", SkipUtf8Sequence);
}

}  // namespace kestrum::base
