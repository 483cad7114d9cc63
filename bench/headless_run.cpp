#include "bench/headless_run.h"

#include <memory>
#include <string>

#include "app/kestrum_form_test_peer.h"  // tests/app/
#include "app/program.h"
#include "app/status_texts.h"
#include "fakes/fake_app.h"
#include "fakes/fake_probe.h"
#include "fakes/fake_profile.h"
#include "fakes/fake_rights.h"
#include "fakes/fake_shortcuts.h"
#include "platform/clock.h"
#include "platform/ticks.h"
#include "platform/timezone.h"
#include "sntp/sntpclient.h"
#include "tcpip/time_query.h"
#include "toolkit/ctl_form.h"

namespace kestrum::bench {
namespace {

constexpr char kLoopback[] = "127.0.0.1";

class TLoopbackSntp final : public app::TSntpQuery {
 public:
  explicit TLoopbackSntp(uint16_t port) { client_.TargetPort = std::to_string(port); }
  void SetTargetHost(const std::string&) override { client_.TargetHost = kLoopback; }
  bool QueryServerTime() override { return client_.QueryServerTime(); }
  bool NameUnanswered() const override { return false; }
  base::TDateTime NTPTime() const override { return client_.NTPTime(); }

 private:
  sntp::TSNTPClient client_{platform::SystemClock(), platform::SystemTicks()};
};

class TLoopbackTime final : public app::TTimeQuery {
 public:
  explicit TLoopbackTime(uint16_t port) { client_.Port = port; }
  void SetHostname(const std::string&) override { client_.Hostname = kLoopback; }
  void FetchTime() override { client_.FetchTime(); }
  base::TDateTime ServerTime() const override { return client_.ServerTime; }

 private:
  tcpip::T_Time client_{platform::SystemTimeZone(), platform::SystemClock(),
                        platform::SystemTicks()};
};

}  // namespace

struct THeadlessKestrum::TParts {
  fakes::TFakeApplication headless;
  fakes::TFakeProfile profile;
  fakes::TFakeProbe probe;
  fakes::TFakeShortcuts shortcuts;
  fakes::TFakeRights rights;
  fakes::TFakeLogonTasks tasks;
  app::TKestrumWindows windows;
};

THeadlessKestrum::THeadlessKestrum(uint16_t sntp_port, uint16_t time_port) : parts_(new TParts) {
  // Real sockets wait in real time: the system's clock and zone.
  app::TKestrumServices services{
      .clock = platform::SystemClock(),
      .ticks = platform::SystemTicks(),
      .widgets = parts_->headless.widgets,
      .profile = parts_->profile,
      .probe = parts_->probe,
      .shortcuts = parts_->shortcuts,
      .rights = parts_->rights,
      .tasks = parts_->tasks,
      .executable_path = "C:\\Kestrum\\Kestrum.exe",
      .path_delimiter = '\\',
      .arguments = {},
      .make_sntp = [sntp_port] { return std::make_unique<TLoopbackSntp>(sntp_port); },
      .make_time = [time_port] { return std::make_unique<TLoopbackTime>(time_port); },
      .file_exists = {},
  };
  parts_->windows = app::CreateKestrumWindows(parts_->headless.application, std::move(services));
}

THeadlessKestrum::~THeadlessKestrum() { delete parts_; }

bool THeadlessKestrum::Acquire() {
  parts_->windows.main->btn_getClick();
  const std::string status = parts_->windows.main->StatusBar->PanelText(0);
  return status == app::kObtainedSntp || status == app::kObtainedTime;
}

double THeadlessKestrum::OffsetHundredths() const {
  return app::TKestrumFormTestPeer(*parts_->windows.main).OffsetHundredths();
}

}  // namespace kestrum::bench
