// The unattended run from "/S" to the program's end, on fakes and virtual time.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/servers.h"
#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

using fakes::TFakeReply;

constexpr double kSecond = 1.0 / 86400;

class Unattended : public KestrumFixture {
 protected:
  // What the progress window shows at every pump: status, host line, cancel button.
  struct TSeen {
    std::string status;
    std::string host;
    bool cancel_enabled;
    friend bool operator==(const TSeen&, const TSeen&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TSeen& seen) {
      return out << "{" << seen.status << "|" << seen.host << "|" << seen.cancel_enabled << "}";
    }
  };
  // Virtual milliseconds from the last pump (the last status shown) to now.
  double SinceLastPumpMs() const {
    return (clock.local_now() - last_pump_time) * base::kMSecsPerDay;
  }
  void Watch() {
    at_pump = [this](int) {
      const TSeen now{cmd->LibPanel3->Caption(), cmd->LibPanel4->Caption(),
                      cmd->CancelBtn->Enabled()};
      if (seen.empty() || !(seen.back() == now)) seen.push_back(now);
      last_pump_time = clock.local_now();
      EXPECT_TRUE(cmd->Visible());
      EXPECT_FALSE(application.Terminated());
    };
  }
  std::vector<TSeen> seen;
  base::TDateTime last_pump_time = 0;
};

TEST_F(Unattended, TimerShowsTheProgressWindowSynchronisesAndClosesASecondLater) {
  const double utc = clock.local_now() - 0.375 + 5.5 * kSecond;
  servers.script = [utc](const std::string& protocol, const std::string& host) {
    return TFakeReply{protocol == "SNTP" && host == Server(2), utc};
  };
  Start({"/S", "clRed"});
  Watch();
  EXPECT_FALSE(cmd->Visible());
  EXPECT_TRUE(form->Timer->Enabled());
  form->Timer->Tick();

  EXPECT_FALSE(form->Timer->Enabled());
  EXPECT_EQ(cmd->LibPanel1->Color(), toolkit::clRed);
  EXPECT_EQ(cmd->LibPanel3->EffectiveColor(), toolkit::clRed);
  const std::vector<TSeen> expected{
      {" ", " ", false},  // shown and painted before the run starts
      {"インターネット接続中です", " ", true},
      {"タイムサーバ接続中です", " ", false},
      {"タイムサーバ接続中です", Server(1), false},
      // A failed attempt offers the cancel button again during its pause.
      {"タイムサーバを検索します(1)", Server(1), true},
      {"タイムサーバを検索します(1)", Server(2), true},
      {"時刻を取得しました.", Server(2), true},
      // 5.5 s ahead at the start, less the one-second pause after the failed attempt.
      {"時刻を 4秒 修正しました", Server(2), false},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_NEAR(SinceLastPumpMs(), 1000.0, 0.01);
  EXPECT_EQ(clock.sleeps().back(), 250u);  // the last slice of the closing pause
  EXPECT_TRUE(application.Terminated());
  EXPECT_TRUE(State().CancelFlag());
  EXPECT_FALSE(form->btn_get->Enabled());
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(form->ExitCode(), kExitDone);
}

TEST_F(Unattended, CancelDuringTheNetworkWaitStillCorrectsAndCloses) {
  probe.otherwise = false;
  Start({"/S"});
  Watch();
  statuses.clear();
  probe.on_probe = [this](int n) {
    if (n == 3) cmd->CancelBtn->Click();
  };
  form->Timer->Tick();
  const std::vector<std::string> expected{"",
                                          "インターネット接続中です",
                                          "インターネット接続待ち(1)",
                                          "インターネット接続待ち(2)",
                                          "タイムサーバ接続中です",
                                          "中断しました",
                                          "時刻を取得できません"};
  EXPECT_EQ(statuses, expected);
  EXPECT_TRUE(servers.log.empty());
  EXPECT_TRUE(clock.local_writes().empty());
  EXPECT_NEAR(SinceLastPumpMs(), 1000.0, 0.01);
  EXPECT_TRUE(application.Terminated());
  EXPECT_EQ(form->ExitCode(), kExitCannotObtain);
}

// A colour argument that raises is reported once both windows exist: at logon nobody may close
// the report, and the start timer fires inside its message loop. The run then has its progress
// window, its texts and a cancel button that works.
TEST_F(Unattended, ABadColourIsReportedAndTheRunGoesOnBehindTheReport) {
  probe.otherwise = false;
  TKestrumCmdForm* progress = nullptr;
  std::vector<std::string> shown;
  widgets.on_pump = [&](int) {
    for (toolkit::TComponent* c : widgets.peer_components) {
      if (auto* window = dynamic_cast<TKestrumCmdForm*>(c)) progress = window;
    }
    if (progress == nullptr) return;
    const std::string status = progress->LibPanel3->Caption();
    if (shown.empty() || shown.back() != status) shown.push_back(status);
    if (status == "インターネット接続待ち(2)" && progress->CancelBtn->Enabled()) {
      progress->CancelBtn->Click();
    }
  };
  bool ran_behind_the_report = false;
  widgets.on_error = [&](const std::string&) {
    auto* main = dynamic_cast<TKestrumForm*>(application.MainForm());
    ASSERT_NE(main, nullptr);
    main->Timer->Tick();  // the start delay is over while the report is open
    ran_behind_the_report = true;
  };
  Start({"/S", "blue"});
  EXPECT_TRUE(ran_behind_the_report);
  EXPECT_EQ(widgets.errors, std::vector<std::string>{"'blue' は有効な整数値ではありません"});
  const std::vector<std::string> expected{" ",
                                          "インターネット接続中です",
                                          "インターネット接続待ち(1)",
                                          "インターネット接続待ち(2)",
                                          "タイムサーバ接続中です",
                                          "中断しました",
                                          "時刻を取得できません"};
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(application.Terminated());
  EXPECT_EQ(State().ProgressColor(), kDefaultProgressColor);
}

TEST_F(Unattended, ShowingTheMainWindowFirstStopsTheRun) {
  Start({"/S", "3"});
  form->Show();
  EXPECT_FALSE(form->Timer->Enabled());
  form->Timer->Tick();  // a tick already queued does nothing once the timer is off
  EXPECT_FALSE(cmd->Visible());
  EXPECT_FALSE(application.Terminated());
}

TEST_F(Unattended, WithoutAProgressWindowTheMainWindowRunsAlone) {
  const double utc = clock.local_now() - 0.375 + 5.5 * kSecond;
  servers.script = [utc](const std::string&, const std::string&) { return TFakeReply{true, utc}; };
  form = std::make_unique<TKestrumForm>(Services({"/S"}));
  application.SetMainForm(form.get());
  form->DoCreate();
  form->Timer->Tick();
  const std::vector<std::string> expected{"", "インターネット接続中です", "タイムサーバ接続中です",
                                          "時刻を取得しました.", "時刻を 5秒 修正しました"};
  EXPECT_EQ(statuses, expected);
  EXPECT_EQ(clock.local_writes().size(), 2u);
  EXPECT_TRUE(application.Terminated());
}

TEST_F(Unattended, CancelButtonCallsBackThroughItsFunctionIfItHasOne) {
  int cancels = 0;
  TKestrumCmdForm counting([&cancels] { ++cancels; });
  counting.CancelBtn->Click();
  counting.CancelBtn->Click();
  EXPECT_EQ(cancels, 2);
  TKestrumCmdForm alone(nullptr);
  EXPECT_NO_THROW(alone.CancelBtn->Click());
}

}  // namespace
}  // namespace kestrum::app
