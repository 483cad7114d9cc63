#pragma once
// The program's run on the application in force: application title, the main window
// (its create handler reads the settings and the command line), the hidden progress window,
// then the message loop until the main window closes.

#include <memory>

#include "app/kestrum1.h"
#include "app/kestrum2.h"
#include "app/kestrum_services.h"
#include "toolkit/ctl_form.h"

namespace kestrum::app {

// The main window, the application's main form, and the progress window that mirrors it and
// whose cancel button stops its sequence. The progress window is freed first.
struct TKestrumWindows {
  std::unique_ptr<TKestrumForm> main;
  std::unique_ptr<TKestrumCmdForm> progress;
};

// Makes the main window and runs its create handler, then makes the hidden progress window;
// an error of the create handler is reported after that.
TKestrumWindows CreateKestrumWindows(toolkit::TApplication& application, TKestrumServices services);

int RunProgram(TKestrumServices services);

}  // namespace kestrum::app
