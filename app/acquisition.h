#pragma once
// The acquisition sequence behind 時刻取得: wait for the network, then ask servers one after
// another (SNTP first, the Time protocol as fallback) until one gives a plausible time.

#include <string>

#include "app/command_line.h"
#include "app/progress_window.h"
#include "app/settings_file.h"
#include "app/time_clients.h"
#include "base/datetime.h"
#include "platform/clock.h"
#include "platform/ticks.h"
#include "platform/wait.h"
#include "platform/webprobe.h"

namespace kestrum::app {

// The main window as the acquisition sees it: the host box, the host list's selection, the
// time and offset boxes, and the status line.
class TAcquisitionView {
 public:
  virtual ~TAcquisitionView() = default;
  virtual std::string HostText() const = 0;
  virtual void SetHostText(const std::string& host) = 0;
  // Selects the list's entry equal to `host`; none when the list has no such entry.
  virtual void SelectHost(const std::string& host) = 0;
  // The text as the time box holds it.
  virtual std::string TimeText() const = 0;
  virtual void SetTimeText(const std::string& text) = 0;
  virtual void SetOffsetText(const std::string& text) = 0;
  virtual void ShowStatus(const std::string& text) = 0;
};

// What one run left behind.
struct TAcquisitionResult {
  // False: no server was asked (the network wait was cancelled) and the earlier offset stands.
  bool asked = false;
  // Hundredths of a second, a whole number; positive: the local clock is behind the server.
  // 0 unless the last attempt obtained a time.
  double offset_hundredths = 0;
};

class TAcquisition {
 public:
  // `section`: the settings section the last server asked is written to. `wait_hook` is handed
  // to the probe and both clients, and called between the slices of the pauses.
  TAcquisition(TAcquisitionView& view, TProgressWindow& progress, TSettingsFile& settings,
               std::string section, TSntpQuery& sntp, TTimeQuery& time, platform::TClockPort& clock,
               platform::TTickPort& ticks, platform::TWebProbePort& probe,
               platform::TWaitHook wait_hook);

  // Runs the sequence with `protocols` (at least one). `cancel` is read at each loop test and
  // set when the network wait gives up; the caller reports and clears it.
  TAcquisitionResult Run(TProtocols protocols, bool& cancel);

 private:
  struct TServerAttempt;
  struct TAttemptOutcome;

  // The status line of both windows; then a pump.
  void ShowStatus(const std::string& text);
  void WaitForNetwork(bool& cancel);
  TServerAttempt BeginAttempt(int number);
  TAttemptOutcome AskServer(const TServerAttempt& attempt, TProtocols protocols);
  TAttemptOutcome QuerySntp(const TServerAttempt& attempt);
  TAttemptOutcome QueryTimeProtocol(const TServerAttempt& attempt, bool name_unanswered);
  TAttemptOutcome Evaluate(const TServerAttempt& attempt, base::TDateTime server_time,
                           const char* success_text);
  void ReportFailedAttempt(const TServerAttempt& attempt, const std::string& status_text);
  void WriteTimeServer(const std::string& host);

  TAcquisitionView& view_;
  TProgressWindow& progress_;
  TSettingsFile& settings_;
  std::string section_;
  TSntpQuery& sntp_;
  TTimeQuery& time_;
  platform::TClockPort& clock_;
  platform::TTickPort& ticks_;
  platform::TWebProbePort& probe_;
  platform::TWaitHook wait_hook_;
  double offset_hundredths_ = 0;
};

}  // namespace kestrum::app
