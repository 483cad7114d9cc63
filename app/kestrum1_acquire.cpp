// The acquisition sequence: wait for the network, then ask servers one after another (SNTP
// first, the Time protocol as fallback) until one gives a plausible time.
#include <cmath>
#include <string>
#include <utility>

#include "app/kestrum1.h"
#include "app/probe_address.h"
#include "app/servers.h"
#include "app/settings_file.h"
#include "app/status_texts.h"
#include "lib/libadd_number.h"
#include "platform/clock.h"
#include "toolkit/dateformat.h"

namespace kestrum::app {
namespace {

// After this many failed probes the sequence ends as interrupted.
constexpr int kMaxFailedProbes = 99;
constexpr uint32_t kProbePauseMs = 500;
constexpr int kMaxAttempts = 13;
constexpr uint32_t kFailedAttemptPauseMs = 1000;
// A Time protocol answer that took this long or longer is no measure of the present.
constexpr uint32_t kMaxTimeAnswerMs = 1000;
// Server times are shown nine hours ahead of UTC, whatever the computer's time zone.
constexpr base::TDateTime kDisplayShift = 0.375;
constexpr long double kHundredthsPerSecond = 100;
constexpr double kHundredthsPerDay = base::kSecsPerDay * kHundredthsPerSecond;
// Shifted server times whose text sorts before this are rejected.
constexpr char kEarliestPlausibleDate[] = "2000/01/01";

constexpr char kConnectingInternet[] = "インターネット接続中です";
constexpr char kWaitingInternet[] = "インターネット接続待ち(";
constexpr char kConnectingServer[] = "タイムサーバ接続中です";
constexpr char kSearchingServer[] = "タイムサーバを検索します(";
constexpr char kInterrupted[] = "中断しました";

base::TDateTime LocalNow(platform::TClockPort& clock) {
  return base::SystemTimeToDateTime(clock.GetLocalTime());
}

std::string Numbered(const char* text, int n) { return text + std::to_string(n) + ")"; }

// Whole seconds cut toward zero, "-" only for a real negative number of seconds.
std::string OffsetText(double offset_hundredths) {
  const long double seconds = lib::TruncateDigits(offset_hundredths / kHundredthsPerSecond, 0);
  return "誤差 " + std::to_string(static_cast<long long>(seconds)) + " 秒";
}

}  // namespace

// One server attempt: its number (1 to 13), the host asked and the one to try after it.
struct TKestrumForm::TServerAttempt {
  int number;
  std::string host;
  std::string next;
};

// How a query, and so the attempt, ended: the time obtained or not, with the status text that
// says so (a success's is shown by the evaluation, a failure's by the failed attempt's report).
struct TKestrumForm::TAttemptOutcome {
  static TAttemptOutcome Obtained(std::string text) { return {true, std::move(text)}; }
  static TAttemptOutcome Failed(std::string text) { return {false, std::move(text)}; }
  // The failure of a query that got no usable answer from the server.
  static TAttemptOutcome NoAnswer(const TServerAttempt& attempt) {
    return Failed(Numbered(kSearchingServer, attempt.number));
  }

  bool obtained;
  std::string status_text;
};

void TKestrumForm::btn_getClick() {
  EnableControls(false);
  progress_->EnableCancel(true);
  ShowStatus(kConnectingInternet);
  WaitForNetwork();
  progress_->EnableCancel(false);
  ShowStatus(kConnectingServer);
  for (int number = 1; number <= kMaxAttempts && !cancel_flag; ++number) {
    const TServerAttempt attempt = BeginAttempt(number);
    const TAttemptOutcome outcome = AskServer(attempt);
    if (outcome.obtained) break;
    ReportFailedAttempt(attempt, outcome.status_text);
  }
  EnableControls(true);
  if (!unattended) btn_get->SetFocus();
  if (cancel_flag) {
    ShowStatus(kInterrupted);
    cancel_flag = false;
  }
}

void TKestrumForm::ShowStatus(const std::string& text) {
  StatusBar->SetPanelText(0, text);
  progress_->ShowStatus(text);
  toolkit::Application().ProcessMessages();
}

void TKestrumForm::WaitForNetwork() {
  int failed_probes = 0;
  // The probe comes first: one more is made after the flag was set by the last failure.
  while (!ProbeInternet(kProbeAddress) && !cancel_flag) {
    ++failed_probes;
    if (failed_probes >= kMaxFailedProbes) cancel_flag = true;
    ShowStatus(Numbered(kWaitingInternet, failed_probes));
    Clock().Sleep(kProbePauseMs);
  }
}

// An empty host-name box starts over with server 1.
TKestrumForm::TServerAttempt TKestrumForm::BeginAttempt(int number) {
  if (edt_hostname->Text().empty()) edt_hostname->SetText(Server(1));
  const std::string host = edt_hostname->Text();
  edt_hostbox->SetItemIndex(edt_hostbox->IndexOf(host));
  progress_->ShowHost(host);
  toolkit::Application().ProcessMessages();
  return {number, host, NextServer(host)};
}

// At least one protocol is enabled; a failed or implausible SNTP answer hands the same host
// over to the Time protocol, whose failure is then the attempt's.
TKestrumForm::TAttemptOutcome TKestrumForm::AskServer(const TServerAttempt& attempt) {
  // One result variable and one return: MinGW's g++ 12 at -O2 returned the SNTP outcome from
  // `return QueryTimeProtocol(...)` while that outcome was still in scope.
  TAttemptOutcome outcome = sntp_enabled ? QuerySntp(attempt) : QueryTimeProtocol(attempt);
  if (sntp_enabled && rfc868_enabled && !outcome.obtained) outcome = QueryTimeProtocol(attempt);
  return outcome;
}

TKestrumForm::TAttemptOutcome TKestrumForm::QuerySntp(const TServerAttempt& attempt) {
  try {
    WriteTimeServer(attempt.next);
    sntp->SetTargetHost(attempt.host);
    if (!sntp->QueryServerTime()) return TAttemptOutcome::NoAnswer(attempt);
  } catch (...) {
    return TAttemptOutcome::NoAnswer(attempt);
  }
  return Evaluate(attempt, sntp->NTPTime(), kObtainedSntp);
}

TKestrumForm::TAttemptOutcome TKestrumForm::QueryTimeProtocol(const TServerAttempt& attempt) {
  try {
    // Ticks, not the local clock: exact milliseconds, and blind to a step of the clock.
    const uint32_t t0 = Clock().GetTickCount();
    WriteTimeServer(attempt.next);
    time->SetHostname(attempt.host);
    time->FetchTime();
    const uint32_t elapsed_ms = Clock().GetTickCount() - t0;
    if (elapsed_ms >= kMaxTimeAnswerMs) {
      return TAttemptOutcome::NoAnswer(attempt);
    }
  } catch (...) {
    return TAttemptOutcome::NoAnswer(attempt);
  }
  return Evaluate(attempt, time->ServerTime(), kObtainedTime);
}

TKestrumForm::TAttemptOutcome TKestrumForm::Evaluate(const TServerAttempt& attempt,
                                                     base::TDateTime server_time,
                                                     const char* success_text) {
  try {
    toolkit::Application().ProcessMessages();
    edt_time->SetText(toolkit::DateTimeToText(server_time + kDisplayShift));
    if (edt_time->Text() < kEarliestPlausibleDate) return TAttemptOutcome::Failed(kCannotObtain);
    offset_hundredths =
        std::nearbyint((server_time + kDisplayShift - LocalNow(Clock())) * kHundredthsPerDay);
    edt_offset->SetText(OffsetText(offset_hundredths));
    ShowStatus(success_text);
    WriteTimeServer(attempt.host);
  } catch (...) {
    return TAttemptOutcome::Failed(kCannotObtain);
  }
  return TAttemptOutcome::Obtained(success_text);
}

void TKestrumForm::ReportFailedAttempt(const TServerAttempt& attempt,
                                       const std::string& status_text) {
  edt_hostname->SetText(attempt.next);
  edt_time->SetText("");
  edt_offset->SetText("");
  offset_hundredths = 0;
  progress_->EnableCancel(true);
  ShowStatus(status_text);
  Clock().Sleep(kFailedAttemptPauseMs);
}

void TKestrumForm::WriteTimeServer(const std::string& host) {
  settings->WriteString(Caption(), kTimeServerKey, host);
}

}  // namespace kestrum::app
