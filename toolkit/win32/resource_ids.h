#pragma once
// Resource numbers shared by the executable's resource script and the widget set.

// 16 x 16, 16-colour icon of both windows and of the executable file.
#define KESTRUM_ICON 1
