#include "lib/libcbox.h"

#include "lib/libstyle.h"

namespace kestrum::lib {
namespace {

// Item height = h + (h - 16) / 2 + 2 for a font h pixels high.
constexpr int kItemHeightBase = 16;
constexpr int kItemHeightPadding = 2;

}  // namespace

TLibCBox::TLibCBox(toolkit::TComponent* owner, toolkit::TWinControl* parent)
    : toolkit::TComboBox(owner, parent), TLibNavigation(static_cast<toolkit::TControl&>(*this)) {
  SetOriginalStyle(true);
  SetFocusTarget(nullptr);
}

void TLibCBox::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (value) ApplyHouseStyle();
}

void TLibCBox::ApplyHouseStyle() {
  SetColor(toolkit::clWindow);
  SetFont(house::Font(Font(), toolkit::clWindowText, Font().bold));
  house::SetHeight(*this, house::kHeight);
  SetParentColor(false);
  house::SetWidth(*this, house::kComboWidth);
  const int h = -Font().height;
  SetItemHeight(h + (h - kItemHeightBase) / 2 + kItemHeightPadding);
  SetStyle(toolkit::TComboBoxStyle::csOwnerDrawVariable);
}

void TLibCBox::SetTabStopClose(toolkit::TControl* control) {
  if (tab_stop_close_.Stored() != control || tab_stop_close_.Get() != control) {
    tab_stop_close_ = control;
  }
}

void TLibCBox::DoEnter() {
  toolkit::TComboBox::DoEnter();
  Entered();
}

void TLibCBox::DoExit() {
  toolkit::TComboBox::DoExit();
  Exited();
}

bool TLibCBox::WantsKey(toolkit::TKey key) const {
  return key == toolkit::kVkReturn || key == toolkit::kVkUp || key == toolkit::kVkDown;
}

bool TLibCBox::KeyDownNotify(toolkit::TKey& key, toolkit::TShiftState shift) {
  bool previous = false;
  // The open list takes Enter and the arrows itself: they pick an entry there.
  if (DroppedDown() &&
      (key == toolkit::kVkReturn || key == toolkit::kVkUp || key == toolkit::kVkDown)) {
    return toolkit::TComboBox::KeyDownNotify(key, shift);
  }
  switch (key) {
    case toolkit::kVkSpace:
      SetDroppedDown(true);
      return toolkit::TComboBox::KeyDownNotify(key, shift);
    case toolkit::kVkReturn:
    case toolkit::kVkUp:
    case toolkit::kVkDown:
      AimAt(NamedTarget(key));
      previous = key == toolkit::kVkUp;
      break;
    default:
      return toolkit::TComboBox::KeyDownNotify(key, shift);
  }
  if (!MoveFocus(key, previous)) return toolkit::TComboBox::KeyDownNotify(key, shift);
  // Not consumed: the box's own window still moves its selection, which Command undoes.
  return false;
}

void TLibCBox::MouseWheel(int distance, toolkit::TShiftState shift) {
  Wheel(distance);
  toolkit::TComboBox::MouseWheel(distance, shift);
}

void TLibCBox::Command(int code) {
  switch (code) {
    case toolkit::kCbnSelChange:
      if (!DroppedDown()) SetItemIndex(saved_item_index_);
      break;
    case toolkit::kCbnSetFocus:
      saved_item_index_ = ItemIndex();
      break;
    case toolkit::kCbnCloseUp:
      if (toolkit::TControl* target = Focusable(TabStopClose())) {
        SetFocusTarget(target);
        target->SetFocus();
        return;
      }
      break;
    case toolkit::kCbnSelEndOk:
      if (DroppedDown()) {
        saved_item_index_ = ItemIndex();
        return;
      }
      break;
    default:
      break;
  }
  toolkit::TComboBox::Command(code);
}

}  // namespace kestrum::lib
