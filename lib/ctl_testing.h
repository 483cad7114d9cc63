#pragma once
// Headless user input: drives the controls through the same hooks a native window would,
// without any window. For tests.

#include "lib/ctl_form.h"

namespace kestrum::lib::testing {

// Gives `control` the focus as a click or Tab would.
inline void Focus(TControl& control) {
  if (TForm* form = control.ParentForm()) form->FocusControl(&control);
}

// A key press and release. Returns true when the control's own window would still see the key.
inline bool PressKey(TControl& control, TKey key, TShiftState shift = kShiftNone) {
  const bool pass = control.DispatchKeyDown(key, shift);
  TKey up = key;
  control.KeyUp(up, shift);
  return pass;
}

// A typed byte; returns the byte as the window would receive it (0: discarded).
inline char TypeChar(TControl& control, char ch) {
  control.KeyPress(ch);
  return ch;
}

inline void TurnWheel(TControl& control, int distance, TShiftState shift = kShiftNone) {
  control.MouseWheel(distance, shift);
}

}  // namespace kestrum::lib::testing
