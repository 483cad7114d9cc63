#include "platform/system_library_win32.h"

#include <cstring>
#include <cwchar>

namespace kestrum::platform {
namespace {

// Windows 7 has these only with its loader update (KB2533623): looked up, never imported, and
// the flag is refused without it.
using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
constexpr DWORD kSearchSystem32 = 0x00000800;     // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kAlteredSearchPath = 0x00000008;  // LOAD_WITH_ALTERED_SEARCH_PATH

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
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  const size_t name_length = std::wcslen(name);
  if (length == 0 || length + 1 + name_length >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  std::wmemcpy(path + length + 1, name, name_length + 1);
  return LoadLibraryExW(path, nullptr, kAlteredSearchPath);
}

bool BindEntries(HMODULE library, void* table, const TLibraryEntry* entries, size_t count) {
  bool all = library != nullptr;
  for (size_t k = 0; k < count; ++k) {
    const FARPROC entry = library != nullptr ? GetProcAddress(library, entries[k].name) : nullptr;
    all = all && entry != nullptr;
    std::memcpy(static_cast<char*>(table) + entries[k].offset, &entry, sizeof entry);
  }
  return all;
}

}  // namespace kestrum::platform
