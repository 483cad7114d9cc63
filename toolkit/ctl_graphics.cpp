#include "toolkit/ctl_graphics.h"

#include <array>
#include <cctype>
#include <charconv>

#include "base/errors.h"

namespace kestrum::toolkit {
namespace {

struct TColorName {
  std::string_view name;
  TColor value;
};

constexpr std::array<std::string_view, 25> kSystemColorNames = {
    "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
    "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
    "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
    "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
    "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
    "clInfoBk"};

constexpr std::array<TColorName, 17> kFixedColorNames = {{{"clBlack", clBlack},
                                                          {"clMaroon", clMaroon},
                                                          {"clGreen", clGreen},
                                                          {"clOlive", clOlive},
                                                          {"clNavy", clNavy},
                                                          {"clPurple", clPurple},
                                                          {"clTeal", clTeal},
                                                          {"clGray", clGray},
                                                          {"clSilver", clSilver},
                                                          {"clRed", clRed},
                                                          {"clLime", clLime},
                                                          {"clYellow", clYellow},
                                                          {"clBlue", clBlue},
                                                          {"clFuchsia", clFuchsia},
                                                          {"clAqua", clAqua},
                                                          {"clWhite", clWhite},
                                                          {"clNone", clNone}}};

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

// Decimal with an optional sign in the 32-bit signed range, or "$" and hex digits whose value
// fits in 32 bits (leading zeros do not count against it).
std::optional<TColor> NumberToColor(std::string_view text) {
  if (!text.empty() && text.front() == '$') {
    const std::string_view digits = text.substr(1);
    if (digits.empty()) return std::nullopt;
    uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
  }
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return static_cast<TColor>(value);
}

}  // namespace

std::optional<TColor> IdentToColor(std::string_view name) {
  for (const auto& entry : kFixedColorNames) {
    if (SameTextAscii(entry.name, name)) return entry.value;
  }
  for (size_t i = 0; i < kSystemColorNames.size(); ++i) {
    if (SameTextAscii(kSystemColorNames[i], name)) return SystemColor(static_cast<uint32_t>(i));
  }
  return std::nullopt;
}

TColor StringToColor(std::string_view text) {
  if (const auto named = IdentToColor(text)) return *named;
  if (const auto number = NumberToColor(text)) return *number;
  throw base::EConvertError("'" + std::string(text) + "' は有効な整数値ではありません");
}

}  // namespace kestrum::toolkit
