#pragma once
// The program's run on the application in force: application title, the main window
// (its create handler reads the settings and the command line), the hidden progress window,
// then the message loop until the main window closes.

#include "app/kestrum_services.h"

namespace kestrum::app {

int RunProgram(TKestrumServices services);

}  // namespace kestrum::app
