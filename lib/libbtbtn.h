#pragma once
// The maker's push button: house style, Enter clicks it, Enter/Up/Down move the focus.

#include "lib/libnav.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::lib {

class TLibBtBtn : public toolkit::TButton, public TLibNavigation {
 public:
  TLibBtBtn(toolkit::TComponent* owner, toolkit::TWinControl* parent);

  // Turning it on applies the house style; turning it off restores nothing.
  bool OriginalStyle() const { return original_style_; }
  void SetOriginalStyle(bool value);

  void Click() override { toolkit::TButton::Click(); }
  void DoEnter() override;
  void DoExit() override;
  bool KeyDownNotify(toolkit::TKey& key, toolkit::TShiftState shift) override;
  bool WantsKey(toolkit::TKey key) const override;
  void MouseWheel(int distance, toolkit::TShiftState shift) override;

 private:
  void ApplyHouseStyle();

  bool original_style_ = false;
};

}  // namespace kestrum::lib
