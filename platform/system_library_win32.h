#pragma once
// System DLLs bound at run time from the system folder only: a DLL of the same name planted in
// the program's folder (a Downloads folder, typically) is never loaded in their place. Only the
// system's known DLLs, which the loader takes from the system folder whatever the search path,
// are imported at load time.
#include <windows.h>

#include <cstddef>

namespace kestrum::platform {

// Takes the program's folder and the current folder out of the search for every DLL loaded
// from now on, by the program or by system DLLs on its behalf. Called first thing at start.
void RestrictLibrarySearch();

// Loads `name`, a bare file name such as L"wininet.dll", from the system folder; nullptr when
// it is missing there or `name` carries a path.
HMODULE LoadSystemLibrary(const wchar_t* name);

// One function of a table of entry points: its name and where in the table its pointer lies.
struct TLibraryEntry {
  const char* name;
  size_t offset;
};

// Binds every entry of `table` (a struct of function pointers) from `library`; false when any
// is missing.
bool BindEntries(HMODULE library, void* table, const TLibraryEntry* entries, size_t count);

// Sets `entry` to the function `name` of `library`; false (and nullptr) when it is missing.
template <typename T>
bool LookUpEntry(HMODULE library, const char* name, T& entry) {
  // Through the generic function type, which converts to any other without a warning.
  entry = library == nullptr
              ? nullptr
              : reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
  return entry != nullptr;
}

}  // namespace kestrum::platform
