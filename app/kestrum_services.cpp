#include "app/kestrum_services.h"

#include "app/protocol_clients.h"
#include "platform/process.h"

namespace kestrum::app {

TKestrumServices PlatformServices() {
  TKestrumServices services;
  services.profile = &platform::SystemProfile();
  services.probe = &platform::SystemWebProbe();
  services.executable_path = platform::ExecutablePath();
  services.path_delimiter = platform::PathDelimiter();
  services.arguments = platform::CommandLineArguments();
  services.make_sntp = MakeSntpClient;
  services.make_time = MakeTimeClient;
  services.shortcuts = &platform::SystemShortcuts();
  services.file_exists = platform::FileExists;
  return services;
}

}  // namespace kestrum::app
