#include "lib/liblabel_panel.h"

#include "lib/libstyle.h"

namespace kestrum::lib {

void TLibLabel::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (!value) return;
  SetAlignment(TAlignment::taCenter);
  SetAutoSize(false);
  SetColor(clBlue);
  SetFont(house::Font(Font(), clWhite, true));
  house::SetHeight(*this, house::kHeight);
  SetLayout(TTextLayout::tlCenter);
}

TLibPanel::TLibPanel(TComponent* owner, TWinControl* parent) : TPanel(owner, parent) {
  SetOriginalStyle(true);
}

void TLibPanel::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (!value) return;
  SetColor(clMenu);
  SetCtl3D(false);
  SetFont(house::Font(Font(), clWindowText, true));
  house::SetHeight(*this, house::kHeight);
  SetParentCtl3D(false);
  house::SetWidth(*this, house::kPanelWidth);
}

}  // namespace kestrum::lib
