#pragma once
// The progress window of an unattended run: title, host line, cancel button, status line.
// It is created hidden at start and mirrors the main window's status texts all the same.

#include <functional>
#include <string>

#include "app/lib_controls.h"
#include "app/progress_window.h"
#include "toolkit/ctl_form.h"

namespace kestrum::app {

class TKestrumCmdForm : public toolkit::TForm, public TProgressWindow {
 public:
  // `on_cancel` runs for each click of the cancel button; none: the button does nothing.
  explicit TKestrumCmdForm(std::function<void()> on_cancel);
  ~TKestrumCmdForm() override;

  TLibPanel* LibPanel1;
  TLibPanel* LibPanel3;  // status line
  TLibPanel* LibPanel2;  // title line
  TLibBtBtn* CancelBtn;
  TLibPanel* LibPanel4;  // host line

  void CancelBtnClick();

  void ShowStatus(const std::string& text) override;
  void ShowHost(const std::string& host) override;
  void EnableCancel(bool enabled) override;
  void Present(toolkit::TColor color) override;

 private:
  void CreateControls();
  std::function<void()> on_cancel_;
};

}  // namespace kestrum::app
