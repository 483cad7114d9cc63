#include "app/program.h"

#include "app/kestrum1.h"
#include "app/kestrum2.h"
#include "toolkit/ctl_form.h"

namespace kestrum::app {

int RunProgram(TKestrumServices services) {
  lib::TApplication& application = lib::Application();
  application.SetTitle("Kestrum");
  auto* main_form = application.CreateForm<TKestrumForm>(std::move(services));
  auto* cmd_form = application.CreateForm<TKestrumCmdForm>(*main_form);
  main_form->AttachCmdForm(cmd_form);
  application.Run();
  return 0;
}

}  // namespace kestrum::app
