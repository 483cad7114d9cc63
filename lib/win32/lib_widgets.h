#pragma once
// The native widget set of a program built on the maker's controls.

#include "toolkit/ctl_peer.h"

namespace kestrum::lib::win32 {

// The Win32 widget set, with native peers for the maker's controls as well as the toolkit's.
toolkit::TWidgetSet& LibWidgetSet();

}  // namespace kestrum::lib::win32
