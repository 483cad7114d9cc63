#include "app/kestrum_services.h"

#include "app/protocol_clients.h"
#include "platform/process.h"
#include "platform/timezone.h"

namespace kestrum::app {

TKestrumServices PlatformServices(toolkit::TWidgetSet& widgets) {
  // The one place the program picks the platform's clock, ticks and time zone.
  platform::TClockPort& clock = platform::SystemClock();
  platform::TTickPort& ticks = platform::SystemTicks();
  platform::TTimeZonePort& zone = platform::SystemTimeZone();
  TKestrumServices services{
      .clock = clock,
      .ticks = ticks,
      .widgets = widgets,
      .profile = platform::SystemProfile(),
      .probe = platform::SystemWebProbe(),
      .shortcuts = platform::SystemShortcuts(),
      .rights = platform::SystemRights(),
      .tasks = platform::SystemLogonTasks(),
      .executable_path = platform::ExecutablePath(),
      .path_delimiter = platform::PathDelimiter(),
      .arguments = platform::CommandLineArguments(),
      .make_sntp = [&clock, &ticks] { return MakeSntpClient(clock, ticks); },
      .make_time = [&zone, &clock, &ticks] { return MakeTimeClient(zone, clock, ticks); },
      .file_exists = platform::FileExists,
  };
  return services;
}

}  // namespace kestrum::app
