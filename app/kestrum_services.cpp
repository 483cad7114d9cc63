#include "app/kestrum_services.h"

#include "platform/process.h"

namespace kestrum::app {

TKestrumServices PlatformServices() {
  TKestrumServices services;
  services.profile = &platform::SystemProfile();
  services.probe = &platform::SystemWebProbe();
  services.executable_path = platform::ExecutablePath();
  services.path_delimiter = platform::PathDelimiter();
  services.arguments = platform::CommandLineArguments();
  services.shortcuts = &platform::SystemShortcuts();
  services.file_exists = platform::FileExists;
  return services;
}

}  // namespace kestrum::app
