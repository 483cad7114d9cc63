// The handler of 時刻取得 and the controls as the acquisition sees them.
#include <string>

#include "app/acquisition.h"
#include "app/kestrum1.h"

namespace kestrum::app {
namespace {

constexpr char kInterrupted[] = "中断しました";

}  // namespace

void TKestrumForm::btn_getClick() {
  EnableControls(false);
  TAcquisition acquisition(view_, *progress_, *settings, Caption(), *sntp, *time, services_.clock,
                           services_.ticks, services_.probe, WaitHook());
  const TAcquisitionResult result =
      acquisition.Run({.sntp = sntp_enabled, .rfc868 = rfc868_enabled}, cancel_flag);
  if (result.asked) offset_hundredths = result.offset_hundredths;
  EnableControls(true);
  if (!unattended) btn_get->SetFocus();
  if (cancel_flag) {
    ShowStatus(kInterrupted);
    cancel_flag = false;
  }
  ReportSettingsFailure();
}

platform::TWaitHook TKestrumForm::WaitHook() {
  return [] { toolkit::Application().CheckMessages(); };
}

void TKestrumForm::ShowStatus(const std::string& text) {
  view_.ShowStatus(text);
  progress_->ShowStatus(text);
  toolkit::Application().ProcessMessages();
}

std::string TKestrumForm::TView::HostText() const { return form_.edt_hostname->Text(); }

void TKestrumForm::TView::SetHostText(const std::string& host) {
  form_.edt_hostname->SetText(host);
}

void TKestrumForm::TView::SelectHost(const std::string& host) {
  form_.edt_hostbox->SetItemIndex(form_.edt_hostbox->IndexOf(host));
}

std::string TKestrumForm::TView::TimeText() const { return form_.edt_time->Text(); }

void TKestrumForm::TView::SetTimeText(const std::string& text) { form_.edt_time->SetText(text); }

std::string TKestrumForm::TView::OffsetText() const { return form_.edt_offset->Text(); }

void TKestrumForm::TView::SetOffsetText(const std::string& text) {
  form_.edt_offset->SetText(text);
}

void TKestrumForm::TView::ShowStatus(const std::string& text) {
  form_.StatusBar->SetPanelText(0, text);
}

}  // namespace kestrum::app
