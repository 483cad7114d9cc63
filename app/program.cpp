#include "app/program.h"

#include <utility>

#include "app/helper_run.h"

namespace kestrum::app {

TKestrumWindows CreateKestrumWindows(toolkit::TApplication& application,
                                     TKestrumServices services) {
  TKestrumWindows windows;
  windows.main = std::make_unique<TKestrumForm>(std::move(services));
  application.SetMainForm(windows.main.get());
  windows.main->DoCreate();
  TKestrumForm* main = windows.main.get();
  windows.progress = std::make_unique<TKestrumCmdForm>([main] { main->RequestCancel(); });
  main->AttachProgressWindow(*windows.progress);
  // Not from inside the create handler: the progress window did not exist there.
  main->ReportStartupError();
  return windows;
}

int RunProgram(TKestrumServices services) {
  toolkit::TApplication& application = toolkit::Application();
  application.SetTitle("Kestrum");
  if (const auto code = RunHelperStep(services, application.Title())) return *code;
  // The windows outlive the loop and are freed when the program returns.
  const TKestrumWindows windows = CreateKestrumWindows(application, std::move(services));
  application.Run();
  return windows.main->ExitCode();
}

}  // namespace kestrum::app
