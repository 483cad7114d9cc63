#pragma once
// The user's time format, read from the platform in its own notation, turned into the
// toolkit's format tokens.

#include <string>
#include <string_view>

#include "toolkit/formatsettings.h"

namespace kestrum::app {

// Windows locale tokens -> toolkit tokens: H/HH -> h/hh, h/hh -> i/ii, m/mm -> n/nn, s/ss stay,
// t/tt -> ampm; 'quoted' text and other letters become literals.
std::string ToolkitTimeFormat(std::string_view windows_format);

// Stores the user's long time format and its morning/afternoon markers into `settings`.
void ApplyUserTimeFormat(toolkit::TFormatSettings& settings, std::string_view windows_format,
                         const std::string& am, const std::string& pm);

}  // namespace kestrum::app
