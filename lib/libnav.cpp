#include "lib/libnav.h"

namespace kestrum::lib {

toolkit::TControl* TLibNavigation::Focusable(toolkit::TControl* target) {
  return target != nullptr && target->CanFocus() ? target : nullptr;
}

bool TLibNavigation::AimAt(toolkit::TControl* target) {
  toolkit::TControl* usable = Focusable(target);
  if (usable != nullptr) focus_target_ = usable;
  return usable != nullptr;
}

bool TLibNavigation::MoveFocus(toolkit::TKey key, bool previous) {
  if (self_.QueryChildKey(key)) return true;
  return self_.FocusNextControl(previous);
}

void TLibNavigation::Wheel(int distance) {
  if (distance == -toolkit::kWheelDelta) self_.FocusNextControl(false);
  if (distance == toolkit::kWheelDelta) self_.FocusNextControl(true);
}

void TLibNavigation::Exited() {
  toolkit::TControl* target = focus_target_.Get();
  // Used once: a later exit without a new key goes nowhere special.
  focus_target_ = nullptr;
  if (target != nullptr) target->SetFocus();
}

}  // namespace kestrum::lib
