#include "lib/libbtbtn.h"

#include "lib/libstyle.h"

namespace kestrum::lib {

TLibBtBtn::TLibBtBtn(TComponent* owner, TWinControl* parent)
    : TButton(owner, parent), TLibNavigation(static_cast<TControl&>(*this)) {
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
  SetFont(house::Font(Font(), clWindowText, true));
  house::SetHeight(*this, house::kHeight);
  SetParentFont(true);
}

void TLibBtBtn::DoEnter() {
  TButton::DoEnter();
  Entered();
}

void TLibBtBtn::DoExit() {
  TButton::DoExit();
  Exited();
}

bool TLibBtBtn::WantsKey(TKey key) const {
  return key == kVkReturn || key == kVkUp || key == kVkDown;
}

bool TLibBtBtn::KeyDownNotify(TKey& key, TShiftState shift) {
  SetFocusTarget(nullptr);
  bool previous = false;
  switch (key) {
    case kVkReturn: {
      TControl* target = TabStopEnter();
      if (target == nullptr) {
        Click();
        return false;
      }
      if (!target->CanFocus()) return TButton::KeyDownNotify(key, shift);
      Click();
      SetFocusTarget(target);
      break;
    }
    case kVkUp:
    case kVkDown:
      AimAt(NamedTarget(key));
      previous = key == kVkUp;
      break;
    default:
      return TButton::KeyDownNotify(key, shift);
  }
  if (!MoveFocus(key, previous)) return TButton::KeyDownNotify(key, shift);
  return false;
}

void TLibBtBtn::MouseWheel(int distance, TShiftState shift) {
  Wheel(distance);
  TButton::MouseWheel(distance, shift);
}

}  // namespace kestrum::lib
