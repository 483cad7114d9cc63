#pragma once
// Headless user input: drives the controls through the same hooks a native window would,
// without any window. For tests.

#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::support::headless {

// Gives `control` the focus as a click or Tab would; a combo box then reports it got it.
inline void Focus(toolkit::TControl& control) {
  if (toolkit::TForm* form = control.ParentForm()) form->FocusControl(&control);
  if (auto* combo = dynamic_cast<toolkit::TComboBox*>(&control))
    combo->Command(toolkit::kCbnSetFocus);
}

// A key press and release. Returns true when the control's own window would still see the key.
inline bool PressKey(toolkit::TControl& control, toolkit::TKey key,
                     toolkit::TShiftState shift = toolkit::kShiftNone) {
  const bool pass = control.DispatchKeyDown(key, shift);
  toolkit::TKey up = key;
  control.KeyUp(up, shift);
  return pass;
}

// A typed byte; returns the byte as the window would receive it (0: discarded).
inline char TypeChar(toolkit::TControl& control, char ch) {
  control.KeyPress(ch);
  return ch;
}

// A key on a combo box, with the native box's own reaction when the key reaches it: Up and
// Down step through the entries (open or closed) and report the selection change.
inline bool PressComboKey(toolkit::TComboBox& combo, toolkit::TKey key) {
  const bool pass = PressKey(combo, key);
  if (!pass || (key != toolkit::kVkUp && key != toolkit::kVkDown)) return pass;
  const int count = static_cast<int>(combo.Items().size());
  const int index = combo.ItemIndex() + (key == toolkit::kVkDown ? 1 : -1);
  if (index < 0 || index >= count) return pass;
  combo.StoreFromUser(index, combo.DroppedDown());
  combo.Command(toolkit::kCbnSelChange);
  return pass;
}

inline void TurnWheel(toolkit::TControl& control, int distance,
                      toolkit::TShiftState shift = toolkit::kShiftNone) {
  control.MouseWheel(distance, shift);
}

}  // namespace kestrum::support::headless
