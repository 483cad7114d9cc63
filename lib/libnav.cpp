#include "lib/libnav.h"

namespace kestrum::lib {

TControl* TLibNavigation::Focusable(TControl* target) {
  return target != nullptr && target->CanFocus() ? target : nullptr;
}

bool TLibNavigation::AimAt(TControl* target) {
  TControl* usable = Focusable(target);
  if (usable != nullptr) focus_target_ = usable;
  return usable != nullptr;
}

bool TLibNavigation::MoveFocus(TKey key, bool previous) {
  if (self_.QueryChildKey(key)) return true;
  return self_.FocusNextControl(previous);
}

void TLibNavigation::Wheel(int distance) {
  if (distance == -kWheelDelta) self_.FocusNextControl(false);
  if (distance == kWheelDelta) self_.FocusNextControl(true);
}

void TLibNavigation::Exited() {
  TControl* target = focus_target_.Get();
  // Used once: a later exit without a new key goes nowhere special.
  focus_target_ = nullptr;
  if (target != nullptr) target->SetFocus();
}

}  // namespace kestrum::lib
