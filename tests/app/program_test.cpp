#include "app/program.h"

#include <gtest/gtest.h>

#include <algorithm>

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

}  // namespace
}  // namespace kestrum::app
