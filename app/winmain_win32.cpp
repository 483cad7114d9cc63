// Process entry of the Windows program.
#include <windows.h>

#include "app/app_main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return kestrum::app::RunKestrum(); }
