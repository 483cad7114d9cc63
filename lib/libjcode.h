#pragma once
// Width and kana conversions of Shift-JIS texts: JIS X 0201 half-width characters to and
// from their JIS X 0208 full-width forms, and hiragana to and from katakana.

#include <string>
#include <string_view>

namespace kestrum::lib {

enum TWidthKanaMode : int {
  kToFullWidth = 1,     // half-width to full-width
  kToHalfWidth = 2,     // full-width to half-width
  kToHiragana = 3,      // katakana ァ-ン to hiragana ぁ-ん
  kToKatakana = 4,      // hiragana ぁ-ん to katakana ァ-ン
  kToSmallLetters = 5,  // full-width Ａ-Ｚ to ａ-ｚ
  kToCapitals = 6,      // full-width ａ-ｚ to Ａ-Ｚ
};

// Character groups of the width modes; any other option value means both.
enum TWidthOption : int { kAsciiGroup = 1, kKanaGroup = 2, kBothGroups = 3 };

// Converts `text` character by character in `mode`, writing at most `size` bytes (never half
// a character); characters the mode does not name are copied. An unknown mode or a size of 0
// or less gives the empty text. A lead byte without a valid trail byte is copied alone.
std::string ConvertWidthKana(std::string_view text, int size, int option, int mode);

// Half-width to full-width; a kana followed by a (semi-)voicing mark becomes one character.
std::string ToFullWidth(std::string_view text, int option);
// Full-width to half-width where a half-width form exists; voiced kana become two bytes.
std::string ToHalfWidth(std::string_view text, int option);
// Hiragana to katakana.
std::string ToKatakana(std::string_view text);

}  // namespace kestrum::lib
