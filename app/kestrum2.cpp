#include "app/kestrum2.h"

#include <utility>

namespace kestrum::app {
namespace {

constexpr int kClientWidth = 263;
constexpr int kClientHeight = 99;

toolkit::TFont MakeFont(const char* name, int height, toolkit::TColor color, bool bold) {
  return toolkit::TFont{name, height, color, bold, toolkit::TFontCharset::ShiftJis};
}

void StyleLine(TLibPanel* panel, const toolkit::TFont& font, int tab_order) {
  panel->SetTabOrder(tab_order);
  panel->SetFont(font);
  panel->SetBevelOuter(toolkit::TBevelCut::bvNone);
  panel->SetCtl3D(false);
  panel->SetParentColor(true);
}

}  // namespace

TKestrumCmdForm::TKestrumCmdForm(std::function<void()> on_cancel)
    : toolkit::TForm(nullptr), on_cancel_(std::move(on_cancel)) {
  SetName("KestrumCmdForm");
  CreateControls();
}

TKestrumCmdForm::~TKestrumCmdForm() { DoDestroy(); }

void TKestrumCmdForm::CreateControls() {
  SetCaption("Kestrum");
  SetClientSize(kClientWidth, kClientHeight);
  SetBorderStyle(toolkit::TFormBorderStyle::bsNone);
  SetBorderIcons({false, false, false});
  SetFormStyle(toolkit::TFormStyle::fsStayOnTop);
  SetPosition(toolkit::TPosition::poScreenCenter);
  SetColor(toolkit::clPurple);
  SetFont(MakeFont("ＭＳ Ｐゴシック", -12, toolkit::clWindowText, false));

  LibPanel1 = Make<TLibPanel>("LibPanel1", this);
  LibPanel1->SetBounds(0, 0, kClientWidth, kClientHeight);
  LibPanel1->SetFont(MakeFont("ＭＳ Ｐゴシック", -16, toolkit::clBlue, true));
  LibPanel1->SetColor(toolkit::clYellow);
  LibPanel1->SetBevelInner(toolkit::TBevelCut::bvLowered);
  LibPanel1->SetBevelWidth(2);
  LibPanel1->SetBorderStyle(toolkit::TBorderStyle::bsSingle);
  LibPanel1->SetCtl3D(false);
  LibPanel1->SetTabOrder(0);

  LibPanel3 = Make<TLibPanel>("LibPanel3", LibPanel1);
  LibPanel3->SetBounds(5, 68, 251, 22);
  LibPanel3->SetCaption(" ");
  StyleLine(LibPanel3, MakeFont("ＭＳ ゴシック", -15, toolkit::clGreen, true), 0);

  LibPanel2 = Make<TLibPanel>("LibPanel2", LibPanel1);
  LibPanel2->SetBounds(5, 8, 251, 17);
  LibPanel2->SetCaption("Kestrum取得中");
  StyleLine(LibPanel2, MakeFont("ＭＳ Ｐゴシック", -19, toolkit::clBlue, true), 1);

  CancelBtn = Make<TLibBtBtn>("CancelBtn", LibPanel1);
  CancelBtn->SetBounds(93, 45, 74, 21);
  CancelBtn->SetCaption("中　止");
  CancelBtn->SetFont(MakeFont("ＭＳ Ｐゴシック", -13, toolkit::clBlack, true));
  CancelBtn->SetCursor(toolkit::TCursor::crHandPoint);
  CancelBtn->SetEnabled(false);
  CancelBtn->SetTabOrder(2);
  CancelBtn->OnClick = [this] { CancelBtnClick(); };

  LibPanel4 = Make<TLibPanel>("LibPanel4", LibPanel1);
  LibPanel4->SetBounds(5, 27, 251, 16);
  LibPanel4->SetCaption(" ");
  StyleLine(LibPanel4, MakeFont("ＭＳ Ｐゴシック", -15, toolkit::clRed, false), 3);
}

void TKestrumCmdForm::CancelBtnClick() {
  if (on_cancel_) on_cancel_();
}

void TKestrumCmdForm::ShowStatus(const std::string& text) { LibPanel3->SetCaption(text); }

void TKestrumCmdForm::ShowHost(const std::string& host) { LibPanel4->SetCaption(host); }

void TKestrumCmdForm::EnableCancel(bool enabled) { CancelBtn->SetEnabled(enabled); }

void TKestrumCmdForm::Present(toolkit::TColor color) {
  LibPanel1->SetColor(color);
  Show();
}

}  // namespace kestrum::app
