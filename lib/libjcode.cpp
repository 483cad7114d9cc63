#include "lib/libjcode.h"

#include <array>
#include <cstdint>
#include <map>

namespace kestrum::lib {
namespace {

// Full-width forms of ASCII 0x20-0x7E. The backslash and tilde positions are the yen sign
// and overline of JIS X 0201, hence ￥ and ￣.
constexpr uint16_t kAsciiFirst = 0x20;
constexpr std::array<uint16_t, 95> kAsciiFull = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  // 　！”＃＄％＆’
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // （）＊＋，－．／
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // ０-７
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // ８９：；＜＝＞？
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // ＠Ａ-Ｇ
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // Ｈ-Ｏ
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // Ｐ-Ｗ
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // ＸＹＺ［￥］＾＿
    0x8165, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // ‘ａ-ｇ
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // ｈ-ｏ
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // ｐ-ｗ
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150,          // ｘｙｚ｛｜｝￣
};

// Full-width forms of the half-width marks and katakana 0xA1-0xDF.
constexpr uint8_t kKanaFirst = 0xA1;
constexpr std::array<uint16_t, 63> kKanaFull = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340,  // 。「」、・ヲァ
    0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387,  // ィゥェォャュョ
    0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349,  // ッーアイウエオ
    0x834A, 0x834C, 0x834E, 0x8350, 0x8352, 0x8354, 0x8356,  // カキクケコサシ
    0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365,  // スセソタチツテ
    0x8367, 0x8369, 0x836A, 0x836B, 0x836C, 0x836D, 0x836E,  // トナニヌネノハ
    0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380,  // ヒフヘホマミム
    0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // メモヤユヨラリ
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,  // ルレロワン゛゜
};

constexpr uint8_t kVoicedMark = 0xDE;      // ﾞ
constexpr uint8_t kSemiVoicedMark = 0xDF;  // ﾟ
// Kana that take a voicing mark: ｶ-ﾄ and ﾊ-ﾎ; only ﾊ-ﾎ take the semi-voicing mark.
constexpr uint8_t kVoicedFirst = 0xB6, kVoicedLast = 0xC4;
constexpr uint8_t kHaFirst = 0xCA, kHaLast = 0xCE;

// Kana ranges of modes 3 and 4: katakana ァ-ン and hiragana ぁ-ん. Trail byte 0x7F does not
// exist, so each range shifts by one more above it.
constexpr uint16_t kKatakanaFirst = 0x8340, kKatakanaLast = 0x8393, kKatakanaGap = 0x837F;
constexpr uint16_t kHiraganaFirst = 0x829F, kHiraganaLast = 0x82F1, kHiraganaGap = 0x82DE;
constexpr uint16_t kKanaShift = 0xA1;
constexpr uint16_t kCapitalFirst = 0x8260, kCapitalLast = 0x8279;
constexpr uint16_t kSmallFirst = 0x8281, kSmallLast = 0x829A;
constexpr uint16_t kCaseShift = 0x21;

bool IsFixedLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsFixedTrail(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
bool IsKanaByte(uint8_t b) { return b >= kKanaFirst && b <= kSemiVoicedMark; }
bool IsAsciiByte(uint8_t b) { return b >= kAsciiFirst && b < kAsciiFirst + kAsciiFull.size(); }

std::string Pair(uint16_t code) {
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

struct THalfForm {
  std::string text;
  bool kana = false;
};

// Full-width code -> its half-width bytes, the exact inverse of the tables above.
const std::map<uint16_t, THalfForm>& HalfForms() {
  static const std::map<uint16_t, THalfForm> forms = [] {
    std::map<uint16_t, THalfForm> m;
    for (size_t i = 0; i < kAsciiFull.size(); ++i) {
      m[kAsciiFull[i]] = {std::string(1, static_cast<char>(kAsciiFirst + i)), false};
    }
    for (size_t i = 0; i < kKanaFull.size(); ++i) {
      const char base = static_cast<char>(kKanaFirst + i);
      const uint8_t b = static_cast<uint8_t>(base);
      m[kKanaFull[i]] = {std::string(1, base), true};
      if ((b >= kVoicedFirst && b <= kVoicedLast) || (b >= kHaFirst && b <= kHaLast)) {
        m[kKanaFull[i] + 1] = {std::string{base, static_cast<char>(kVoicedMark)}, true};
      }
      if (b >= kHaFirst && b <= kHaLast) {
        m[kKanaFull[i] + 2] = {std::string{base, static_cast<char>(kSemiVoicedMark)}, true};
      }
    }
    return m;
  }();
  return forms;
}

struct TGroups {
  bool ascii;
  bool kana;
};

// Half-width character(s) at text[i] to full width; `used` is set to the bytes consumed.
std::string HalfToFull(std::string_view text, size_t i, TGroups groups, size_t& used) {
  const uint8_t b = static_cast<uint8_t>(text[i]);
  used = 1;
  if (groups.ascii && IsAsciiByte(b)) return Pair(kAsciiFull[b - kAsciiFirst]);
  if (!groups.kana || !IsKanaByte(b)) return std::string(1, text[i]);
  const uint16_t full = kKanaFull[b - kKanaFirst];
  const uint8_t next = i + 1 < text.size() ? static_cast<uint8_t>(text[i + 1]) : 0;
  const bool ha_row = b >= kHaFirst && b <= kHaLast;
  if (next == kVoicedMark && ((b >= kVoicedFirst && b <= kVoicedLast) || ha_row)) {
    used = 2;
    return Pair(full + 1);
  }
  if (next == kSemiVoicedMark && ha_row) {
    used = 2;
    return Pair(full + 2);
  }
  return Pair(full);
}

std::string FullToHalf(uint16_t code, TGroups groups) {
  const auto& forms = HalfForms();
  const auto found = forms.find(code);
  if (found == forms.end() || !(found->second.kana ? groups.kana : groups.ascii)) {
    return Pair(code);
  }
  return found->second.text;
}

// Modes 3-6 on one double-byte character.
uint16_t ShiftCode(uint16_t code, int mode) {
  switch (mode) {
    case kToHiragana:
      if (code < kKatakanaFirst || code > kKatakanaLast) return code;
      return code - kKanaShift - (code > kKatakanaGap ? 1 : 0);
    case kToKatakana:
      if (code < kHiraganaFirst || code > kHiraganaLast) return code;
      return code + kKanaShift + (code >= kHiraganaGap ? 1 : 0);
    case kToSmallLetters:
      return code >= kCapitalFirst && code <= kCapitalLast ? code + kCaseShift : code;
    case kToCapitals:
      return code >= kSmallFirst && code <= kSmallLast ? code - kCaseShift : code;
    default:
      return code;
  }
}

// The converted form of the character at text[i]; `used` is set to the bytes consumed.
std::string ConvertAt(std::string_view text, size_t i, TGroups groups, int mode, size_t& used) {
  const uint8_t b = static_cast<uint8_t>(text[i]);
  const bool pair =
      IsFixedLead(b) && i + 1 < text.size() && IsFixedTrail(static_cast<uint8_t>(text[i + 1]));
  if (!pair) {
    if (mode == kToFullWidth) return HalfToFull(text, i, groups, used);
    used = 1;
    return std::string(1, text[i]);
  }
  used = 2;
  const uint16_t code = static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(text[i + 1]));
  if (mode == kToFullWidth) return Pair(code);
  if (mode == kToHalfWidth) return FullToHalf(code, groups);
  return Pair(ShiftCode(code, mode));
}

}  // namespace

std::string ConvertWidthKana(std::string_view text, int size, int option, int mode) {
  if (size <= 0 || mode < kToFullWidth || mode > kToCapitals) return {};
  const TGroups groups{option != kKanaGroup, option != kAsciiGroup};
  const size_t limit = static_cast<size_t>(size);
  std::string out;
  for (size_t i = 0; i < text.size();) {
    size_t used = 0;
    const std::string piece = ConvertAt(text, i, groups, mode, used);
    if (out.size() + piece.size() > limit) break;
    out += piece;
    i += used;
  }
  return out;
}

std::string ToFullWidth(std::string_view text, int option) {
  return ConvertWidthKana(text, static_cast<int>(2 * text.size()), option, kToFullWidth);
}

std::string ToHalfWidth(std::string_view text, int option) {
  return ConvertWidthKana(text, static_cast<int>(text.size()), option, kToHalfWidth);
}

std::string ToKatakana(std::string_view text) {
  return ConvertWidthKana(text, static_cast<int>(text.size()), 0, kToKatakana);
}

}  // namespace kestrum::lib
