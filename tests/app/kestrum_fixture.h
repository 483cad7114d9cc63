#pragma once
// Both windows of the program on fakes: virtual time, an in-memory settings file, a scripted
// probe and scripted time servers, and a widget set that records every pump.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/kestrum1.h"
#include "app/kestrum2.h"
#include "app/kestrum_form_test_peer.h"
#include "app/program.h"
#include "fakes/fake_app.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_probe.h"
#include "fakes/fake_profile.h"
#include "fakes/fake_rights.h"
#include "fakes/fake_shortcuts.h"
#include "fakes/fake_time_clients.h"
#include "toolkit/ctl_form.h"
#include "toolkit/formatsettings.h"

namespace kestrum::app {

constexpr char kExePath[] = "C:\\Tools\\Kestrum\\Kestrum.exe";
constexpr char kIniPath[] = "C:\\Tools\\Kestrum\\Environ.ini";

class KestrumFixture : public ::testing::Test {
 protected:
  // `native`: a real widget set for the windows instead of the recording fake.
  explicit KestrumFixture(toolkit::TWidgetSet* native = nullptr)
      : widget_set(native != nullptr ? *native : widgets) {
    format_settings.LongTimeFormat = "H:mm:ss";
    widgets.on_pump = [this](int pump) { OnPump(pump); };
  }

  // The fakes as the windows' services, with these arguments.
  TKestrumServices Services(std::vector<std::string> arguments = {}) {
    return TKestrumServices{
        .clock = clock,
        .ticks = clock,
        .widgets = widget_set,
        .profile = profile,
        .probe = probe,
        .shortcuts = shortcuts,
        .rights = rights,
        .tasks = tasks,
        .executable_path = kExePath,
        .path_delimiter = '\\',
        .arguments = std::move(arguments),
        .make_sntp = [this] { return servers.MakeSntp(); },
        .make_time = [this] { return servers.MakeTime(); },
        .file_exists = [this](const std::string& path) { return exe_exists && path == kExePath; },
    };
  }

  // Creates both windows as program entry does, with these arguments.
  void Start(std::vector<std::string> arguments = {}) {
    TKestrumWindows windows = CreateKestrumWindows(application, Services(std::move(arguments)));
    form = std::move(windows.main);
    cmd = std::move(windows.progress);
  }

  // Status texts in the order shown (a text is recorded at the pump that follows it).
  std::vector<std::string> statuses;
  // Runs at pump number N (1-based, counted from the start of the test).
  std::function<void(int pump)> at_pump;

  void OnPump(int pump) {
    const std::string status = form->StatusBar->PanelText(0);
    if (statuses.empty() || statuses.back() != status) statuses.push_back(status);
    // Every status is on the progress window's status line before the pump.
    if (cmd) {
      EXPECT_EQ(cmd->LibPanel3->Caption(), status == "" ? " " : status);
    }
    if (at_pump) at_pump(pump);
  }

  // The main window's state that only tests read.
  TKestrumFormTestPeer State() const { return TKestrumFormTestPeer(*form); }

  std::vector<std::string> TimeServerWrites() const { return profile.WrittenValues("TimeServer"); }

  fakes::TFakeClock clock{base::EncodeDate(2026, 12, 8) + 0.5};
  fakes::TFakeWidgetSet widgets;
  toolkit::TWidgetSet& widget_set;  // the fake unless the test asked for a native one
  toolkit::TFormatSettings format_settings;
  toolkit::TApplication application{widget_set, format_settings};
  toolkit::TApplicationOverride application_guard{application};
  fakes::TFakeProfile profile;
  fakes::TFakeProbe probe;
  fakes::TFakeServers servers{clock};
  fakes::TFakeShortcuts shortcuts;
  fakes::TFakeRights rights;
  fakes::TFakeLogonTasks tasks;
  bool exe_exists = true;
  std::unique_ptr<TKestrumForm> form;
  std::unique_ptr<TKestrumCmdForm> cmd;

  ~KestrumFixture() override {
    cmd.reset();
    form.reset();
  }
};

}  // namespace kestrum::app
