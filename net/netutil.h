#pragma once
// Small text helpers of the socket layer.

#include <string>
#include <string_view>

namespace kestrum::net {

// Blanks (spaces and control characters) removed from both ends.
std::string_view TrimBlanks(std::string_view text);

// Four "."-separated fields of decimal digits 0-255, blanks around each field ignored.
bool IsIP(std::string_view text);

// Colon-separated hexadecimal fields 0-FFFF, at most one "::", at most eight fields, a
// non-empty last field that may carry a "%" zone. A text without ":" never passes.
bool IsIP6(std::string_view text);

}  // namespace kestrum::net
