// The unattended run: the start timer shows the progress window, synchronises the clock once
// and closes the program a second later.
#include "app/command_line.h"
#include "app/kestrum1.h"
#include "platform/wait.h"

namespace kestrum::app {
namespace {

// The last status stays readable this long before the program ends.
constexpr uint32_t kClosingPauseMs = 1000;

}  // namespace

void TKestrumForm::TimerTimer() {
  Timer->SetEnabled(false);
  progress_->Present(progress_color);
  toolkit::Application().ProcessMessages();
  btn_syncClick();
  // An elevated run started from the main window reads the outcome from here.
  switch (last_report_) {
    case TCorrectionReport::kNoTime:
      exit_code_ = kExitCannotObtain;
      break;
    case TCorrectionReport::kRefused:
      exit_code_ = kExitCannotCorrect;
      break;
    default:
      exit_code_ = kExitDone;
  }
  EnableControls(false);
  platform::SleepChecking(services_.ticks, kClosingPauseMs, WaitHook());
  Close();
}

}  // namespace kestrum::app
