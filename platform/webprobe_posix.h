#pragma once
// The POSIX network probe with a time budget of the caller's choice.

#include <memory>

#include "platform/webprobe.h"

namespace kestrum::platform {

// Connecting, sending and waiting for the status line share `budget_ms` milliseconds.
std::unique_ptr<TWebProbePort> MakeHttpProbe(int budget_ms);

}  // namespace kestrum::platform
