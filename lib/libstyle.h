#pragma once
// Values and helpers of the house style shared by the maker's controls.

#include "toolkit/ctl_control.h"

namespace kestrum::lib::house {

constexpr int kFontPoints = 12;
constexpr int kFontPixels = 16;
constexpr int kHeight = 24;
constexpr int kComboWidth = 121;
constexpr int kPanelWidth = 89;

// `color`, 16 pixels then 12 points (the size is what stays), bold if asked.
inline toolkit::TFont Font(toolkit::TFont font, toolkit::TColor color, bool bold) {
  font.color = color;
  font.height = -kFontPixels;
  font.height = toolkit::FontHeightOfSize(kFontPoints);
  font.bold = bold;
  return font;
}

inline void SetHeight(toolkit::TControl& control, int height) {
  const toolkit::TBounds& b = control.Bounds();
  control.SetBounds(b.left, b.top, b.width, height);
}

inline void SetWidth(toolkit::TControl& control, int width) {
  const toolkit::TBounds& b = control.Bounds();
  control.SetBounds(b.left, b.top, width, b.height);
}

}  // namespace kestrum::lib::house
