#include "app/helper_run.h"

#include <algorithm>

#include "app/command_line.h"

namespace kestrum::app {
namespace {

// A delay as the start-up entry writes it: digits only, so that the task's arguments hold
// nothing the elevated run was not meant to write.
bool IsDelay(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int ExitCode(bool done) { return done ? kExitDone : kExitFailed; }

}  // namespace

std::optional<int> RunHelperStep(const TKestrumServices& services, const std::string& task_name) {
  const std::vector<std::string>& arguments = services.arguments;
  if (arguments.empty()) return std::nullopt;
  const std::string& first = arguments[0];
  const std::string second = arguments.size() > 1 ? arguments[1] : std::string();
  if (first == kRegisterTaskSwitch) {
    if (!IsDelay(second) || task_name.empty()) return kExitFailed;
    const std::string task_arguments = std::string(kUnattendedSwitch) + " " + second;
    return ExitCode(services.tasks.Register(task_name, services.executable_path, task_arguments));
  }
  if (first == kRemoveTaskSwitch) {
    return ExitCode(!task_name.empty() && services.tasks.Remove(task_name));
  }
  if (first == kGrantRightSwitch) {
    return ExitCode(!second.empty() && services.rights.GrantClockRight(second));
  }
  return std::nullopt;
}

}  // namespace kestrum::app
