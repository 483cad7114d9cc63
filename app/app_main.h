#pragma once
// The program's entry sequence, called by the platform's process entry.

namespace kestrum::app {

int RunKestrum();

}  // namespace kestrum::app
