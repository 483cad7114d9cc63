#include "lib/libbtbtn.h"

#include "lib/libstyle.h"

namespace kestrum::lib {

TLibBtBtn::TLibBtBtn(toolkit::TComponent* owner, toolkit::TWinControl* parent)
    : toolkit::TButton(owner, parent), TLibNavigation(static_cast<toolkit::TControl&>(*this)) {
  SetOriginalStyle(true);
  SetFocusTarget(nullptr);
}

void TLibBtBtn::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (value) ApplyHouseStyle();
}

void TLibBtBtn::ApplyHouseStyle() {
  SetDefault(false);
  SetFont(house::Font(Font(), toolkit::clWindowText, true));
  house::SetHeight(*this, house::kHeight);
  SetParentFont(true);
}

void TLibBtBtn::DoEnter() {
  toolkit::TButton::DoEnter();
  Entered();
}

void TLibBtBtn::DoExit() {
  toolkit::TButton::DoExit();
  Exited();
}

bool TLibBtBtn::WantsKey(toolkit::TKey key) const {
  return key == toolkit::kVkReturn || key == toolkit::kVkUp || key == toolkit::kVkDown;
}

bool TLibBtBtn::KeyDownNotify(toolkit::TKey& key, toolkit::TShiftState shift) {
  SetFocusTarget(nullptr);
  bool previous = false;
  switch (key) {
    case toolkit::kVkReturn: {
      toolkit::TControl* target = TabStopEnter();
      if (target == nullptr) {
        Click();
        return false;
      }
      if (!target->CanFocus()) return toolkit::TButton::KeyDownNotify(key, shift);
      Click();
      SetFocusTarget(target);
      break;
    }
    case toolkit::kVkUp:
    case toolkit::kVkDown:
      AimAt(NamedTarget(key));
      previous = key == toolkit::kVkUp;
      break;
    default:
      return toolkit::TButton::KeyDownNotify(key, shift);
  }
  if (!MoveFocus(key, previous)) return toolkit::TButton::KeyDownNotify(key, shift);
  return false;
}

void TLibBtBtn::MouseWheel(int distance, toolkit::TShiftState shift) {
  Wheel(distance);
  toolkit::TButton::MouseWheel(distance, shift);
}

}  // namespace kestrum::lib
