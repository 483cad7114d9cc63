#include "platform/system_library_win32.h"

#include <cwchar>
#include <string>

namespace kestrum::platform {
namespace {

// Windows 7 has these only with its loader update (KB2533623): looked up, never imported, and
// the flag is refused without it.
using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
constexpr DWORD kSearchSystem32 = 0x00000800;     // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kAlteredSearchPath = 0x00000008;  // LOAD_WITH_ALTERED_SEARCH_PATH

std::wstring SystemFolderPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(folder, length) + L'\\' + name;
}

}  // namespace

void RestrictLibrarySearch() {
  // The current folder leaves the search even where the call below is missing.
  SetDllDirectoryW(L"");
  TSetDefaultDllDirectories set_default = nullptr;
  if (LookUpEntry(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", set_default)) {
    set_default(kSearchSystem32);
  }
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  if (name == nullptr || *name == L'\0' || std::wcspbrk(name, L"\\/:") != nullptr) return nullptr;
  HMODULE library = LoadLibraryExW(name, nullptr, kSearchSystem32);
  if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return library;
  // A loader without the flag: the full path, and the DLL's own imports from its folder first.
  const std::wstring path = SystemFolderPath(name);
  return path.empty() ? nullptr : LoadLibraryExW(path.c_str(), nullptr, kAlteredSearchPath);
}

}  // namespace kestrum::platform
