#include "lib/liblabel_panel.h"

#include "lib/libstyle.h"

namespace kestrum::lib {

void TLibLabel::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (!value) return;
  SetAlignment(toolkit::TAlignment::taCenter);
  SetAutoSize(false);
  SetColor(toolkit::clBlue);
  SetFont(house::Font(Font(), toolkit::clWhite, true));
  house::SetHeight(*this, house::kHeight);
  SetLayout(toolkit::TTextLayout::tlCenter);
}

TLibPanel::TLibPanel(toolkit::TComponent* owner, toolkit::TWinControl* parent)
    : toolkit::TPanel(owner, parent) {
  SetOriginalStyle(true);
}

void TLibPanel::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (!value) return;
  SetColor(toolkit::clMenu);
  SetCtl3D(false);
  SetFont(house::Font(Font(), toolkit::clWindowText, true));
  house::SetHeight(*this, house::kHeight);
  SetParentCtl3D(false);
  house::SetWidth(*this, house::kPanelWidth);
}

}  // namespace kestrum::lib
