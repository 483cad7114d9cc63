#pragma once
// The native windowing system: peers (real windows and controls) for the toolkit's control
// objects, and the application services (message pump and loop, message box, beep, taskbar).

#include "toolkit/ctl_peer.h"

namespace kestrum::platform {

// The platform's widget set; install it with lib::TWidgetSetOverride at program start.
lib::TWidgetSet& NativeWidgetSet();

}  // namespace kestrum::platform
