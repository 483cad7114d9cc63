#include "app/app_main.h"

#include "app/program.h"
#include "app/time_format.h"
#include "lib/ctl_peer.h"
#include "platform/gui.h"
#include "platform/process.h"

namespace kestrum::app {

int RunKestrum() {
  // The native widget set also initialises COM for this thread.
  lib::TWidgetSetOverride native(platform::NativeWidgetSet());
  const platform::TUserTimeFormat time_format = platform::UserTimeFormat();
  ApplyUserTimeFormat(time_format.long_time, time_format.am, time_format.pm);
  return RunProgram(PlatformServices());
}

}  // namespace kestrum::app
