#include "app/kestrum_services.h"

#include "app/protocol_clients.h"
#include "platform/process.h"

namespace kestrum::app {

TKestrumServices PlatformServices(toolkit::TWidgetSet& widgets,
                                  toolkit::TFormatSettings& format_settings) {
  platform::TClockPort& clock = platform::SystemClock();
  platform::TTimeZonePort& zone = platform::SystemTimeZone();
  TKestrumServices services{
      .clock = clock,
      .time_zone = zone,
      .widgets = widgets,
      .format_settings = format_settings,
      .profile = platform::SystemProfile(),
      .probe = platform::SystemWebProbe(),
      .shortcuts = platform::SystemShortcuts(),
      .executable_path = platform::ExecutablePath(),
      .path_delimiter = platform::PathDelimiter(),
      .arguments = platform::CommandLineArguments(),
      .make_sntp = [&clock] { return MakeSntpClient(clock); },
      .make_time = [&zone] { return MakeTimeClient(zone); },
      .file_exists = platform::FileExists,
  };
  return services;
}

}  // namespace kestrum::app
