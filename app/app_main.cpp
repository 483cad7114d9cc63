#include "app/app_main.h"

#include "app/kestrum1.h"
#include "app/kestrum2.h"
#include "app/time_format.h"
#include "lib/ctl_form.h"
#include "platform/gui.h"
#include "platform/process.h"

namespace kestrum::app {

int RunKestrum() {
  lib::TWidgetSetOverride native(platform::NativeWidgetSet());
  const platform::TUserTimeFormat time_format = platform::UserTimeFormat();
  ApplyUserTimeFormat(time_format.long_time, time_format.am, time_format.pm);
  lib::TApplication& application = lib::Application();
  application.SetTitle("Kestrum");
  auto* main_form = application.CreateForm<TKestrumForm>(PlatformServices());
  auto* cmd_form = application.CreateForm<TKestrumCmdForm>(*main_form);
  main_form->AttachCmdForm(cmd_form);
  application.Run();
  return 0;
}

}  // namespace kestrum::app
