#pragma once
// What the main window needs from outside: the platform's profile and probe, where the program
// lives, its arguments, and the two protocol clients.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/time_clients.h"
#include "platform/profile.h"
#include "platform/shortcut.h"
#include "platform/webprobe.h"

namespace kestrum::app {

struct TKestrumServices {
  platform::TProfilePort* profile = nullptr;
  platform::TWebProbePort* probe = nullptr;
  std::string executable_path;  // full path, Shift-JIS
  char path_delimiter = '\\';
  std::vector<std::string> arguments;  // after the program name
  std::function<std::unique_ptr<TSntpQuery>()> make_sntp = MakeUnavailableSntp;
  std::function<std::unique_ptr<TTimeQuery>()> make_time = MakeUnavailableTime;
  platform::TShortcutPort* shortcuts = nullptr;
  std::function<bool(const std::string& path)> file_exists;
};

// The services of the running platform (unavailable protocol clients).
TKestrumServices PlatformServices();

}  // namespace kestrum::app
