#pragma once
// The main window: server choice, time and offset display, and the buttons whose handlers run
// the acquisition (app/acquisition.h) and the correction (app/correction.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/acquisition.h"
#include "app/correction.h"
#include "app/kestrum_services.h"
#include "app/lib_controls.h"
#include "app/progress_window.h"
#include "app/settings_file.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::app {

class TKestrumForm : public toolkit::TForm {
 public:
  explicit TKestrumForm(TKestrumServices services);
  ~TKestrumForm() override;

  // Controls, in creation order of the window description's field list.
  TLibLabel* lbl_host;
  TLibEdit* edt_hostname;
  TLibLabel* lbl_time;
  TLibEdit* edt_time;
  TLibBtBtn* btn_get;
  TLibBtBtn* btn_set;
  TLibLabel* lbl_offset;
  TLibEdit* edt_offset;
  TLibBtBtn* btn_sync;
  toolkit::TStatusBar* StatusBar;
  std::unique_ptr<TTimeQuery> time;
  toolkit::TTimer* Timer;
  TLibCBox* edt_hostbox;
  TLibLabel* LibLabel1;
  toolkit::TComboBox* StartTime;
  TLibLabel* LibLabel2;

  void FormCreate();
  void FormShow();
  void FormCloseQuery(bool& can_close);
  void FormDestroy();
  void EnableControls(bool enabled);
  void edt_hostboxChange();
  void btn_getClick();
  void btn_setClick();
  void btn_syncClick();
  // The user picked a delay (or the empty entry) in StartTime.
  void StartTimeChange();
  void CreateStartupShortcut(const std::string& target, const std::string& arguments,
                             const std::string& name, int folder_id);
  void DeleteStartupShortcut(const std::string& target, const std::string& name, int folder_id);
  // After a delay was picked: a logon run that could not set the clock is offered the logon
  // task (administrators) or the right (standard accounts). `delay_ms` as the switch takes it.
  void ArrangeLogonRun(const std::string& target, const std::string& delay_ms,
                       const std::string& name);
  // After the empty entry was picked: the logon task goes too.
  void RemoveLogonTask(const std::string& name);
  // The start timer of an unattended run: progress window, synchronise, close.
  void TimerTimer();

  // The progress window that mirrors status and host texts; until one is attached, none.
  void AttachProgressWindow(TProgressWindow& window) { progress_ = &window; }
  // Stops the running sequence at its next loop test.
  void RequestCancel() { cancel_flag = true; }
  // Shows the error that the create handler kept back, if any. Called once the progress window
  // is attached: the start timer may fire inside the report's own message loop, and the run
  // needs that window and its cancel button.
  void ReportStartupError();
  // The exit code of the run (app/command_line.h).
  int ExitCode() const { return exit_code_; }

 private:
  // How tests and the benchmark read the state below (tests/app/kestrum_form_test_peer.h).
  friend class TKestrumFormTestPeer;

  // The controls as the acquisition and the correction see them.
  class TView final : public TAcquisitionView, public TCorrectionView {
   public:
    explicit TView(TKestrumForm& form) : form_(form) {}
    std::string HostText() const override;
    void SetHostText(const std::string& host) override;
    void SelectHost(const std::string& host) override;
    std::string TimeText() const override;
    void SetTimeText(const std::string& text) override;
    std::string OffsetText() const override;
    void SetOffsetText(const std::string& text) override;
    void ShowStatus(const std::string& text) override;

   private:
    TKestrumForm& form_;
  };

  void CreateControls();
  void ApplyCommandLine();
  void EnterUnattendedMode(const std::string& delay);
  std::string Argument(size_t index) const;

  // The status line of both windows; then a pump.
  void ShowStatus(const std::string& text);
  // What long waits call between their slices: the application's message check.
  static platform::TWaitHook WaitHook();
  // Tells the user, once per run and after the handler that wrote, that the settings file
  // cannot be written.
  void ReportSettingsFailure();

  enum class TStepResult { kDone, kRefused, kFailed };
  // One administrator's step: in this process when it holds the right to set the clock,
  // otherwise by an elevated run of this program with `switch_text` and `argument`.
  TStepResult AdministrativeStep(const std::string& switch_text, const std::string& argument,
                                 const std::function<bool()>& in_process);
  void RegisterLogonTask(const std::string& target, const std::string& delay_ms,
                         const std::string& name);
  void OfferClockRight();
  // 誤差設定 refused in an administrator's filtered run: synchronise once elevated.
  void OfferElevatedSync();

  TKestrumServices services_;
  TView view_{*this};
  // The conversion error of the colour argument, kept for ReportStartupError; empty: none.
  std::string startup_error_;
  TNoProgressWindow no_progress_;
  TProgressWindow* progress_ = &no_progress_;

  // Hundredths of a second, a whole number; positive: the local clock is behind the server.
  double offset_hundredths = 0;
  std::unique_ptr<TSettingsFile> settings;
  std::string exe_dir;  // UTF-8
  bool cancel_flag = false;
  bool unattended = false;
  TCorrectionReport last_report_ = TCorrectionReport::kNoTime;
  int exit_code_ = 0;
  toolkit::TColor progress_color = 0;
  std::unique_ptr<TSntpQuery> sntp;
  // After start-up at least one of the two is set.
  bool sntp_enabled = false;
  bool rfc868_enabled = false;
};

}  // namespace kestrum::app
