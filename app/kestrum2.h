#pragma once
// The progress window of an unattended run: title, host line, cancel button, status line.
// It is created hidden at start and mirrors the main window's status texts all the same.

#include "app/lib_controls.h"
#include "toolkit/ctl_form.h"

namespace kestrum::app {

class TKestrumForm;

class TKestrumCmdForm : public lib::TForm {
 public:
  explicit TKestrumCmdForm(TKestrumForm& main_form);
  ~TKestrumCmdForm() override;

  TLibPanel* LibPanel1;
  TLibPanel* LibPanel3;  // status line
  TLibPanel* LibPanel2;  // title line
  TLibBtBtn* CancelBtn;
  TLibPanel* LibPanel4;  // host line

  void CancelBtnClick();

 private:
  void CreateControls();
  TKestrumForm& main_form_;
};

}  // namespace kestrum::app
