// The main window's description: its controls with their geometry, fonts and captions.
#include "app/kestrum1.h"

namespace kestrum::app {
namespace {

constexpr int kClientWidth = 311;
constexpr int kClientHeight = 172;
constexpr int kHostListVisibleItems = 15;
constexpr int kHostListItemHeight = 16;
constexpr int kStartTimeItemHeight = 12;
constexpr int kStartTimeMaxSeconds = 30;
constexpr int kStatusPanelWidth = 50;
// Designed interval of the start timer; an unattended start replaces it.
constexpr uint32_t kDesignedTimerInterval = 10000;

toolkit::TFont MakeFont(const char* name, int height, toolkit::TColor color) {
  return toolkit::TFont{name, height, color, true, toolkit::TFontCharset::ShiftJis};
}

const toolkit::TFont kGothic15 = MakeFont("ＭＳ ゴシック", -15, toolkit::clWindowText);
const toolkit::TFont kCaptionFont = MakeFont("ＭＳ ゴシック", -15, toolkit::clBlue);
const toolkit::TFont kSmallMaroon = MakeFont("ＭＳ ゴシック", -12, toolkit::clMaroon);
const toolkit::TFont kHostFont = MakeFont("ＭＳ ゴシック", -16, toolkit::clFuchsia);
const toolkit::TFont kBoxFont = MakeFont("ＭＳ Ｐゴシック", -16, toolkit::clWindowText);
const toolkit::TFont kStartTimeFont = MakeFont("ＭＳ ゴシック", -12, toolkit::clWindowText);

void PlaceCaption(TLibLabel* label, int top, const char* caption) {
  label->SetOriginalStyle(false);
  label->SetBounds(5, top, 60, 15);
  label->SetFont(kCaptionFont);
  label->SetCaption(caption);
  label->SetAlignment(toolkit::TAlignment::taCenter);
  label->SetLayout(toolkit::TTextLayout::tlCenter);
  label->SetAutoSize(false);
}

void PlaceBox(TLibEdit* edit, int top, int width, const toolkit::TFont& font, int tab_order) {
  edit->SetBounds(72, top, width, 24);
  edit->SetFont(font);
  edit->SetEditType(lib::TEditType::Strin);
  edit->SetExitMode(lib::TExitMode::None);
  edit->SetEnteringCursorTop(false);
  edit->SetCtl3D(true);
  edit->SetImeMode(lib::TImeMode::imClose);
  edit->SetTabOrder(tab_order);
}

void PlaceDisplayBox(TLibEdit* edit, int top, int tab_order) {
  PlaceBox(edit, top, 234, kBoxFont, tab_order);
  edit->SetReadOnly(true);
  edit->SetEnabled(false);
}

void PlaceButton(TLibBtBtn* button, int left, const char* caption, int tab_order) {
  button->SetBounds(left, 95, 90, 30);
  button->SetCaption(caption);
  button->SetTabOrder(tab_order);
}

void PlaceSmallLabel(TLibLabel* label, int left, int width, const char* caption,
                     toolkit::TAlignment alignment) {
  label->SetOriginalStyle(false);
  label->SetBounds(left, 133, width, 15);
  label->SetFont(kSmallMaroon);
  label->SetCaption(caption);
  label->SetAlignment(alignment);
  label->SetLayout(toolkit::TTextLayout::tlCenter);
  label->SetAutoSize(false);
}

std::vector<std::string> StartTimeEntries() {
  std::vector<std::string> entries{""};
  for (int s = 1; s <= kStartTimeMaxSeconds; ++s) entries.push_back(std::to_string(s));
  return entries;
}

}  // namespace

void TKestrumForm::CreateControls() {
  SetCaption("Kestrum");
  SetClientSize(kClientWidth, kClientHeight);
  SetBorderStyle(toolkit::TFormBorderStyle::bsSingle);
  SetBorderIcons({true, false, false});
  SetPosition(toolkit::TPosition::poScreenCenter);
  SetColor(toolkit::clBtnFace);
  SetFont(kGothic15);

  // Creation order decides what lies on top: the host-name edit covers the list's left part.
  lbl_host = Make<TLibLabel>("lbl_host", this);
  PlaceCaption(lbl_host, 12, "サーバ");
  lbl_time = Make<TLibLabel>("lbl_time", this);
  PlaceCaption(lbl_time, 39, "時 刻");
  lbl_offset = Make<TLibLabel>("lbl_offset", this);
  PlaceCaption(lbl_offset, 66, "誤 差");
  LibLabel1 = Make<TLibLabel>("LibLabel1", this);
  PlaceSmallLabel(LibLabel1, 125, 172, "秒後に、自動時刻設定する",
                  toolkit::TAlignment::taLeftJustify);
  LibLabel2 = Make<TLibLabel>("LibLabel2", this);
  PlaceSmallLabel(LibLabel2, 14, 55, "起動時", toolkit::TAlignment::taRightJustify);

  edt_hostbox = Make<TLibCBox>("edt_hostbox", this);
  edt_hostbox->SetBounds(72, 7, 234, 24);
  edt_hostbox->SetFont(kBoxFont);
  edt_hostbox->SetStyle(toolkit::TComboBoxStyle::csDropDownList);
  edt_hostbox->SetDropDownCount(kHostListVisibleItems);
  edt_hostbox->SetItemHeight(kHostListItemHeight);
  edt_hostbox->SetTabOrder(7);
  edt_hostbox->OnChange = [this] { edt_hostboxChange(); };

  edt_hostname = Make<TLibEdit>("edt_hostname", this, services_.clock);
  PlaceBox(edt_hostname, 8, 215, kHostFont, 0);
  edt_hostbox->SetTabStopClose(edt_hostname);
  edt_time = Make<TLibEdit>("edt_time", this, services_.clock);
  PlaceDisplayBox(edt_time, 35, 1);
  edt_time->SetHint("Local time");
  edt_time->SetShowHint(true);
  btn_get = Make<TLibBtBtn>("btn_get", this);
  PlaceButton(btn_get, 15, "時刻取得", 3);
  btn_get->OnClick = [this] { btn_getClick(); };
  btn_set = Make<TLibBtBtn>("btn_set", this);
  PlaceButton(btn_set, 111, "誤差設定", 4);
  btn_set->OnClick = [this] { btn_setClick(); };
  edt_offset = Make<TLibEdit>("edt_offset", this, services_.clock);
  PlaceDisplayBox(edt_offset, 62, 2);
  btn_sync = Make<TLibBtBtn>("btn_sync", this);
  PlaceButton(btn_sync, 207, "同　期", 5);
  btn_sync->OnClick = [this] { btn_syncClick(); };

  StatusBar = Make<toolkit::TStatusBar>("StatusBar", this);
  StatusBar->SetBounds(0, 153, kClientWidth, 19);
  StatusBar->AddPanel(kStatusPanelWidth);
  StatusBar->SetSizeGrip(false);

  StartTime = Make<toolkit::TComboBox>("StartTime", this);
  StartTime->SetBounds(73, 130, 49, 20);
  StartTime->SetFont(kStartTimeFont);
  StartTime->SetStyle(toolkit::TComboBoxStyle::csDropDownList);
  StartTime->SetItemHeight(kStartTimeItemHeight);
  StartTime->SetTabStop(false);
  StartTime->SetTabOrder(8);
  StartTime->SetItems(StartTimeEntries());
  StartTime->OnChange = [this] { StartTimeChange(); };

  time = services_.make_time();
  Timer = Make<toolkit::TTimer>("Timer");
  Timer->SetEnabled(false);
  Timer->SetInterval(kDesignedTimerInterval);
  Timer->OnTimer = [this] { TimerTimer(); };
}

}  // namespace kestrum::app
