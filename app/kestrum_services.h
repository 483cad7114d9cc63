#pragma once
// What the windows need from outside: the clock and ticks, the widget set, the platform's
// profile, probe, shortcuts, rights and logon task, where the program lives, its arguments, and the
// two protocol clients. Chosen once: the program passes the real ones (PlatformServices), tests
// pass fakes.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/time_clients.h"
#include "platform/clock.h"
#include "platform/logon_task.h"
#include "platform/profile.h"
#include "platform/rights.h"
#include "platform/shortcut.h"
#include "platform/ticks.h"
#include "platform/webprobe.h"
#include "toolkit/ctl_peer.h"

namespace kestrum::app {

struct TKestrumServices {
  platform::TClockPort& clock;
  platform::TTickPort& ticks;
  toolkit::TWidgetSet& widgets;
  platform::TProfilePort& profile;
  platform::TWebProbePort& probe;
  platform::TShortcutPort& shortcuts;
  platform::TRightsPort& rights;
  platform::TLogonTaskPort& tasks;
  std::string executable_path;  // full path, UTF-8
  char path_delimiter = '\\';
  std::vector<std::string> arguments;  // after the program name
  std::function<std::unique_ptr<TSntpQuery>()> make_sntp = MakeUnavailableSntp;
  std::function<std::unique_ptr<TTimeQuery>()> make_time = MakeUnavailableTime;
  std::function<bool(const std::string& path)> file_exists;
};

// The services of the running platform, with the real protocol clients, on `widgets`.
TKestrumServices PlatformServices(toolkit::TWidgetSet& widgets);

}  // namespace kestrum::app
