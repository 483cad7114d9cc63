#pragma once
// The native windowing system: peers (real windows and controls) for the toolkit's control
// objects, and the application services (message pump and loop, message box, beep, taskbar).

#include "toolkit/ctl_peer.h"

namespace kestrum::toolkit::win32 {

// The Win32 widget set of the toolkit's own controls; hand it to the application object.
toolkit::TWidgetSet& NativeWidgetSet();

}  // namespace kestrum::toolkit::win32
