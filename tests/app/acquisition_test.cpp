#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/servers.h"
#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

using fakes::TFakeReply;

constexpr double kSecond = 1.0 / 86400;

class Acquisition : public KestrumFixture {
 protected:
  // The true UTC time of the fake local clock, as the sequence's nine-hour shift sees it.
  base::TDateTime TrueUtc() const { return clock.local_now() - 0.375; }

  static std::vector<std::string> Searching(int from, int to) {
    std::vector<std::string> texts;
    for (int n = from; n <= to; ++n)
      texts.push_back("タイムサーバを検索します(" + std::to_string(n) + ")");
    return texts;
  }
};

TEST_F(Acquisition, NetworkWaitEndsAsInterruptedAfter99FailedProbes) {
  Start();
  probe.otherwise = false;
  form->btn_getClick();

  std::vector<std::string> expected{"インターネット接続中です"};
  for (int n = 1; n <= 99; ++n)
    expected.push_back("インターネット接続待ち(" + std::to_string(n) + ")");
  expected.push_back("タイムサーバ接続中です");
  expected.push_back("中断しました");
  EXPECT_EQ(statuses, expected);
  EXPECT_EQ(probe.urls.size(), 100u);
  EXPECT_EQ(probe.urls.front(), "http://www.msftconnecttest.com/connecttest.txt");
  EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>(99 * 2, 250));  // 500 ms in slices
  EXPECT_TRUE(servers.log.empty());
  EXPECT_TRUE(profile.writes.empty());
  EXPECT_FALSE(State().CancelFlag());
  EXPECT_FALSE(cmd->CancelBtn->Enabled());
  EXPECT_TRUE(form->btn_get->Enabled());
}

TEST_F(Acquisition, CancelDuringNetworkWaitLeavesEarlierResultInPlace) {
  Start();
  probe.otherwise = false;
  form->edt_time->SetText("2026/12/08 12:00:00");
  form->edt_offset->SetText("誤差 0 秒");
  probe.on_probe = [this](int n) {
    EXPECT_EQ(cmd->CancelBtn->Enabled(), true);
    if (n == 3) cmd->CancelBtn->Click();
  };
  form->btn_getClick();
  EXPECT_EQ(probe.urls.size(), 3u);
  EXPECT_EQ(statuses.back(), "中断しました");
  EXPECT_EQ(form->edt_time->Text(), "2026/12/08 12:00:00");
  EXPECT_EQ(form->edt_offset->Text(), "誤差 0 秒");
}

TEST_F(Acquisition, RotationAsksThirteenServersFromWhereTheBoxStarts) {
  struct Case {
    std::string stored;
    std::vector<std::string> asked;
    std::string box_after;
  };
  std::vector<std::string> from_1, from_11{Server(11)}, from_custom{"ntp.example.org"};
  for (size_t k : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1, 2}) from_1.push_back(Server(k));
  for (size_t k : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1}) from_11.push_back(Server(k));
  for (size_t k : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1}) from_custom.push_back(Server(k));
  const Case cases[] = {
      {Server(1), from_1, Server(3)},
      {Server(11), from_11, Server(2)},
      {"ntp.example.org", from_custom, Server(2)},
      // Letter case matters to the rotation: not a list entry, so server 1 follows.
      {"NTP.NICT.JP",
       [&] {
         auto v = from_custom;
         v[0] = "NTP.NICT.JP";
         return v;
       }(),
       Server(2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    profile.Set(kIniPath, "Kestrum", "TimeServer", c.stored);
    statuses.clear();
    servers.log.clear();
    Start();
    form->btn_getClick();

    std::vector<std::string> expected_log;
    for (const auto& host : c.asked) {
      expected_log.push_back("SNTP " + host);
      expected_log.push_back("TIME " + host);
    }
    EXPECT_EQ(servers.log, expected_log);
    std::vector<std::string> expected{"インターネット接続中です", "タイムサーバ接続中です"};
    for (const auto& t : Searching(1, 13)) expected.push_back(t);
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(form->edt_hostname->Text(), c.box_after);
    EXPECT_EQ(cmd->LibPanel4->Caption(), c.asked.back());
    EXPECT_EQ(form->edt_time->Text(), "");
    EXPECT_EQ(State().OffsetHundredths(), 0);
    EXPECT_TRUE(cmd->CancelBtn->Enabled());
  }
}

TEST_F(Acquisition, FailedAttemptsPauseOneSecondAndRememberTheNextServer) {
  Start();
  form->btn_getClick();
  EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>(13 * 4, 250));  // 1000 ms in slices
  // Before each query the server after the one being asked.
  const auto writes = TimeServerWrites();
  ASSERT_EQ(writes.size(), 26u);
  EXPECT_EQ(writes[0], Server(2));
  EXPECT_EQ(writes[1], Server(2));
  EXPECT_EQ(writes[21], "");  // while server 11 is asked
  EXPECT_EQ(writes[25], Server(3));
  EXPECT_EQ(profile.writes[0].path, kIniPath);
  EXPECT_EQ(profile.writes[0].section, "Kestrum");
}

TEST_F(Acquisition, SuccessWritesTheServerThatAnsweredAndShowsTimeAndOffset) {
  struct Case {
    const char* name;
    TFakeReply sntp, time;
    std::vector<std::string> writes;
    const char* status;
    std::vector<std::string> asked;
  };
  const double good = TrueUtc();
  const double before_2000 = base::EncodeDate(1999, 12, 31);
  const Case cases[] = {
      {"sntp",
       {true, good},
       {},
       {Server(2), Server(1)},
       "時刻を取得しました.",
       {"SNTP " + Server(1)}},
      {"sntp fails",
       {false},
       {true, good},
       {Server(2), Server(2), Server(1)},
       "時刻を取得しました..",
       {"SNTP " + Server(1), "TIME " + Server(1)}},
      {"sntp raises",
       {false, 0, 0, true},
       {true, good},
       {Server(2), Server(2), Server(1)},
       "時刻を取得しました..",
       {"SNTP " + Server(1), "TIME " + Server(1)}},
      {"sntp before 2000",
       {true, before_2000},
       {true, good},
       {Server(2), Server(2), Server(1)},
       "時刻を取得しました..",
       {"SNTP " + Server(1), "TIME " + Server(1)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    profile.writes.clear();
    servers.log.clear();
    statuses.clear();
    servers.script = [&c](const std::string& protocol, const std::string&) {
      return protocol == "SNTP" ? c.sntp : c.time;
    };
    Start();
    form->btn_getClick();
    EXPECT_EQ(TimeServerWrites(), c.writes);
    EXPECT_EQ(statuses.back(), c.status);
    EXPECT_EQ(servers.log, c.asked);
    EXPECT_EQ(form->edt_time->Text(), "2026/12/08 12:00:00");
    EXPECT_EQ(form->edt_offset->Text(), "誤差 0 秒");
    EXPECT_EQ(form->edt_hostname->Text(), Server(1));
    EXPECT_EQ(form->edt_hostbox->ItemIndex(), 0);
    EXPECT_EQ(form->ActiveControl(), form->btn_get);
    EXPECT_TRUE(clock.sleeps().empty());
  }
}

TEST_F(Acquisition, FailedAttemptReportsTheTextOfTheLastQueryThatRan) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    TFakeReply sntp, time;
    const char* status;
  };
  const double before_2000 = base::EncodeDate(1999, 12, 31);
  const double closed_at_once = 2.0;  // no bytes read: 1900-01-01
  const double good = TrueUtc();
  const Case cases[] = {
      {"sntp before 2000, time fails",
       {},
       {true, before_2000},
       {false},
       "タイムサーバを検索します(13)"},
      {"sntp fails, time before 2000", {}, {false}, {true, before_2000}, "時刻を取得できません"},
      {"sntp only, before 2000", {"/SU"}, {true, before_2000}, {}, "時刻を取得できません"},
      {"time only, closed at once", {"/ST"}, {}, {true, closed_at_once}, "時刻を取得できません"},
      // The resolver's silence for a name costs one wait per attempt: the Time protocol is not
      // asked the same name again, however well it would answer.
      {"sntp name unanswered, time good",
       {},
       {.answered = false, .name_unanswered = true},
       {true, good},
       "タイムサーバを検索します(13)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    statuses.clear();
    const size_t sleeps_before = clock.sleeps().size();
    servers.script = [&c](const std::string& protocol, const std::string&) {
      return protocol == "SNTP" ? c.sntp : c.time;
    };
    Start(c.arguments);
    form->btn_getClick();
    EXPECT_EQ(statuses.back(), c.status);
    EXPECT_EQ(clock.sleeps().size() - sleeps_before, 13u * 4);  // every attempt failed
    EXPECT_EQ(form->edt_time->Text(), "");
    EXPECT_EQ(form->edt_offset->Text(), "");
    EXPECT_EQ(State().OffsetHundredths(), 0);
  }
}

TEST_F(Acquisition, OffsetIsInHundredthsAndShownInWholeSecondsCutTowardZero) {
  struct Case {
    double seconds_ahead;
    double hundredths;
    const char* text;
    uint32_t pump_ms = 0;  // each pump after the query (a modal loop inside it) takes this long
  };
  const Case cases[] = {
      {0.994, 99, "誤差 0 秒"}, {-3.5, -350, "誤差 -3 秒"},  {-0.5, -50, "誤差 0 秒"},
      {2.5, 250, "誤差 2 秒"},  {-1.0, -100, "誤差 -1 秒"},  {3600.004, 360000, "誤差 3600 秒"},
      {0.0, 0, "誤差 0 秒"},    {0.0, 0, "誤差 0 秒", 3000}, {-0.9, -90, "誤差 0 秒", 3000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.seconds_ahead << " s, pumps of " << c.pump_ms << " ms");
    const double utc = TrueUtc() + c.seconds_ahead * kSecond;
    servers.script = [utc](const std::string&, const std::string&) {
      return TFakeReply{true, utc};
    };
    servers.log.clear();
    at_pump = [&](int) {
      if (!servers.log.empty()) clock.Advance(c.pump_ms);
    };
    Start();
    form->btn_getClick();
    at_pump = nullptr;
    EXPECT_EQ(State().OffsetHundredths(), c.hundredths);
    EXPECT_EQ(form->edt_offset->Text(), c.text);
  }
}

TEST_F(Acquisition, TimeProtocolAnswerTakingASecondOrMoreFails) {
  const double good = TrueUtc();
  servers.script = [good](const std::string& protocol, const std::string& host) {
    if (protocol == "SNTP") return TFakeReply{false};
    if (host == Server(1)) return TFakeReply{true, good, 1200};
    return TFakeReply{true, good, 900};
  };
  Start();
  form->btn_getClick();
  EXPECT_EQ(servers.log, (std::vector<std::string>{"SNTP " + Server(1), "TIME " + Server(1),
                                                   "SNTP " + Server(2), "TIME " + Server(2)}));
  EXPECT_EQ(statuses,
            (std::vector<std::string>{"インターネット接続中です", "タイムサーバ接続中です",
                                      "タイムサーバを検索します(1)", "時刻を取得しました.."}));
  EXPECT_EQ(form->edt_hostname->Text(), Server(2));
  EXPECT_EQ(TimeServerWrites().back(), Server(2));
}

// The limit is counted in milliseconds of the tick clock: 1000 ms is refused and 999 ms taken
// at any time of day (in fractions of days, 1000 ms came out under a second at 00:00:03.988),
// also when the counter wraps during the query.
TEST_F(Acquisition, TimeProtocolAnswerIsTakenOnlyUnderAThousandTickMilliseconds) {
  struct Case {
    base::TDateTime start;
    uint32_t ticks;
    uint32_t duration_ms;
    bool taken;
  };
  const base::TDateTime day = base::EncodeDate(2026, 12, 8);
  const double ms = 1.0 / base::kMSecsPerDay;
  const Case cases[] = {
      {day + 3988 * ms, 1000, 1000, false},  {day + 3988 * ms, 1000, 999, true},
      {day + 0.5, 1000, 1000, false},        {day + 0.5, 0xFFFFFE00u, 999, true},
      {day + 0.5, 0xFFFFFE00u, 1000, false},
  };
  for (const Case& c : cases) {
    clock.set_local_now(c.start);
    clock.set_ticks(c.ticks);
    const double utc = TrueUtc();
    servers.script = [&c, utc](const std::string& protocol, const std::string&) {
      if (protocol == "SNTP") return TFakeReply{false};
      return TFakeReply{true, utc, c.duration_ms};
    };
    statuses.clear();
    Start();
    form->btn_getClick();
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses[2], c.taken ? "時刻を取得しました.." : "タイムサーバを検索します(1)")
        << c.duration_ms << " ms at " << c.start;
  }
}

TEST_F(Acquisition, ProtocolSwitchesChooseWhatIsAsked) {
  struct Case {
    const char* first;
    const char* only;
  };
  for (const Case& c : {Case{"/SU", "SNTP "}, Case{"/ST", "TIME "}}) {
    SCOPED_TRACE(c.first);
    servers.log.clear();
    profile = fakes::TFakeProfile();
    Start({c.first, "0"});
    form->btn_getClick();
    ASSERT_EQ(servers.log.size(), 13u);
    for (const auto& query : servers.log) EXPECT_EQ(query.substr(0, 5), c.only);
    EXPECT_EQ(TimeServerWrites().size(), 13u);  // one write before each query
    EXPECT_EQ(form->ActiveControl(), nullptr);  // unattended: the focus is left alone
  }
}

TEST_F(Acquisition, CancelDuringThePauseLetsTheNextAttemptRunThenInterrupts) {
  for (const bool second_answers : {false, true}) {
    SCOPED_TRACE(second_answers);
    statuses.clear();
    servers.log.clear();
    profile = fakes::TFakeProfile();
    const size_t sleeps_before = clock.sleeps().size();
    const double utc = TrueUtc() + 2 * kSecond + 1000.0 / base::kMSecsPerDay;
    servers.script = [&](const std::string& protocol, const std::string& host) {
      const bool answers = second_answers && protocol == "SNTP" && host == Server(2);
      return TFakeReply{answers, utc};
    };
    Start();
    // The click lands during the pause after the first failure and is handled at the next pump.
    bool clicked = false;
    at_pump = [&](int) {
      if (!clicked && statuses.back() == "タイムサーバを検索します(1)" &&
          clock.sleeps().size() == sleeps_before + 4) {
        cmd->CancelBtn->Click();
        clicked = true;
      }
    };
    form->btn_getClick();
    at_pump = nullptr;
    EXPECT_EQ(servers.log.back().substr(5), Server(2));
    EXPECT_EQ(statuses.back(), "中断しました");
    EXPECT_FALSE(State().CancelFlag());
    if (second_answers) {
      EXPECT_EQ(statuses[statuses.size() - 2], "時刻を取得しました.");
      EXPECT_EQ(State().OffsetHundredths(), 200);
      EXPECT_EQ(form->edt_offset->Text(), "誤差 2 秒");
    } else {
      EXPECT_EQ(statuses[statuses.size() - 2], "タイムサーバを検索します(2)");
      EXPECT_EQ(form->edt_offset->Text(), "");
    }
  }
}

// Under the real budgets (a 5 s probe, a resolver that takes 10 s, 5 s per protocol) the thread
// looks for messages, at a pump or a check, well within the system's 5 s hang timeout.
TEST_F(Acquisition, EveryWaitLooksForMessagesWithinASecond) {
  constexpr uint32_t kProbeMs = 5000, kResolverMs = 10000, kQueryMs = 5000;
  probe.script = {false, false};
  probe.on_probe = [this](int) { clock.Wait(kProbeMs, probe.WaitHook()); };
  servers.script = [](const std::string&, const std::string&) {
    return TFakeReply{false, 0, kResolverMs + kQueryMs};
  };
  uint32_t last = clock.GetTickCount(), longest = 0;
  const auto look = [&] {
    longest = std::max(longest, clock.GetTickCount() - last);
    last = clock.GetTickCount();
  };
  widgets.on_check = look;
  at_pump = [&](int) { look(); };
  Start();
  form->btn_getClick();
  look();
  EXPECT_EQ(servers.log.size(), 26u);
  EXPECT_LT(longest, 1000u);
}

// A settings file that cannot be written is reported once per run, naming the folder, after
// the sequence, which runs as it otherwise would.
TEST_F(Acquisition, FailedSettingsWriteIsReportedOncePerRun) {
  profile.refuse_writes = true;
  const double utc = TrueUtc();
  servers.script = [utc](const std::string&, const std::string&) { return TFakeReply{true, utc}; };
  const std::string report =
      "警告:設定を保存できません。\nフォルダ C:\\Tools\\Kestrum に Environ.ini を書き込めません。"
      "\n書き込みのできるフォルダに Kestrum.exe を移してください。";
  for (const size_t run : {1u, 2u}) {
    Start();
    form->btn_getClick();
    EXPECT_EQ(statuses.back(), "時刻を取得しました.");
    form->btn_getClick();
    EXPECT_EQ(TimeServerWrites().size(), run * 4);  // every write still tried
    EXPECT_EQ(widgets.warnings, std::vector<std::string>(run, report));
  }
}

TEST_F(Acquisition, CloseRequestDuringTheSequenceEndsItAtTheNextLoopTest) {
  Start();
  probe.otherwise = false;
  at_pump = [this](int pump) {
    if (pump == 5) form->Close();
  };
  form->btn_getClick();
  EXPECT_EQ(statuses.back(), "中断しました");
  EXPECT_TRUE(application.Terminated());
  EXPECT_LT(probe.urls.size(), 10u);
}

}  // namespace
}  // namespace kestrum::app
