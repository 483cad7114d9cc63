#pragma once
// The maker's label and panel: plain controls with the house style as an option.

#include "toolkit/ctl_stdctrls.h"

namespace kestrum::lib {

// The maker's label: constructed in the plain label look (OriginalStyle false).
class TLibLabel : public toolkit::TLabel {
 public:
  using toolkit::TLabel::TLabel;
  bool OriginalStyle() const { return original_style_; }
  void SetOriginalStyle(bool value);

 private:
  bool original_style_ = false;
};

// The maker's bevelled panel, in the house style from construction.
class TLibPanel : public toolkit::TPanel {
 public:
  TLibPanel(toolkit::TComponent* owner, toolkit::TWinControl* parent);
  bool OriginalStyle() const { return original_style_; }
  void SetOriginalStyle(bool value);

 private:
  bool original_style_ = false;
};

}  // namespace kestrum::lib
