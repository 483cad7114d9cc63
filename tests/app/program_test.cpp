#include "app/program.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/command_line.h"
#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

class Program : public KestrumFixture {
 protected:
  int Run(std::vector<std::string> arguments) { return RunProgram(Services(std::move(arguments))); }
  bool PeerMade(const std::string& name) const {
    const auto& made = widgets.peers_created;
    return std::find(made.begin(), made.end(), name) != made.end();
  }
};

TEST_F(Program, InteractiveStartShowsOnlyTheMainWindowThenRunsTheLoop) {
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(widgets.title, "Kestrum");
  EXPECT_EQ(profile.reads, (std::vector<std::string>{"TimeServer", "StartTime"}));
  EXPECT_TRUE(PeerMade("KestrumForm"));
  EXPECT_TRUE(PeerMade("btn_get"));
  EXPECT_FALSE(PeerMade("KestrumCmdForm"));  // the progress window stays hidden
  EXPECT_EQ(widgets.loops_run, 1);
  EXPECT_EQ(application.MainForm(), nullptr);  // both windows are gone after the loop
  EXPECT_FALSE(widgets.taskbar_hidden);
}

TEST_F(Program, UnattendedStartKeepsTheMainWindowHidden) {
  Run({"/S", "5000"});
  EXPECT_FALSE(PeerMade("KestrumForm"));
  EXPECT_TRUE(widgets.taskbar_hidden);
  EXPECT_EQ(widgets.loops_run, 1);
}

// The elevated helper runs do their one step and end with its result, without a window; the
// unattended run's exit code tells an elevated caller how the correction went.
TEST_F(Program, HelperRunsAndTheUnattendedRunEndWithTheirOutcome) {
  struct Case {
    std::vector<std::string> arguments;
    bool tasks_fail, grant_succeeds;
    int exit_code;
    const char* task;
  };
  const Case cases[] = {
      {{kRegisterTaskSwitch, "5000"}, false, true, kExitDone, "/S 5000"},
      {{kRegisterTaskSwitch, "5000"}, true, true, kExitFailed, "old"},
      {{kRegisterTaskSwitch, "5000 /GRANT"}, false, true, kExitFailed, "old"},
      {{kRemoveTaskSwitch}, false, true, kExitDone, ""},
      {{kRemoveTaskSwitch}, true, true, kExitFailed, "old"},
      {{kGrantRightSwitch, "S-1-5-21-9"}, false, true, kExitDone, "old"},
      {{kGrantRightSwitch, "S-1-5-21-9"}, false, false, kExitFailed, "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + (c.arguments.size() > 1 ? c.arguments[1] : ""));
    tasks.tasks = {{"Kestrum", "old"}};
    tasks.fail = c.tasks_fail;
    rights.grant_succeeds = c.grant_succeeds;
    widgets.peers_created.clear();
    EXPECT_EQ(Run(c.arguments), c.exit_code);
    EXPECT_EQ(tasks.tasks.count("Kestrum") ? tasks.tasks["Kestrum"] : "",
              c.task == std::string("old") || c.task[0] == '\0'
                  ? c.task
                  : std::string(kExePath) + "|" + c.task);
    EXPECT_TRUE(widgets.peers_created.empty());
    EXPECT_EQ(widgets.loops_run, 0);
  }
  EXPECT_EQ(rights.grants, (std::vector<std::string>{"S-1-5-21-9", "S-1-5-21-9"}));
}

}  // namespace
}  // namespace kestrum::app
