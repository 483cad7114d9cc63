#pragma once
// Both windows of the program on fakes: virtual time, an in-memory settings file, a scripted
// probe and scripted time servers, and a widget set that records every pump.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/kestrum1.h"
#include "app/kestrum2.h"
#include "app/program.h"
#include "fakes/fake_app.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_probe.h"
#include "fakes/fake_profile.h"
#include "fakes/fake_shortcuts.h"
#include "fakes/fake_time_clients.h"
#include "toolkit/ctl_form.h"
#include "toolkit/formatsettings.h"

namespace kestrum::app {

constexpr char kExePath[] = "C:\\Tools\\Kestrum\\Kestrum.exe";
constexpr char kIniPath[] = "C:\\Tools\\Kestrum\\Environ.ini";

class KestrumFixture : public ::testing::Test {
 protected:
  KestrumFixture() {
    lib::FormatSettings().LongTimeFormat = "H:mm:ss";
    widgets.on_pump = [this](int pump) { OnPump(pump); };
  }

  // Creates both windows as program entry does, with these arguments.
  void Start(std::vector<std::string> arguments = {}) {
    TKestrumWindows windows = CreateKestrumWindows(application, Services(std::move(arguments)));
    form = std::move(windows.main);
    cmd = std::move(windows.progress);
  }

  // The fakes as the main window's services.
  TKestrumServices Services(std::vector<std::string> arguments) {
    TKestrumServices services;
    services.profile = &profile;
    services.probe = &probe;
    services.executable_path = kExePath;
    services.path_delimiter = '\\';
    services.arguments = std::move(arguments);
    services.make_sntp = [this] { return servers.MakeSntp(); };
    services.make_time = [this] { return servers.MakeTime(); };
    services.shortcuts = &shortcuts;
    services.file_exists = [this](const std::string& path) {
      return exe_exists && path == kExePath;
    };
    return services;
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

  std::vector<std::string> TimeServerWrites() const { return profile.WrittenValues("TimeServer"); }

  fakes::TFakeClock clock{lib::EncodeDate(2026, 12, 8) + 0.5};
  platform::TClockOverride clock_guard{clock};
  fakes::TFakeWidgetSet widgets;
  lib::TWidgetSetOverride widget_guard{widgets};
  lib::TApplication application;
  lib::TApplicationOverride application_guard{application};
  fakes::TFakeProfile profile;
  fakes::TFakeProbe probe;
  fakes::TFakeServers servers{clock};
  fakes::TFakeShortcuts shortcuts;
  bool exe_exists = true;
  std::unique_ptr<TKestrumForm> form;
  std::unique_ptr<TKestrumCmdForm> cmd;

  ~KestrumFixture() override {
    cmd.reset();
    form.reset();
  }
};

}  // namespace kestrum::app
