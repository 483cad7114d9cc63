// Shift-JIS text helpers on arbitrary (also malformed) bytes, checked against a byte-class
// table computed here in one pass, and the width and kana conversions checked by round trips
// on the inputs for which they are inverses.
//
// Input: control byte, needle length byte, the needle, then the text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "lib/libadd_text.h"
#include "lib/libjcode.h"

using namespace kestrum::lib;

namespace {

enum class Kind { kSingle, kLead, kTrail };

bool IsLead(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::vector<Kind> Kinds(std::string_view text) {
  std::vector<Kind> kinds(text.size(), Kind::kSingle);
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLead(text[i])) {
      kinds[i] = Kind::kLead;
      if (i + 1 < text.size()) kinds[++i] = Kind::kTrail;
    }
  }
  return kinds;
}

int ExpectedDbcsPos(std::string_view needle, std::string_view text) {
  if (needle.empty() || text.size() < needle.size()) return 0;
  const std::vector<Kind> kinds = Kinds(text);
  const std::vector<Kind> needle_kinds = Kinds(needle);
  for (size_t at = 0; at + needle.size() <= text.size(); ++at) {
    if (text.substr(at, needle.size()) == needle && kinds[at] == needle_kinds.front() &&
        kinds[at + needle.size() - 1] == needle_kinds.back()) {
      return static_cast<int>(at + 1);
    }
  }
  return 0;
}

constexpr std::string_view kWideBlank = "\x81\x40";

void CheckTrim(std::string_view text) {
  const std::string both = TrimSpaces(text, "");
  const std::string left = TrimSpaces(text, "l");
  const std::string right = TrimSpaces(text, "R");
  FUZZ_CHECK(text.ends_with(left), "left trim changed the right end");
  FUZZ_CHECK(text.starts_with(right), "right trim changed the left end");
  FUZZ_CHECK(TrimSpaces(text, "xyz") == text, "no side named, yet the text changed");
  FUZZ_CHECK(both == TrimSpaces(left, "r"), "both sides differ from left, then right");
  FUZZ_CHECK(!left.starts_with(' ') && !left.starts_with(kWideBlank), "blank left on the left");
  const std::vector<Kind> kinds = Kinds(right);
  const bool blank_end =
      !right.empty() && ((right.back() == ' ' && kinds.back() == Kind::kSingle) ||
                         (right.ends_with(kWideBlank) && kinds.back() == Kind::kTrail));
  FUZZ_CHECK(!blank_end, "blank left on the right");
  // Only blanks were cut: what is left of the right end is a whole number of characters.
  const std::vector<Kind> text_kinds = Kinds(text);
  FUZZ_CHECK(right.size() == text.size() || text_kinds[right.size()] != Kind::kTrail,
             "right trim cut a character in two");
}

void CheckDeletes(std::string_view needle, std::string_view text) {
  const std::vector<Kind> kinds = Kinds(text);
  std::string singles;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kinds[i] == Kind::kSingle) singles += text[i];
  }
  FUZZ_CHECK(DeleteDbcs(text) == singles, "DeleteDbcs kept part of a double-byte character");

  const std::string rest = DeleteAll(needle, text);
  FUZZ_CHECK(needle.empty() ? rest == text : DbcsPos(needle, rest) == 0,
             "DeleteAll left an occurrence");
  FUZZ_CHECK(needle.empty() || (text.size() - rest.size()) % needle.size() == 0,
             "DeleteAll cut something other than whole needles");
}

void CheckConversions(std::string_view text, int size, int option, int mode) {
  const std::string out = ConvertWidthKana(text, size, option, mode);
  if (size <= 0 || mode < kToFullWidth || mode > kToCapitals) {
    FUZZ_CHECK(out.empty(), "size %d mode %d gave text", size, mode);
    return;
  }
  FUZZ_CHECK(out.size() <= static_cast<size_t>(size), "%zu bytes for size %d", out.size(), size);
  const size_t growth = mode == kToFullWidth ? 2 : 1;
  FUZZ_CHECK(out.size() <= growth * text.size(), "mode %d grew %zu bytes to %zu", mode, text.size(),
             out.size());
  ToFullWidth(text, option);
  ToHalfWidth(text, option);
  ToKatakana(text);
}

// JIS X 0201 half-width text: ASCII 0x20-0x7E and kana 0xA1-0xDF, one per input byte.
std::string HalfWidthText(std::string_view bytes) {
  constexpr int kAscii = 0x7F - 0x20;
  std::string half;
  for (unsigned char b : bytes) {
    const int k = b % (kAscii + 0xE0 - 0xA1);
    half += static_cast<char>(k < kAscii ? 0x20 + k : 0xA1 + k - kAscii);
  }
  return half;
}

void CheckWidthRoundTrip(std::string_view bytes) {
  const std::string half = HalfWidthText(bytes);
  for (int option : {kAsciiGroup, kKanaGroup, kBothGroups}) {
    const std::string full = ToFullWidth(half, option);
    FUZZ_CHECK(ToHalfWidth(full, option) == half, "option %d: half -> full -> half changed",
               option);
    if (option == kBothGroups) {
      FUZZ_CHECK(DeleteDbcs(full).empty(), "full-width text kept a single-byte character");
    }
  }
}

// Full-width katakana ァ-ン, full-width capitals Ａ-Ｚ and ASCII letters, one per input byte.
std::string KanaText(std::string_view bytes) {
  constexpr int kKatakana = 0x8393 - 0x8340;  // without 0x837F
  constexpr int kCapitals = 26;
  std::string text;
  for (unsigned char b : bytes) {
    const int k = b % (kKatakana + 2 * kCapitals);
    int code = 0;
    if (k < kKatakana) {
      code = 0x8340 + k + (0x8340 + k >= 0x837F ? 1 : 0);
    } else if (k < kKatakana + kCapitals) {
      code = 0x8260 + k - kKatakana;
    } else {
      text += static_cast<char>('a' + k - kKatakana - kCapitals);
      continue;
    }
    text += static_cast<char>(code >> 8);
    text += static_cast<char>(code & 0xFF);
  }
  return text;
}

void CheckKanaRoundTrip(std::string_view bytes) {
  const std::string text = KanaText(bytes);
  const int size = static_cast<int>(text.size());
  const std::string hiragana = ConvertWidthKana(text, size, 0, kToHiragana);
  FUZZ_CHECK(ConvertWidthKana(hiragana, size, 0, kToKatakana) == text,
             "katakana -> hiragana -> katakana changed");
  FUZZ_CHECK(ToKatakana(hiragana) == text, "ToKatakana is not the inverse of mode 3");
  const std::string small = ConvertWidthKana(text, size, 0, kToSmallLetters);
  FUZZ_CHECK(ConvertWidthKana(small, size, 0, kToCapitals) == text,
             "capitals -> small -> capitals changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t control = data[0];
  const size_t needle_size = std::min<size_t>(data[1] % 8, size - 2);
  const std::string_view needle(reinterpret_cast<const char*>(data + 2), needle_size);
  const std::string_view text(reinterpret_cast<const char*>(data + 2 + needle_size),
                              size - 2 - needle_size);

  FUZZ_CHECK(DbcsPos(needle, text) == ExpectedDbcsPos(needle, text), "DbcsPos = %d, expected %d",
             DbcsPos(needle, text), ExpectedDbcsPos(needle, text));
  CheckTrim(text);
  CheckDeletes(needle, text);

  const std::string heisei = ShowaToHeisei(text, needle);
  FUZZ_CHECK(heisei.size() + 1 >= text.size() && heisei.size() <= text.size(),
             "ShowaToHeisei changed the length by more than a digit");

  const int option = control & 3;
  const int mode = (control >> 2) % 8;
  const int limit = static_cast<int>(2 * text.size()) - (data[1] >> 3) + 3;
  CheckConversions(text, limit, option, mode);
  CheckWidthRoundTrip(text);
  CheckKanaRoundTrip(text);
  return 0;
}
