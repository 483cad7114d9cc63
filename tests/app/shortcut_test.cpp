// The start-up row: the user's pick in StartTime creates or deletes the shortcut, warns, and
// remembers the choice; nothing happens without the executable or a title.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/helper_run.h"
#include "app/status_texts.h"
#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

constexpr char kWarning[] = "警告:この機能はWindows10以降のOSには対応していません。";

class StartupShortcut : public KestrumFixture {
 protected:
  StartupShortcut() { application.SetTitle("Kestrum"); }
  // The user picks the entry showing `text`.
  void Pick(const std::string& text) {
    form->StartTime->UserSelected(form->StartTime->IndexOf(text));
  }
  std::string Created(const char* arguments) const {
    return std::string("create ") + kExePath + "|" + arguments + "|Kestrum|7";
  }
  static std::string Joined(const std::vector<std::string>& texts) {
    return std::accumulate(texts.begin(), texts.end(), std::string());
  }
  static std::string Deleted() { return std::string("delete ") + kExePath + "|Kestrum|7"; }
  static std::string Run(const std::string& arguments) {
    return std::string(kExePath) + "|" + arguments + "|C:\\Tools\\Kestrum\\";
  }
  // Elevated runs are this program's helper runs, on the same fakes.
  void ElevatedRunsAreHelperRuns() {
    rights.on_run = [this](const std::string& arguments) {
      std::istringstream split(arguments);
      const std::vector<std::string> words{std::istream_iterator<std::string>(split), {}};
      return static_cast<uint32_t>(RunHelperStep(Services(words), "Kestrum").value_or(-1));
    };
  }
};

using platform::TClockRight;
using platform::TElevation;
constexpr char kTaskQ[] = "権限:ログオン時の自動設定には、時刻を変更する権限がありません。";
constexpr char kGrantQ[] = "権限:このアカウントには「システム時刻の変更」の権限がありません。";

TEST_F(StartupShortcut, PicksCreateReplaceAndDelete) {
  Start();
  Pick("5");
  Pick("30");
  Pick("");
  const std::vector<std::string> expected{Created("/S 5000"), Created("/S 30000"),
                                          std::string("delete ") + kExePath + "|Kestrum|7"};
  EXPECT_EQ(shortcuts.calls, expected);
  EXPECT_EQ(widgets.warnings, (std::vector<std::string>{kWarning, kWarning}));
  EXPECT_EQ(profile.WrittenValues("StartTime"), (std::vector<std::string>{"5", "30", ""}));
}

// A logon run that could not set the clock: the box for the account's kind, then the
// elevated step; the shortcut goes only once the task has taken over.
TEST_F(StartupShortcut, ALogonRunWithoutTheRightIsOfferedTheTaskOrTheRight) {
  struct Case {
    const char* name;
    TClockRight logon, now;
    bool answer;
    TElevation elevation;
    bool tasks_fail;
    const char* question;  // empty: none
    const char* run;       // arguments of the elevated run; empty: none
    bool shortcut_deleted;
    const char* task;  // the task's arguments; empty: none
    const char* status;
  };
  const auto held = TClockRight::kHeld, admin = TClockRight::kNeedsElevation;
  const auto standard = TClockRight::kNeedsGrant;
  const auto ended = TElevation::kEnded, refused = TElevation::kRefused;
  const char* grant = "/GRANT S-1-5-21-1-2-3-1001";
  const Case cases[] = {
      {"may set", held, held, true, ended, false, "", "", false, "", ""},
      {"admin yes", admin, admin, true, ended, false, kTaskQ, "/TASK 5000", true, "/S 5000",
       kTaskRegistered},
      {"admin no", admin, admin, false, ended, false, kTaskQ, "", false, "", kLogonRunLacksRight},
      {"refused", admin, admin, true, refused, false, kTaskQ, "/TASK 5000", false, "",
       kElevationRefused},
      {"fails", admin, admin, true, ended, true, kTaskQ, "/TASK 5000", false, "",
       kTaskNotRegistered},
      {"no runas", admin, admin, true, TElevation::kFailed, false, kTaskQ, "/TASK 5000", false, "",
       kTaskNotRegistered},
      {"elevated", admin, held, true, ended, false, kTaskQ, "", true, "/S 5000", kTaskRegistered},
      {"standard yes", standard, standard, true, ended, false, kGrantQ, grant, false, "",
       kRightGranted},
      {"standard no", standard, standard, false, ended, false, kGrantQ, "", false, "",
       kLogonRunLacksRight},
      {"standard refused", standard, standard, true, refused, false, kGrantQ, grant, false, "",
       kElevationRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    shortcuts.calls.clear();
    widgets.warnings.clear();
    widgets.questions.clear();
    widgets.answers = {c.answer};
    rights.logon_run = c.logon;
    rights.this_process = c.now;
    rights.elevated = {c.elevation, 0};
    rights.runs.clear();
    tasks = fakes::TFakeLogonTasks();
    tasks.fail = c.tasks_fail;
    ElevatedRunsAreHelperRuns();
    Start();
    Pick("5");
    EXPECT_EQ(widgets.warnings.size(), 1u);
    EXPECT_EQ(Joined(widgets.questions).substr(0, std::strlen(c.question)), c.question);
    EXPECT_EQ(Joined(rights.runs), c.run[0] == '\0' ? "" : Run(c.run));
    std::vector<std::string> links{Created("/S 5000")};
    if (c.shortcut_deleted) links.push_back(Deleted());
    EXPECT_EQ(shortcuts.calls, links);
    EXPECT_EQ(tasks.tasks.count("Kestrum") ? tasks.tasks["Kestrum"] : "",
              c.task[0] == '\0' ? "" : std::string(kExePath) + "|" + c.task);
    EXPECT_EQ(form->StatusBar->PanelText(0), c.status);
    EXPECT_EQ(profile.WrittenValues("StartTime").back(), "5");
  }
  EXPECT_EQ(rights.grants, (std::vector<std::string>{"S-1-5-21-1-2-3-1001"}));
}

// A later delay updates the task without asking again; the empty entry removes it, elevating
// only when the user's own token cannot.
TEST_F(StartupShortcut, TheTaskFollowsLaterPicks) {
  rights.logon_run = rights.this_process = TClockRight::kNeedsElevation;
  widgets.answers = {true};
  ElevatedRunsAreHelperRuns();
  Start();
  Pick("5");
  Pick("30");
  EXPECT_EQ(widgets.questions.size(), 1u);
  EXPECT_EQ(tasks.tasks["Kestrum"], std::string(kExePath) + "|/S 30000");
  EXPECT_EQ(shortcuts.calls, (std::vector<std::string>{Created("/S 5000"), Deleted(),
                                                       Created("/S 30000"), Deleted()}));
  Pick("");
  EXPECT_TRUE(tasks.tasks.empty());
  EXPECT_EQ(rights.runs, (std::vector<std::string>{Run("/TASK 5000"), Run("/TASK 30000")}));
  EXPECT_EQ(form->StatusBar->PanelText(0), kTaskRemoved);

  for (const TElevation elevation : {TElevation::kEnded, TElevation::kRefused}) {
    tasks.tasks["Kestrum"] = "x";
    tasks.fail = true;
    rights.elevated = {elevation, 0};
    rights.on_run = [this](const std::string& arguments) {
      tasks.fail = false;
      return arguments == kRemoveTaskSwitch && tasks.Remove("Kestrum") ? 0u : 1u;
    };
    Pick("");
    EXPECT_EQ(rights.runs.back(), Run(kRemoveTaskSwitch));
    EXPECT_EQ(form->StatusBar->PanelText(0),
              elevation == TElevation::kEnded ? kTaskRemoved : kElevationRefused);
    EXPECT_EQ(tasks.tasks.empty(), elevation == TElevation::kEnded);
  }
  EXPECT_EQ(profile.WrittenValues("StartTime"), (std::vector<std::string>{"5", "30", "", "", ""}));
}

TEST_F(StartupShortcut, NothingWithoutTheExecutableOrATitle) {
  for (const bool title : {true, false}) {
    SCOPED_TRACE(title);
    exe_exists = !title;
    application.SetTitle(title ? "Kestrum" : "");
    profile = fakes::TFakeProfile();
    Start();
    Pick("5");
    Pick("");
    EXPECT_TRUE(shortcuts.calls.empty());
    EXPECT_TRUE(widgets.warnings.empty());
    EXPECT_TRUE(profile.WrittenValues("StartTime").empty());
  }
}

TEST_F(StartupShortcut, ALinkObjectFailureEndsTheHandlerBeforeTheWrite) {
  Start();
  shortcuts.fail = true;
  EXPECT_THROW(Pick("5"), std::runtime_error);
  EXPECT_THROW(Pick(""), std::runtime_error);
  EXPECT_TRUE(profile.WrittenValues("StartTime").empty());
}

TEST_F(StartupShortcut, SelectingInCodeRunsNothing) {
  profile.Set(kIniPath, "Kestrum", "StartTime", "7");
  Start();
  EXPECT_EQ(form->StartTime->SelectedText(), "7");
  form->StartTime->SetItemIndex(0);
  EXPECT_TRUE(shortcuts.calls.empty());
  EXPECT_TRUE(widgets.warnings.empty());
}

}  // namespace
}  // namespace kestrum::app
