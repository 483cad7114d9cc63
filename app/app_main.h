#pragma once
// The program's entry sequence, called by the platform's process entry.

namespace kestrum::app {

// Application object and title, the main window (its create handler reads the settings and
// the command line), the hidden progress window, then the message loop until the main window
// closes. Returns the exit code.
int RunKestrum();

}  // namespace kestrum::app
