#pragma once
// The main window: server choice, time and offset display, the buttons, and the acquisition
// sequence that reads the time from a server.

#include <cstdint>
#include <memory>
#include <string>

#include "app/kestrum_services.h"
#include "app/lib_controls.h"
#include "app/settings_file.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::app {

class TKestrumCmdForm;

class TKestrumForm : public lib::TForm {
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
  lib::TStatusBar* StatusBar;
  std::unique_ptr<TTimeQuery> time;
  lib::TTimer* Timer;
  TLibCBox* edt_hostbox;
  TLibLabel* LibLabel1;
  lib::TComboBox* StartTime;
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
  // The start timer of an unattended run: progress window, synchronise, close.
  void TimerTimer();
  // Write one half of the local clock record; false when the platform refuses.
  bool SetClockDate(uint16_t year, uint8_t month, uint8_t day);
  bool SetClockTime(uint8_t hour, uint8_t minute, uint8_t second, uint16_t millisecond);
  bool ProbeInternet(const std::string& address);

  // The progress window that mirrors status and host texts; set once it exists.
  void AttachCmdForm(TKestrumCmdForm* cmd_form) { cmd_form_ = cmd_form; }
  void RequestCancel() { cancel_flag = true; }

  // Read access for the other windows and for tests.
  double OffsetHundredths() const { return offset_hundredths; }
  const std::string& ExeDir() const { return exe_dir; }
  bool CancelFlag() const { return cancel_flag; }
  bool Unattended() const { return unattended; }
  lib::TColor ProgressColor() const { return progress_color; }
  bool SntpEnabled() const { return sntp_enabled; }
  bool Rfc868Enabled() const { return rfc868_enabled; }
  const TSntpQuery* Sntp() const { return sntp.get(); }

 private:
  platform::TClockPort& Clock() const { return services_.clock; }
  void CreateControls();
  void ApplyCommandLine();
  void EnterUnattendedMode(const std::string& delay);
  std::string Argument(size_t index) const;

  // Steps of the acquisition sequence.
  void ShowStatus(const std::string& text);
  void SetCancelEnabled(bool enabled);
  void WaitForNetwork(int& attempt);
  void RunServerAttempts(int& attempt);
  void RunOneAttempt(int& attempt);
  std::string QuerySntp(const std::string& host, const std::string& next, int& attempt);
  std::string QueryTimeProtocol(const std::string& host, const std::string& next, int& attempt);
  std::string Evaluate(lib::TDateTime server_time, const std::string& success_text, int& attempt);
  void ReportFailedAttempt(const std::string& next, const std::string& error_text);
  void WriteTimeServer(const std::string& host);

  TKestrumServices services_;
  TKestrumCmdForm* cmd_form_ = nullptr;

  // Hundredths of a second, a whole number; positive: the local clock is behind the server.
  double offset_hundredths = 0;
  std::unique_ptr<TSettingsFile> settings;
  std::string exe_dir;
  bool cancel_flag = false;
  bool unattended = false;
  lib::TColor progress_color = 0;
  std::unique_ptr<TSntpQuery> sntp;
  bool sntp_enabled = false;
  bool rfc868_enabled = false;
};

}  // namespace kestrum::app
