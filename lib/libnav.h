#pragma once
// Keyboard navigation shared by the maker's focusable controls: named targets for Enter, Up
// and Down, the control that takes the focus when this one loses it, and moving the focus
// through the containing form.

#include "toolkit/ctl_control.h"
#include "toolkit/ctl_keys.h"

namespace kestrum::lib {

class TLibNavigation {
 public:
  explicit TLibNavigation(toolkit::TControl& self) : self_(self) {}

  // Named targets; a target destroyed since it was set reads as none.
  toolkit::TControl* TabStopEnter() const { return tab_stop_enter_.Get(); }
  void SetTabStopEnter(toolkit::TControl* control) { Store(tab_stop_enter_, control); }
  toolkit::TControl* TabStopUp() const { return tab_stop_up_.Get(); }
  void SetTabStopUp(toolkit::TControl* control) { Store(tab_stop_up_, control); }
  toolkit::TControl* TabStopDown() const { return tab_stop_down_.Get(); }
  void SetTabStopDown(toolkit::TControl* control) { Store(tab_stop_down_, control); }

  // The named target of Enter, Up or Down; null for any other key.
  toolkit::TControl* NamedTarget(toolkit::TKey key) const {
    return key == toolkit::kVkReturn ? TabStopEnter()
           : key == toolkit::kVkUp   ? TabStopUp()
           : key == toolkit::kVkDown ? TabStopDown()
                                     : nullptr;
  }

  // Given the focus at the next focus exit; cleared at focus entry.
  toolkit::TControl* FocusTarget() const { return focus_target_.Get(); }
  void SetFocusTarget(toolkit::TControl* control) { focus_target_ = control; }

  // `target` when it exists and can take the focus now; else null.
  static toolkit::TControl* Focusable(toolkit::TControl* target);
  // Makes `target` the focus target when it can take the focus; true if it did.
  bool AimAt(toolkit::TControl* target);

  // Offers `key` to the parents, then asks the form for the next or previous control.
  // False when neither took it (no containing form): the caller's own handling follows.
  bool MoveFocus(toolkit::TKey key, bool previous);
  // One notch exactly moves the focus: toward the user next, away previous. Faster turns
  // (several notches in one message) move nothing.
  void Wheel(int distance);

  // Focus entry and exit around the control's own ones.
  void Entered() { focus_target_ = nullptr; }
  void Exited();

 private:
  static void Store(toolkit::TComponentRef<toolkit::TControl>& ref, toolkit::TControl* control) {
    if (ref.Stored() != control || ref.Get() != control) ref = control;
  }

  toolkit::TControl& self_;
  toolkit::TComponentRef<toolkit::TControl> tab_stop_enter_;
  toolkit::TComponentRef<toolkit::TControl> tab_stop_up_;
  toolkit::TComponentRef<toolkit::TControl> tab_stop_down_;
  toolkit::TComponentRef<toolkit::TControl> focus_target_;
};

}  // namespace kestrum::lib
