#include "base/text.h"

#include <windows.h>

namespace kestrum::base {
namespace {

constexpr UINT kJapaneseCodePage = 932;

std::u16string ToWide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int count = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), count);
  return std::u16string(wide.begin(), wide.end());
}

std::string FromWide(UINT code_page, std::u16string_view text) {
  if (text.empty()) return {};
  const std::wstring wide(text.begin(), text.end());
  const int size = static_cast<int>(wide.size());
  const int count =
      WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, narrow.data(), count, nullptr, nullptr);
  return narrow;
}

}  // namespace

std::u16string SjisToUtf16(std::string_view sjis) { return ToWide(kJapaneseCodePage, sjis); }

std::string Utf16ToSjis(std::u16string_view utf16) { return FromWide(kJapaneseCodePage, utf16); }

std::string SjisToUtf8(std::string_view sjis) { return FromWide(CP_UTF8, SjisToUtf16(sjis)); }

std::string Utf8ToSjis(std::string_view utf8) { return Utf16ToSjis(ToWide(CP_UTF8, utf8)); }

std::u16string Utf8ToUtf16(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

std::string Utf16ToUtf8(std::u16string_view utf16) { return FromWide(CP_UTF8, utf16); }

}  // namespace kestrum::base
