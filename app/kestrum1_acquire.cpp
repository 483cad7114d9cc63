// The acquisition sequence: wait for the network, then ask servers one after another (SNTP
// first, the Time protocol as fallback) until one gives a plausible time.
#include <cmath>
#include <string>

#include "app/kestrum1.h"
#include "app/kestrum2.h"
#include "app/servers.h"
#include "app/status_texts.h"
#include "lib/libadd_number.h"
#include "platform/clock.h"
#include "toolkit/dateformat.h"

namespace kestrum::app {
namespace {

// The platform's own connectivity check: reachable means the network is up.
constexpr char kProbeAddress[] = "http://www.msftconnecttest.com/connecttest.txt";
constexpr int kMaxFailedProbes = 99;
constexpr uint32_t kProbePauseMs = 500;
constexpr int kMaxAttempts = 13;
constexpr uint32_t kFailedAttemptPauseMs = 1000;
// Server times are shown nine hours ahead of UTC, whatever the computer's time zone.
constexpr lib::TDateTime kDisplayShift = 0.375;
constexpr double kHundredthsPerDay = lib::kSecsPerDay * 100;
// Shifted server times whose text sorts before this are rejected.
constexpr char kEarliestPlausibleDate[] = "2000/01/01";
constexpr char kTimeServerKey[] = "TimeServer";

constexpr char kConnectingInternet[] = "インターネット接続中です";
constexpr char kWaitingInternet[] = "インターネット接続待ち(";
constexpr char kConnectingServer[] = "タイムサーバ接続中です";
constexpr char kSearchingServer[] = "タイムサーバを検索します(";
constexpr char kObtainedSntp[] = "時刻を取得しました.";
constexpr char kObtainedTime[] = "時刻を取得しました..";
constexpr char kInterrupted[] = "中断しました";

lib::TDateTime LocalNow(platform::TClockPort& clock) {
  return lib::SystemTimeToDateTime(clock.GetLocalTime());
}

std::string Numbered(const char* text, int n) { return text + std::to_string(n) + ")"; }

// Whole seconds cut toward zero, "-" only for a real negative number of seconds.
std::string OffsetText(double offset_hundredths) {
  const long double seconds = lib::TruncateDigits(offset_hundredths / 100.0L, 0);
  return "誤差 " + std::to_string(static_cast<long long>(seconds)) + " 秒";
}

}  // namespace

void TKestrumForm::btn_getClick() {
  EnableControls(false);
  SetCancelEnabled(true);
  ShowStatus(kConnectingInternet);
  int attempt = 0;
  WaitForNetwork(attempt);
  SetCancelEnabled(false);
  ShowStatus(kConnectingServer);
  RunServerAttempts(attempt);
  EnableControls(true);
  if (!unattended) btn_get->SetFocus();
  if (cancel_flag) {
    ShowStatus(kInterrupted);
    cancel_flag = false;
  }
}

void TKestrumForm::ShowStatus(const std::string& text) {
  StatusBar->SetPanelText(0, text);
  if (cmd_form_ != nullptr) cmd_form_->LibPanel3->SetCaption(text);
  lib::Application().ProcessMessages();
}

void TKestrumForm::SetCancelEnabled(bool enabled) {
  if (cmd_form_ != nullptr) cmd_form_->CancelBtn->SetEnabled(enabled);
}

void TKestrumForm::WaitForNetwork(int& attempt) {
  attempt = 0;
  while (!ProbeInternet(kProbeAddress) && !cancel_flag) {
    ++attempt;
    if (attempt >= kMaxFailedProbes) cancel_flag = true;
    ShowStatus(Numbered(kWaitingInternet, attempt));
    Clock().Sleep(kProbePauseMs);
  }
}

void TKestrumForm::RunServerAttempts(int& attempt) {
  attempt = 0;
  while (attempt < kMaxAttempts && !cancel_flag) {
    ++attempt;
    RunOneAttempt(attempt);
  }
}

void TKestrumForm::RunOneAttempt(int& attempt) {
  if (edt_hostname->Text().empty()) edt_hostname->SetText(Server(1));
  const std::string host = edt_hostname->Text();
  const std::string next = NextServer(host);
  edt_hostbox->SetItemIndex(edt_hostbox->IndexOf(host));
  if (cmd_form_ != nullptr) cmd_form_->LibPanel4->SetCaption(host);
  lib::Application().ProcessMessages();

  bool use_sntp = sntp_enabled;
  bool use_time = rfc868_enabled;
  std::string error_text;
  if (use_sntp) {
    error_text = QuerySntp(host, next, attempt);
    if (error_text.empty()) use_time = false;
  }
  if (use_time) error_text = QueryTimeProtocol(host, next, attempt);
  if (!error_text.empty()) ReportFailedAttempt(next, error_text);
}

std::string TKestrumForm::QuerySntp(const std::string& host, const std::string& next,
                                    int& attempt) {
  const std::string failed = Numbered(kSearchingServer, attempt);
  try {
    WriteTimeServer(next);
    sntp->SetTargetHost(host);
    if (!sntp->QueryServerTime()) return failed;
  } catch (...) {
    return failed;
  }
  return Evaluate(sntp->NTPTime(), kObtainedSntp, attempt);
}

std::string TKestrumForm::QueryTimeProtocol(const std::string& host, const std::string& next,
                                            int& attempt) {
  const std::string failed = Numbered(kSearchingServer, attempt);
  try {
    const lib::TDateTime t0 = LocalNow(Clock());
    WriteTimeServer(next);
    time->SetHostname(host);
    time->FetchTime();
    const double seconds = (t0 - LocalNow(Clock())) * lib::kSecsPerDay;
    // An answer that took a second or more is no measure of the present.
    if (!(seconds > -1 && seconds < 1)) return failed;
  } catch (...) {
    return failed;
  }
  return Evaluate(time->ServerTime(), kObtainedTime, attempt);
}

std::string TKestrumForm::Evaluate(lib::TDateTime server_time, const std::string& success_text,
                                   int& attempt) {
  try {
    lib::Application().ProcessMessages();
    edt_time->SetText(lib::DateTimeToText(server_time + kDisplayShift));
    if (edt_time->Text() < kEarliestPlausibleDate) return kCannotObtain;
    offset_hundredths =
        std::nearbyint((server_time + kDisplayShift - LocalNow(Clock())) * kHundredthsPerDay);
    edt_offset->SetText(OffsetText(offset_hundredths));
    ShowStatus(success_text);
    WriteTimeServer(edt_hostname->Text());
    attempt = kMaxAttempts;
  } catch (...) {
    return kCannotObtain;
  }
  return "";
}

void TKestrumForm::ReportFailedAttempt(const std::string& next, const std::string& error_text) {
  edt_hostname->SetText(next);
  edt_time->SetText("");
  edt_offset->SetText("");
  offset_hundredths = 0;
  StatusBar->SetPanelText(0, error_text);
  if (cmd_form_ != nullptr) {
    cmd_form_->LibPanel3->SetCaption(error_text);
    cmd_form_->CancelBtn->SetEnabled(true);
  }
  lib::Application().ProcessMessages();
  Clock().Sleep(kFailedAttemptPauseMs);
}

void TKestrumForm::WriteTimeServer(const std::string& host) {
  settings->WriteString(Caption(), kTimeServerKey, host);
}

}  // namespace kestrum::app
