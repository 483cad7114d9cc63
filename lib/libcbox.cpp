#include "lib/libcbox.h"

#include "lib/libstyle.h"

namespace kestrum::lib {
namespace {

// Item height = h + (h - 16) / 2 + 2 for a font h pixels high.
constexpr int kItemHeightBase = 16;
constexpr int kItemHeightPadding = 2;

}  // namespace

TLibCBox::TLibCBox(TComponent* owner, TWinControl* parent)
    : TComboBox(owner, parent), TLibNavigation(static_cast<TControl&>(*this)) {
  SetOriginalStyle(true);
  SetFocusTarget(nullptr);
}

void TLibCBox::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (value) ApplyHouseStyle();
}

void TLibCBox::ApplyHouseStyle() {
  SetColor(clWindow);
  SetFont(house::Font(Font(), clWindowText, Font().bold));
  house::SetHeight(*this, house::kHeight);
  SetParentColor(false);
  house::SetWidth(*this, house::kComboWidth);
  const int h = -Font().height;
  SetItemHeight(h + (h - kItemHeightBase) / 2 + kItemHeightPadding);
  SetStyle(TComboBoxStyle::csOwnerDrawVariable);
}

void TLibCBox::SetTabStopClose(TControl* control) {
  if (tab_stop_close_.Stored() != control || tab_stop_close_.Get() != control) {
    tab_stop_close_ = control;
  }
}

void TLibCBox::DoEnter() {
  TComboBox::DoEnter();
  Entered();
}

void TLibCBox::DoExit() {
  TComboBox::DoExit();
  Exited();
}

bool TLibCBox::WantsKey(TKey key) const {
  return key == kVkReturn || key == kVkUp || key == kVkDown;
}

bool TLibCBox::KeyDownNotify(TKey& key, TShiftState shift) {
  bool previous = false;
  // The open list takes Enter and the arrows itself: they pick an entry there.
  if (DroppedDown() && (key == kVkReturn || key == kVkUp || key == kVkDown)) {
    return TComboBox::KeyDownNotify(key, shift);
  }
  switch (key) {
    case kVkSpace:
      SetDroppedDown(true);
      return TComboBox::KeyDownNotify(key, shift);
    case kVkReturn:
    case kVkUp:
    case kVkDown:
      AimAt(NamedTarget(key));
      previous = key == kVkUp;
      break;
    default:
      return TComboBox::KeyDownNotify(key, shift);
  }
  if (!MoveFocus(key, previous)) return TComboBox::KeyDownNotify(key, shift);
  // Not consumed: the box's own window still moves its selection, which Command undoes.
  return false;
}

void TLibCBox::MouseWheel(int distance, TShiftState shift) {
  Wheel(distance);
  TComboBox::MouseWheel(distance, shift);
}

void TLibCBox::Command(int code) {
  switch (code) {
    case kCbnSelChange:
      if (!DroppedDown()) SetItemIndex(saved_item_index_);
      break;
    case kCbnSetFocus:
      saved_item_index_ = ItemIndex();
      break;
    case kCbnCloseUp:
      if (TControl* target = Focusable(TabStopClose())) {
        SetFocusTarget(target);
        target->SetFocus();
        return;
      }
      break;
    case kCbnSelEndOk:
      if (DroppedDown()) {
        saved_item_index_ = ItemIndex();
        return;
      }
      break;
    default:
      break;
  }
  TComboBox::Command(code);
}

}  // namespace kestrum::lib
