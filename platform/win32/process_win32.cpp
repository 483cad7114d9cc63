#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <vector>

#include "platform/process.h"
#include "platform/text.h"

namespace kestrum::platform {
namespace {

std::string Narrow(const wchar_t* text) {
  const std::wstring wide(text);
  return Utf16ToSjis(std::u16string(wide.begin(), wide.end()));
}

}  // namespace

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) return Narrow(std::wstring(buffer.data(), length).c_str());
    buffer.resize(buffer.size() * 2);
  }
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

std::string UserLongTimeFormat() {
  wchar_t format[80] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, format, 80) == 0) return "H:mm:ss";
  return Narrow(format);
}

}  // namespace kestrum::platform
