#pragma once
// The maker's drop-down combo box: house style, and a selection that changes only through the
// open list, while Enter, Up and Down on the closed box move the focus instead.

#include "lib/libnav.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::lib {

class TLibCBox : public toolkit::TComboBox, public TLibNavigation {
 public:
  TLibCBox(toolkit::TComponent* owner, toolkit::TWinControl* parent);

  // Turning it on applies the house style; turning it off restores nothing.
  bool OriginalStyle() const { return original_style_; }
  void SetOriginalStyle(bool value);
  // Gets the focus when the list closes (if it can take it then).
  toolkit::TControl* TabStopClose() const { return tab_stop_close_.Get(); }
  void SetTabStopClose(toolkit::TControl* control);
  // The item index when the box got the focus or an entry was confirmed in the open list.
  int SavedItemIndex() const { return saved_item_index_; }

  void DoEnter() override;
  void DoExit() override;
  bool KeyDownNotify(toolkit::TKey& key, toolkit::TShiftState shift) override;
  bool WantsKey(toolkit::TKey key) const override;
  void MouseWheel(int distance, toolkit::TShiftState shift) override;
  void Command(int code) override;

 private:
  void ApplyHouseStyle();

  bool original_style_ = false;
  toolkit::TComponentRef<toolkit::TControl> tab_stop_close_;
  int saved_item_index_ = -1;
};

}  // namespace kestrum::lib
