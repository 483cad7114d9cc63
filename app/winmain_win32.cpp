// Process entry of the Windows program.
#include <windows.h>

#include "app/app_main.h"
#include "platform/system_library_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything loads a DLL on demand.
  kestrum::platform::RestrictLibrarySearch();
  return kestrum::app::RunKestrum();
}
