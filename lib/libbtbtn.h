#pragma once
// The maker's push button: house style, Enter clicks it, Enter/Up/Down move the focus.

#include "lib/libnav.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::lib {

class TLibBtBtn : public TButton, public TLibNavigation {
 public:
  TLibBtBtn(TComponent* owner, TWinControl* parent);

  // Turning it on applies the house style; turning it off restores nothing.
  bool OriginalStyle() const { return original_style_; }
  void SetOriginalStyle(bool value);

  void Click() override { TButton::Click(); }
  void DoEnter() override;
  void DoExit() override;
  bool KeyDownNotify(TKey& key, TShiftState shift) override;
  bool WantsKey(TKey key) const override;
  void MouseWheel(int distance, TShiftState shift) override;

 private:
  void ApplyHouseStyle();

  bool original_style_ = false;
};

}  // namespace kestrum::lib
