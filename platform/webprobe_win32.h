#pragma once
// The Windows network probe with a time budget of the caller's choice.

#include <memory>

#include "platform/webprobe.h"

namespace kestrum::platform {

// The whole probe (connect, send, response head and every redirect followed) ends within
// `budget_ms` milliseconds.
std::unique_ptr<TWebProbePort> MakeWinInetProbe(int budget_ms);

}  // namespace kestrum::platform
