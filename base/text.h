#pragma once
// Text at the platform boundary. Inside the program every text is a Shift-JIS (code page 932)
// byte string; the platform speaks UTF-16 (Windows wide functions) or UTF-8 (Linux).
// Bytes that do not form a valid character come out as a substitute character, and
// characters that Shift-JIS cannot encode as a substitute byte; nothing is read out of bounds.

#include <string>
#include <string_view>

namespace kestrum::base {

std::u16string SjisToUtf16(std::string_view sjis);
std::string Utf16ToSjis(std::u16string_view utf16);
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
// Paths travel as UTF-8 between the platform adapters and the program, so that every character
// of a file name survives whatever the system's code pages.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace kestrum::base
