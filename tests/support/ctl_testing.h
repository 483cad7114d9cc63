#pragma once
// Headless user input: drives the controls through the same hooks a native window would,
// without any window. For tests.

#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::lib::testing {

// Gives `control` the focus as a click or Tab would; a combo box then reports it got it.
inline void Focus(TControl& control) {
  if (TForm* form = control.ParentForm()) form->FocusControl(&control);
  if (auto* combo = dynamic_cast<TComboBox*>(&control)) combo->Command(kCbnSetFocus);
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

// A key on a combo box, with the native box's own reaction when the key reaches it: Up and
// Down step through the entries (open or closed) and report the selection change.
inline bool PressComboKey(TComboBox& combo, TKey key) {
  const bool pass = PressKey(combo, key);
  if (!pass || (key != kVkUp && key != kVkDown)) return pass;
  const int count = static_cast<int>(combo.Items().size());
  const int index = combo.ItemIndex() + (key == kVkDown ? 1 : -1);
  if (index < 0 || index >= count) return pass;
  combo.StoreFromUser(index, combo.DroppedDown());
  combo.Command(kCbnSelChange);
  return pass;
}

inline void TurnWheel(TControl& control, int distance, TShiftState shift = kShiftNone) {
  control.MouseWheel(distance, shift);
}

}  // namespace kestrum::lib::testing
