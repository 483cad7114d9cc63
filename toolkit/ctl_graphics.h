#pragma once
// Colours, fonts and alignments of the toolkit's controls.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum::toolkit {

// 0x00BBGGRR for a fixed colour; 0x80000000 + index for a system colour.
using TColor = uint32_t;

constexpr TColor kSystemColorBase = 0x80000000u;
constexpr TColor SystemColor(uint32_t index) { return kSystemColorBase + index; }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clMenu = SystemColor(4), clWindow = SystemColor(5), clWindowText = SystemColor(8),
                 clActiveBorder = SystemColor(10), clBtnFace = SystemColor(15);
constexpr TColor clNone = 0x1FFFFFFF;

// Colour of a toolkit name ("clRed", letter case ignored); none for an unknown name.
std::optional<TColor> IdentToColor(std::string_view name);
// A colour name, or a number (decimal, or hexadecimal after "$") taken as the value itself.
// Throws EConvertError for anything else.
TColor StringToColor(std::string_view text);

enum class TFontCharset { Default, ShiftJis };

struct TFont {
  std::string name;  // Shift-JIS face name
  int height = -12;  // pixels; negative: character height without internal leading
  TColor color = clWindowText;
  bool bold = false;
  TFontCharset charset = TFontCharset::ShiftJis;
  friend bool operator==(const TFont&, const TFont&) = default;
};

// Windows are laid out for this resolution and never rescaled.
constexpr int kScreenPixelsPerInch = 96;
constexpr int kPointsPerInch = 72;
// The font height (negative: without internal leading) of a size in points, rounded.
constexpr int FontHeightOfSize(int points) {
  return -((points * kScreenPixelsPerInch + kPointsPerInch / 2) / kPointsPerInch);
}

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

}  // namespace kestrum::toolkit
