#pragma once
// Drives a shown edit control's native window with whole characters and reads back what it
// paints. For tests of the native peers only.

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/ctl_control.h"

namespace kestrum::support {

// Each character of the Shift-JIS text as one character message, as a keyboard sends it.
void UserTypeText(toolkit::TControl& control, const std::string& sjis);
// The control's client area as painted now, row by row, as 0x00BBGGRR values.
std::vector<uint32_t> NativeClientPixels(const toolkit::TControl& control);
// A toolkit colour (system colours included) as the platform paints it.
uint32_t NativeColor(toolkit::TColor color);

}  // namespace kestrum::support
