#include "app/acquisition.h"

#include <cmath>
#include <utility>

#include "app/offset.h"
#include "app/probe_address.h"
#include "app/servers.h"
#include "app/status_texts.h"
#include "toolkit/ctl_form.h"
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
// Shifted server times whose text sorts before this are rejected.
constexpr char kEarliestPlausibleDate[] = "2000/01/01";

constexpr char kConnectingInternet[] = "インターネット接続中です";
constexpr char kWaitingInternet[] = "インターネット接続待ち(";
constexpr char kConnectingServer[] = "タイムサーバ接続中です";
constexpr char kSearchingServer[] = "タイムサーバを検索します(";

std::string Numbered(const char* text, int n) { return text + std::to_string(n) + ")"; }

std::string OffsetText(double offset_hundredths) {
  return "誤差 " + std::to_string(WholeSeconds(offset_hundredths)) + " 秒";
}

}  // namespace

// One server attempt: its number (1 to 13), the host asked and the one to try after it.
struct TAcquisition::TServerAttempt {
  int number;
  std::string host;
  std::string next;
};

// How a query, and so the attempt, ended: the time obtained or not, with the status text that
// says so (a success's is shown by the evaluation, a failure's by the failed attempt's report).
struct TAcquisition::TAttemptOutcome {
  static TAttemptOutcome Obtained(std::string text) { return {true, std::move(text)}; }
  static TAttemptOutcome Failed(std::string text) { return {false, std::move(text)}; }
  // The failure of a query that got no usable answer from the server.
  static TAttemptOutcome NoAnswer(const TServerAttempt& attempt) {
    return Failed(Numbered(kSearchingServer, attempt.number));
  }

  bool obtained;
  std::string status_text;
  // The resolver did not answer for the host's name (it may, later): asking the other protocol
  // now would wait for it once more.
  bool name_unanswered = false;
};

TAcquisition::TAcquisition(TAcquisitionView& view, TProgressWindow& progress,
                           TSettingsFile& settings, std::string section, TSntpQuery& sntp,
                           TTimeQuery& time, platform::TClockPort& clock,
                           platform::TTickPort& ticks, platform::TWebProbePort& probe,
                           platform::TWaitHook wait_hook)
    : view_(view),
      progress_(progress),
      settings_(settings),
      section_(std::move(section)),
      sntp_(sntp),
      time_(time),
      clock_(clock),
      ticks_(ticks),
      probe_(probe),
      wait_hook_(std::move(wait_hook)) {
  // Every wait of a run keeps the thread answering the system, without running handlers.
  probe_.SetWaitHook(wait_hook_);
  sntp_.SetWaitHook(wait_hook_);
  time_.SetWaitHook(wait_hook_);
}

TAcquisitionResult TAcquisition::Run(TProtocols protocols, bool& cancel) {
  TAcquisitionResult result;
  progress_.EnableCancel(true);
  ShowStatus(kConnectingInternet);
  WaitForNetwork(cancel);
  progress_.EnableCancel(false);
  ShowStatus(kConnectingServer);
  for (int number = 1; number <= kMaxAttempts && !cancel; ++number) {
    result.asked = true;
    const TServerAttempt attempt = BeginAttempt(number);
    const TAttemptOutcome outcome = AskServer(attempt, protocols);
    if (outcome.obtained) break;
    ReportFailedAttempt(attempt, outcome.status_text);
  }
  result.offset_hundredths = offset_hundredths_;
  return result;
}

void TAcquisition::ShowStatus(const std::string& text) {
  view_.ShowStatus(text);
  progress_.ShowStatus(text);
  toolkit::Application().ProcessMessages();
}

void TAcquisition::WaitForNetwork(bool& cancel) {
  int failed_probes = 0;
  // The probe comes first: one more is made after the flag was set by the last failure.
  while (!probe_.Probe(kProbeAddress) && !cancel) {
    ++failed_probes;
    if (failed_probes >= kMaxFailedProbes) cancel = true;
    ShowStatus(Numbered(kWaitingInternet, failed_probes));
    platform::SleepChecking(ticks_, kProbePauseMs, wait_hook_);
  }
}

// An empty host-name box starts over with server 1.
TAcquisition::TServerAttempt TAcquisition::BeginAttempt(int number) {
  if (view_.HostText().empty()) view_.SetHostText(Server(1));
  const std::string host = view_.HostText();
  view_.SelectHost(host);
  progress_.ShowHost(host);
  toolkit::Application().ProcessMessages();
  return {number, host, NextServer(host)};
}

// A failed or implausible SNTP answer hands the same host over to the Time protocol, whose
// failure is then the attempt's.
TAcquisition::TAttemptOutcome TAcquisition::AskServer(const TServerAttempt& attempt,
                                                      TProtocols protocols) {
  // One result variable and one return: MinGW's g++ 12 at -O2 returned the SNTP outcome from
  // `return QueryTimeProtocol(...)` while that outcome was still in scope.
  TAttemptOutcome outcome = protocols.sntp ? QuerySntp(attempt) : QueryTimeProtocol(attempt, false);
  if (protocols.sntp && protocols.rfc868 && !outcome.obtained) {
    outcome = QueryTimeProtocol(attempt, outcome.name_unanswered);
  }
  return outcome;
}

TAcquisition::TAttemptOutcome TAcquisition::QuerySntp(const TServerAttempt& attempt) {
  try {
    WriteTimeServer(attempt.next);
    sntp_.SetTargetHost(attempt.host);
    if (!sntp_.QueryServerTime()) {
      TAttemptOutcome outcome = TAttemptOutcome::NoAnswer(attempt);
      outcome.name_unanswered = sntp_.NameUnanswered();
      return outcome;
    }
  } catch (...) {
    return TAttemptOutcome::NoAnswer(attempt);
  }
  return Evaluate(attempt, sntp_.NTPTime(), kObtainedSntp);
}

TAcquisition::TAttemptOutcome TAcquisition::QueryTimeProtocol(const TServerAttempt& attempt,
                                                              bool name_unanswered) {
  try {
    // Ticks, not the local clock: exact milliseconds, and blind to a step of the clock.
    const uint32_t t0 = ticks_.GetTickCount();
    WriteTimeServer(attempt.next);
    // One attempt waits for the resolver once, not twice.
    if (name_unanswered) return TAttemptOutcome::NoAnswer(attempt);
    time_.SetHostname(attempt.host);
    time_.FetchTime();
    const uint32_t elapsed_ms = ticks_.GetTickCount() - t0;
    if (elapsed_ms >= kMaxTimeAnswerMs) {
      return TAttemptOutcome::NoAnswer(attempt);
    }
  } catch (...) {
    return TAttemptOutcome::NoAnswer(attempt);
  }
  return Evaluate(attempt, time_.ServerTime(), kObtainedTime);
}

TAcquisition::TAttemptOutcome TAcquisition::Evaluate(const TServerAttempt& attempt,
                                                     base::TDateTime server_time,
                                                     const char* success_text) {
  try {
    // Measured before the pump: a modal loop run inside it (a held title bar, the system menu)
    // would otherwise count as clock error.
    const base::TDateTime local_now = base::SystemTimeToDateTime(clock_.GetLocalTime());
    const double offset_hundredths =
        std::nearbyint((server_time + kDisplayShift - local_now) * kHundredthsPerDay);
    toolkit::Application().ProcessMessages();
    view_.SetTimeText(toolkit::DateTimeToText(server_time + kDisplayShift));
    if (view_.TimeText() < kEarliestPlausibleDate) return TAttemptOutcome::Failed(kCannotObtain);
    offset_hundredths_ = offset_hundredths;
    view_.SetOffsetText(OffsetText(offset_hundredths_));
    ShowStatus(success_text);
    WriteTimeServer(attempt.host);
  } catch (...) {
    return TAttemptOutcome::Failed(kCannotObtain);
  }
  return TAttemptOutcome::Obtained(success_text);
}

void TAcquisition::ReportFailedAttempt(const TServerAttempt& attempt,
                                       const std::string& status_text) {
  view_.SetHostText(attempt.next);
  view_.SetTimeText("");
  view_.SetOffsetText("");
  offset_hundredths_ = 0;
  progress_.EnableCancel(true);
  ShowStatus(status_text);
  platform::SleepChecking(ticks_, kFailedAttemptPauseMs, wait_hook_);
}

void TAcquisition::WriteTimeServer(const std::string& host) {
  settings_.WriteString(section_, kTimeServerKey, host);
}

}  // namespace kestrum::app
