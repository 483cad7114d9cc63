#pragma once
// A rights port and a logon-task port that answer as scripted and record every request: the
// elevated runs by their arguments, the tasks by name.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/logon_task.h"
#include "platform/rights.h"

namespace kestrum::fakes {

class TFakeRights final : public platform::TRightsPort {
 public:
  platform::TClockRight ThisProcess() override { return this_process; }
  platform::TClockRight LogonRun() override { return logon_run; }
  std::string AccountId() override { return "S-1-5-21-1-2-3-1001"; }
  platform::TElevatedRun RunElevated(const std::string& target, const std::string& arguments,
                                     const std::string& folder) override {
    runs.push_back(target + "|" + arguments + "|" + folder);
    platform::TElevatedRun run = elevated;
    if (on_run && run.outcome == platform::TElevation::kEnded) run.exit_code = on_run(arguments);
    return run;
  }
  bool GrantClockRight(const std::string& account_id) override {
    grants.push_back(account_id);
    return grant_succeeds;
  }

  platform::TClockRight this_process = platform::TClockRight::kHeld;
  platform::TClockRight logon_run = platform::TClockRight::kHeld;
  platform::TElevatedRun elevated{platform::TElevation::kEnded, 0};
  bool grant_succeeds = true;
  // Runs as the elevated program would; its exit code is the run's.
  std::function<uint32_t(const std::string& arguments)> on_run;
  std::vector<std::string> runs;  // "target|arguments|folder"
  std::vector<std::string> grants;
};

class TFakeLogonTasks final : public platform::TLogonTaskPort {
 public:
  bool Register(const std::string& name, const std::string& target,
                const std::string& arguments) override {
    if (fail) return false;
    tasks[name] = target + "|" + arguments;
    return true;
  }
  bool Remove(const std::string& name) override {
    if (fail) return false;
    tasks.erase(name);
    return true;
  }
  bool Exists(const std::string& name) override { return tasks.count(name) != 0; }

  bool fail = false;
  std::map<std::string, std::string> tasks;  // name → "target|arguments"
};

}  // namespace kestrum::fakes
