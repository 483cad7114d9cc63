#pragma once
// A run of the program started elevated by itself for one administrator's step (register or
// remove the logon task, grant the right to change the time): no window, the exit code says
// whether the step was done.

#include <optional>
#include <string>

#include "app/kestrum_services.h"

namespace kestrum::app {

// The exit code when the arguments ask for a helper step; none for every other run.
std::optional<int> RunHelperStep(const TKestrumServices& services, const std::string& task_name);

}  // namespace kestrum::app
