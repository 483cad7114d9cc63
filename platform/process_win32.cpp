#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <vector>

#include "base/text.h"
#include "platform/process.h"

namespace kestrum::platform {
namespace {

constexpr int kMaxLocaleText = 80;

std::string Narrow(const wchar_t* text) {
  const std::wstring wide(text);
  return base::Utf16ToSjis(std::u16string(wide.begin(), wide.end()));
}

// One text of the user's locale; `fallback` when the platform has none.
std::string LocaleText(LCTYPE type, const std::string& fallback) {
  wchar_t text[kMaxLocaleText] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, kMaxLocaleText) == 0) return fallback;
  return Narrow(text);
}

}  // namespace

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) {
      return base::Utf16ToUtf8(std::u16string(buffer.data(), buffer.data() + length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool FileExists(const std::string& path) {
  const std::u16string wide = base::Utf8ToUtf16(path);
  const DWORD attributes = GetFileAttributesW(std::wstring(wide.begin(), wide.end()).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

char PathDelimiter() { return '\\'; }

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> result;
  if (arguments == nullptr) return result;
  for (int i = 1; i < count; ++i) result.push_back(Narrow(arguments[i]));
  LocalFree(arguments);
  return result;
}

TUserTimeFormat UserTimeFormat() {
  TUserTimeFormat format;
  format.long_time = LocaleText(LOCALE_STIMEFORMAT, format.long_time);
  format.am = LocaleText(LOCALE_S1159, format.am);
  format.pm = LocaleText(LOCALE_S2359, format.pm);
  return format;
}

}  // namespace kestrum::platform
