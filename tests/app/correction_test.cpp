#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/status_texts.h"
#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

using base::TSystemTime;
using fakes::TFakeReply;

constexpr double kSecond = 1.0 / 86400;

class Correction : public KestrumFixture {
 protected:
  // Acquires an offset of `hundredths` from a server that answers at once.
  void Acquire(double hundredths, std::vector<std::string> arguments = {}) {
    const double utc = clock.local_now() - 0.375 + hundredths / 100 * kSecond;
    servers.script = [utc](const std::string&, const std::string&) {
      return TFakeReply{true, utc};
    };
    Start(std::move(arguments));
    form->btn_getClick();
    ASSERT_EQ(State().OffsetHundredths(), hundredths);
    statuses.clear();
  }

  TSystemTime Now() { return clock.GetLocalTime(); }
};

TSystemTime Record(int year, int month, int day, int hour, int minute, int second, int ms) {
  TSystemTime t;
  t.wYear = static_cast<uint16_t>(year);
  t.wMonth = static_cast<uint16_t>(month);
  t.wDay = static_cast<uint16_t>(day);
  t.wHour = static_cast<uint16_t>(hour);
  t.wMinute = static_cast<uint16_t>(minute);
  t.wSecond = static_cast<uint16_t>(second);
  t.wMilliseconds = static_cast<uint16_t>(ms);
  t.wDayOfWeek = static_cast<uint16_t>(base::DayOfWeek(base::EncodeDate(year, month, day)) - 1);
  return t;
}

TEST_F(Correction, WholeSecondsDecideAndReportWhileTheFullOffsetIsApplied) {
  struct Case {
    double hundredths;
    size_t writes;
    TSystemTime after;
    const char* status;
  };
  // The fake clock starts at 2026/12/08 12:00:00.000.
  const Case cases[] = {
      {99, 0, Record(2026, 12, 8, 12, 0, 0, 0), "時刻は正常です"},
      {-99, 0, Record(2026, 12, 8, 12, 0, 0, 0), "時刻は正常です"},
      {-100, 2, Record(2026, 12, 8, 11, 59, 59, 0), "時刻を -1秒 修正しました"},
      {250, 2, Record(2026, 12, 8, 12, 0, 2, 500), "時刻を 2秒 修正しました"},
      {-350, 2, Record(2026, 12, 8, 11, 59, 56, 500), "時刻を -3秒 修正しました"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hundredths);
    clock.set_local_now(base::EncodeDate(2026, 12, 8) + 0.5);
    Acquire(c.hundredths);
    const size_t before = clock.local_writes().size();
    form->btn_setClick();
    EXPECT_EQ(clock.local_writes().size() - before, c.writes);
    EXPECT_EQ(Now(), c.after);
    EXPECT_EQ(statuses, std::vector<std::string>{c.status});
    EXPECT_EQ(cmd->LibPanel3->Caption(), c.status);
    EXPECT_EQ(form->ActiveControl(), form->btn_set);
    EXPECT_TRUE(form->btn_get->Enabled());
    // An applied offset is used up; one under a second is left as measured.
    EXPECT_EQ(State().OffsetHundredths(), c.writes == 0 ? c.hundredths : 0);
  }
}

TEST_F(Correction, StepsAcrossMidnightAndMonthEndWriteTheDateFirst) {
  struct Case {
    base::TDateTime start;
    double hundredths;
    TSystemTime date_write, time_write;
  };
  const double ms = 1.0 / base::kMSecsPerDay;
  // The date write carries the old time of day and the old day of the week, as read.
  const auto date_write = [](TSystemTime t, int old_day_of_week) {
    t.wDayOfWeek = static_cast<uint16_t>(old_day_of_week);
    return t;
  };
  const Case cases[] = {
      {base::EncodeDate(2026, 11, 30) + base::EncodeTime(23, 59, 59, 500), 150,
       date_write(Record(2026, 12, 1, 23, 59, 59, 500), 1), Record(2026, 12, 1, 0, 0, 1, 0)},
      {base::EncodeDate(2027, 1, 1) + 300 * ms, -100,
       date_write(Record(2026, 12, 31, 0, 0, 0, 300), 5), Record(2026, 12, 31, 23, 59, 59, 300)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hundredths);
    clock.set_local_now(c.start);
    Acquire(c.hundredths);
    const size_t before = clock.local_writes().size();
    form->btn_setClick();
    ASSERT_EQ(clock.local_writes().size() - before, 2u);
    EXPECT_EQ(clock.local_writes()[before], c.date_write);
    EXPECT_EQ(clock.local_writes()[before + 1], c.time_write);
    EXPECT_EQ(Now(), c.time_write);
  }
}

TEST_F(Correction, ReportFollowsTheBoxesNotTheStep) {
  Acquire(250);
  // An empty entry of the server list empties the host name after the acquisition.
  form->edt_hostbox->UserSelected(static_cast<int>(form->edt_hostbox->Items().size()) - 1);
  ASSERT_EQ(form->edt_hostname->Text(), "");
  form->btn_setClick();
  EXPECT_EQ(Now(), Record(2026, 12, 8, 12, 0, 2, 500));
  EXPECT_EQ(statuses, std::vector<std::string>{"時刻を取得できません"});
}

TEST_F(Correction, AFailedAcquisitionLeavesTheClockAlone) {
  Start();
  form->btn_getClick();  // nothing answers
  statuses.clear();
  form->btn_setClick();
  EXPECT_TRUE(clock.local_writes().empty());
  EXPECT_EQ(statuses, std::vector<std::string>{"時刻を取得できません"});
}

TEST_F(Correction, ARefusedClockWriteIsReported) {
  Acquire(-250);
  clock.refuse_writes(true);
  form->btn_setClick();
  EXPECT_EQ(clock.local_writes().size(), 2u);
  EXPECT_EQ(Now(), Record(2026, 12, 8, 12, 0, 0, 0));
  EXPECT_EQ(statuses, std::vector<std::string>{"時刻を修正できません"});
  EXPECT_EQ(cmd->LibPanel3->Caption(), "時刻を修正できません");
  // The clock did not move: the offset still holds.
  EXPECT_EQ(State().OffsetHundredths(), -250);
}

// Refused in an administrator's filtered run: one elevated unattended run is offered, and its
// exit code becomes the status; an unattended or otherwise refused run asks nothing.
TEST_F(Correction, ARefusalForWantOfTheRightOffersOneElevatedSynchronisation) {
  using platform::TClockRight;
  using platform::TElevation;
  struct Case {
    TClockRight right;
    bool unattended, answer;
    TElevation elevation;
    uint32_t exit_code;
    bool asked;
    const char* status;
  };
  const Case cases[] = {
      {TClockRight::kNeedsElevation, false, true, TElevation::kEnded, 0, true, kElevatedSyncDone},
      {TClockRight::kNeedsElevation, false, true, TElevation::kEnded, 2, true, kCannotCorrect},
      {TClockRight::kNeedsElevation, false, true, TElevation::kEnded, 3, true, kCannotObtain},
      {TClockRight::kNeedsElevation, false, true, TElevation::kRefused, 0, true, kElevationRefused},
      {TClockRight::kNeedsElevation, false, false, TElevation::kEnded, 0, true, kCannotCorrect},
      {TClockRight::kNeedsGrant, false, true, TElevation::kEnded, 0, false, kCannotCorrect},
      {TClockRight::kNeedsElevation, true, true, TElevation::kEnded, 0, false, kCannotCorrect},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    rights.this_process = c.right;
    rights.elevated = {c.elevation, c.exit_code};
    rights.runs.clear();
    widgets.questions.clear();
    widgets.answers = {c.answer};
    clock.refuse_writes(false);
    Acquire(-250, c.unattended ? std::vector<std::string>{"/S", "0"} : std::vector<std::string>{});
    clock.refuse_writes(true);
    form->btn_setClick();
    EXPECT_EQ(widgets.questions.size(), c.asked ? 1u : 0u);
    const bool ran = c.asked && c.answer;
    EXPECT_EQ(rights.runs,
              ran ? std::vector<std::string>{std::string(kExePath) + "|/S 0|C:\\Tools\\Kestrum\\"}
                  : std::vector<std::string>{});
    EXPECT_EQ(form->StatusBar->PanelText(0), c.status);
    EXPECT_EQ(State().OffsetHundredths(), c.status == kElevatedSyncDone ? 0 : -250);
  }
}

// Once applied, the offset is spent: a second press, or a synchronise whose network wait is
// cancelled, finds the clock correct instead of stepping it again.
TEST_F(Correction, AnAppliedOffsetIsNotAppliedAgain) {
  Acquire(250);
  form->btn_setClick();
  EXPECT_EQ(Now(), Record(2026, 12, 8, 12, 0, 2, 500));
  statuses.clear();
  form->btn_setClick();
  EXPECT_EQ(statuses, std::vector<std::string>{"時刻は正常です"});

  statuses.clear();
  probe.otherwise = false;
  const int first = static_cast<int>(probe.urls.size()) + 1;
  probe.on_probe = [this, first](int n) {
    if (n == first) cmd->CancelBtn->Click();
  };
  form->btn_syncClick();
  EXPECT_EQ(statuses.back(), "時刻は正常です");
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "中断しました"), statuses.end());
  EXPECT_EQ(Now(), Record(2026, 12, 8, 12, 0, 2, 500));
  EXPECT_EQ(clock.local_writes().size(), 2u);
  EXPECT_EQ(form->ActiveControl(), form->btn_sync);
}

TEST_F(Correction, UnattendedCorrectionLeavesTheFocusAlone) {
  const double utc = clock.local_now() - 0.375 + 2 * kSecond;
  servers.script = [utc](const std::string&, const std::string&) { return TFakeReply{true, utc}; };
  Start({"/S", "0"});
  form->btn_syncClick();
  EXPECT_EQ(statuses.back(), "時刻を 2秒 修正しました");
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_FALSE(cmd->CancelBtn->Enabled());
}

}  // namespace
}  // namespace kestrum::app
