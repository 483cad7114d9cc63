// What the edit control paints itself while it has no focus.
#include "lib/libedit.h"

namespace kestrum::lib {
namespace {

// Between the outer edge and the text: none without a border, the 3-D edge, or a flat frame.
constexpr int kNoBorderOffset = 0;
constexpr int kCtl3DOffset = 1;
constexpr int kFlatOffset = 2;

}  // namespace

TLibEdit::TLook TLibEdit::UnfocusedLook() {
  // The first painting takes the colour the field has then as its normal colour.
  if (!canvas_made_) {
    canvas_made_ = true;
    normal_color_ = Color();
  }
  SetColor(normal_color_);
  if (field_ != nullptr && field_->IsNumeric() && !using_text_.empty()) {
    // Zero groups of a digit-group field show empty.
    field_->SetDisplayFormat(edit_type_ == TEditType::StrinNo ? using_text_ + ";#;#" : using_text_);
  }
  TLook look;
  look.text = NormalizeText(Text());
  if (password_char_ != '\0') look.text.assign(look.text.size(), password_char_);
  look.text_color = EffectiveFont().color;
  look.background = normal_color_;
  if (!Enabled()) {
    look.text_color = kDisabledFontColor;
    look.background = kDisabledColor;
  }
  look.border_offset = border_style_ == toolkit::TBorderStyle::bsNone ? kNoBorderOffset
                       : ctl3d_                                       ? kCtl3DOffset
                                                                      : kFlatOffset;
  look.frame = !ctl3d_ && border_style_ == toolkit::TBorderStyle::bsSingle;
  return look;
}

void TLibEdit::PaintedFocused() {
  if (entering_cursor_top_ && just_entered_ && alignment_ != toolkit::TAlignment::taLeftJustify) {
    SetSelection(0, 0);
  }
  RedrawCaret(true);
  SetColor(enter_color_);
}

int TLibEdit::TextLeft(toolkit::TAlignment alignment, int client_width, int text_width,
                       int left_margin) {
  switch (alignment) {
    case toolkit::TAlignment::taRightJustify:
      return client_width - text_width - left_margin - 1;
    case toolkit::TAlignment::taCenter:
      return (client_width - text_width) / 2;
    case toolkit::TAlignment::taLeftJustify:
      break;
  }
  return left_margin;
}

}  // namespace kestrum::lib
