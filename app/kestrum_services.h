#pragma once
// What the windows need from outside: the clock, time zone, widget set and format settings, the
// platform's profile, probe and shortcuts, where the program lives, its arguments, and the two
// protocol clients. The program passes the real ones, tests pass fakes.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/time_clients.h"
#include "platform/clock.h"
#include "platform/profile.h"
#include "platform/shortcut.h"
#include "platform/timezone.h"
#include "platform/webprobe.h"
#include "toolkit/ctl_peer.h"
#include "toolkit/formatsettings.h"

namespace kestrum::app {

struct TKestrumServices {
  platform::TClockPort& clock;
  platform::TTimeZonePort& time_zone;
  toolkit::TWidgetSet& widgets;
  toolkit::TFormatSettings& format_settings;
  platform::TProfilePort& profile;
  platform::TWebProbePort& probe;
  platform::TShortcutPort& shortcuts;
  std::string executable_path;  // full path, Shift-JIS
  char path_delimiter = '\\';
  std::vector<std::string> arguments;  // after the program name
  std::function<std::unique_ptr<TSntpQuery>()> make_sntp = MakeUnavailableSntp;
  std::function<std::unique_ptr<TTimeQuery>()> make_time = MakeUnavailableTime;
  std::function<bool(const std::string& path)> file_exists;
};

// The services of the running platform, with the real protocol clients, on `widgets` and
// `format_settings`.
TKestrumServices PlatformServices(toolkit::TWidgetSet& widgets,
                                  toolkit::TFormatSettings& format_settings);

}  // namespace kestrum::app
