#include "app/app_main.h"

#include "platform/gui.h"

namespace kestrum::app {

int RunKestrum() {
  platform::TApplication application;
  application.SetTitle("Kestrum");
  platform::TWindow main_window("Kestrum");
  return application.Run(main_window);
}

}  // namespace kestrum::app
