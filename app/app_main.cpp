#include "app/app_main.h"

#include <optional>

#include "app/program.h"
#include "app/protocol_clients.h"
#include "app/time_format.h"
#include "lib/win32/lib_widgets.h"
#include "net/sockerror.h"
#include "platform/process.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_peer.h"

namespace kestrum::app {
namespace {

constexpr int kStartFailedExitCode = 1;

}  // namespace

int RunKestrum() {
  // The native widget set also initialises COM for this thread.
  toolkit::TWidgetSet& widgets = lib::win32::LibWidgetSet();
  toolkit::TFormatSettings format_settings;
  toolkit::TApplication application(widgets, format_settings);
  toolkit::TApplicationOverride in_force(application);
  // Sockets start before any window exists; without the socket library there is no program,
  // but the user is told why instead of seeing nothing.
  std::optional<TSocketServices> sockets;
  try {
    sockets.emplace();
  } catch (const net::EBlockSocketError& error) {
    widgets.ShowError("Kestrum", error.what());
    return kStartFailedExitCode;
  }
  const platform::TUserTimeFormat time_format = platform::UserTimeFormat();
  ApplyUserTimeFormat(format_settings, time_format.long_time, time_format.am, time_format.pm);
  return RunProgram(PlatformServices(widgets));
}

}  // namespace kestrum::app
