#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/servers.h"
#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

class FormCreate : public KestrumFixture {};

TEST_F(FormCreate, WithoutSettingsTheFirstServerIsChosenAndTheWindowIsInteractive) {
  Start();
  EXPECT_EQ(State().ExeDir(), "C:\\Tools\\Kestrum");
  EXPECT_EQ(form->edt_hostname->Text(), Server(1));
  ASSERT_EQ(form->edt_hostbox->Items().size(), 13u);
  EXPECT_EQ(form->edt_hostbox->Items()[10], Server(11));
  EXPECT_EQ(form->edt_hostbox->Items()[11], "");
  EXPECT_EQ(form->edt_hostbox->Items()[12], "");
  EXPECT_EQ(form->edt_hostbox->ItemIndex(), 0);
  EXPECT_EQ(form->StartTime->Items().size(), 31u);
  EXPECT_EQ(form->StartTime->SelectedText(), "");
  EXPECT_TRUE(State().SntpEnabled());
  EXPECT_TRUE(State().Rfc868Enabled());
  EXPECT_FALSE(State().Unattended());
  EXPECT_FALSE(State().CancelFlag());
  EXPECT_EQ(State().ProgressColor(), 0x0000FFFFu);
  EXPECT_EQ(State().OffsetHundredths(), 0);
  EXPECT_NE(State().Sntp(), nullptr);
  EXPECT_TRUE(application.ShowMainForm());
  EXPECT_FALSE(form->Timer->Enabled());
  EXPECT_TRUE(profile.writes.empty());
  EXPECT_EQ(profile.reads, (std::vector<std::string>{"TimeServer", "StartTime"}));
}

TEST_F(FormCreate, StoredSettingsSelectTheirEntries) {
  struct Case {
    const char* time_server;
    int host_index;
    const char* start_time;
    int start_index;
  };
  const Case cases[] = {
      {"ntp2.jst.mfeed.ad.jp", 3, "5", 5},
      {"NTP.NICT.JP", 0, "30", 30},       // the list search ignores letter case
      {"ntp.example.org", -1, "31", -1},  // unknown: kept, nothing selected
      {"", 11, "", 0},                    // the first empty entry
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.time_server);
    profile.Set(kIniPath, "Kestrum", "TimeServer", c.time_server);
    profile.Set(kIniPath, "Kestrum", "StartTime", c.start_time);
    Start();
    EXPECT_EQ(form->edt_hostname->Text(), c.time_server);
    EXPECT_EQ(form->edt_hostbox->ItemIndex(), c.host_index);
    EXPECT_EQ(form->StartTime->ItemIndex(), c.start_index);
  }
}

TEST_F(FormCreate, CommandLineSelectsModeDelayProtocolsAndColour) {
  struct Case {
    std::vector<std::string> args;
    bool unattended, sntp, rfc868;
    uint32_t interval;  // of an unattended start
    toolkit::TColor color;
  };
  const Case cases[] = {
      {{"xx/Syy"}, true, true, true, 100, 0x00FFFF},
      {{"/SU/ST"}, true, false, true, 100, 0x00FFFF},
      {{"/Su"}, true, true, true, 100, 0x00FFFF},
      {{"/SU", "5000"}, true, true, false, 5100, 0x00FFFF},
      {{"/S", "2.9"}, true, true, true, 102, 0x00FFFF},
      {{"/S", "clRed"}, true, true, true, 100, 0x0000FF},
      {{"/S", "$0000FF"}, true, true, true, 100, 0x0000FF},
      {{"/S", "0"}, true, true, true, 100, 0x000000},
      {{"/S", "-300"}, true, true, true, 100, 0x00FFFF},
      {{"", "clRed"}, false, true, true, 0, 0x0000FF},
      {{"/X", "clBlue", "/S"}, false, true, true, 0, 0xFF0000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
    toolkit::TApplication fresh{widgets, format_settings};
    toolkit::TApplicationOverride fresh_guard(fresh);
    widgets.taskbar_hidden = false;
    Start(c.args);
    EXPECT_EQ(State().Unattended(), c.unattended);
    EXPECT_EQ(State().SntpEnabled(), c.sntp);
    EXPECT_EQ(State().Rfc868Enabled(), c.rfc868);
    EXPECT_EQ(State().ProgressColor(), c.color);
    EXPECT_EQ(fresh.ShowMainForm(), !c.unattended);
    EXPECT_EQ(widgets.taskbar_hidden, c.unattended);
    EXPECT_EQ(form->Timer->Enabled(), c.unattended);
    EXPECT_EQ(form->btn_get->Enabled(), !c.unattended);
    EXPECT_EQ(form->StartTime->Enabled(), !c.unattended);
    EXPECT_EQ(form->WindowState() == toolkit::TWindowState::wsMinimized, c.unattended);
    if (c.unattended) {
      EXPECT_EQ(form->Timer->Interval(), c.interval);
    }
  }
  EXPECT_TRUE(widgets.errors.empty());
}

TEST_F(FormCreate, ColourErrorIsReportedAndStartUpGoesOn) {
  Start({"/S", "blue"});
  ASSERT_EQ(widgets.errors.size(), 1u);
  EXPECT_EQ(widgets.errors[0], "'blue' は有効な整数値ではありません");
  EXPECT_TRUE(State().Unattended());
  EXPECT_EQ(form->Timer->Interval(), 100u);
  EXPECT_EQ(State().ProgressColor(), 0x0000FFFFu);
}

TEST_F(FormCreate, ShowingTheWindowEndsUnattendedMode) {
  Start({"/S", "5000"});
  form->Show();
  EXPECT_FALSE(State().Unattended());
  EXPECT_FALSE(form->Timer->Enabled());
  EXPECT_TRUE(form->edt_hostname->Enabled());
  EXPECT_TRUE(form->StartTime->Enabled());
  EXPECT_FALSE(form->edt_time->Enabled());  // display boxes stay disabled
  EXPECT_FALSE(form->edt_offset->Enabled());
}

TEST_F(FormCreate, CloseRequestSetsTheCancelFlagAndEndsTheLoop) {
  Start();
  form->Show();
  form->Close();
  EXPECT_TRUE(State().CancelFlag());
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(application.Terminated());
  form->DoDestroy();
  EXPECT_EQ(State().Sntp(), nullptr);
  EXPECT_TRUE(profile.writes.empty());
}

TEST_F(FormCreate, TheThreeBoxesAreFreeTextEditsOfTheLayout) {
  Start();
  for (const TLibEdit* box : {form->edt_hostname, form->edt_time, form->edt_offset}) {
    EXPECT_EQ(box->EditType(), lib::TEditType::Strin) << box->Name();
    EXPECT_EQ(box->ExitMode(), lib::TExitMode::None);
    EXPECT_FALSE(box->EnteringCursorTop());
    EXPECT_TRUE(box->Ctl3D());
    EXPECT_EQ(box->ImeMode(), lib::TImeMode::imClose);
    EXPECT_EQ(box->Bounds().height, 24);
  }
  EXPECT_EQ(form->edt_hostname->Font().color, toolkit::clFuchsia);
  EXPECT_TRUE(form->edt_time->ReadOnly());
  EXPECT_EQ(form->edt_time->Hint(), "Local time");
}

TEST_F(FormCreate, PickingAListEntryPutsItTrimmedIntoTheHostBox) {
  Start();
  form->edt_hostbox->UserSelected(3);
  EXPECT_EQ(form->edt_hostname->Text(), Server(4));
  form->edt_hostbox->UserSelected(12);
  EXPECT_EQ(form->edt_hostname->Text(), "");

  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"ntp.nict.jp  　", "ntp.nict.jp"},
      {"　 ", ""},
      {"a b", "a b"},
      {"\x83\x81@", "\x83\x81@"},  // ャ@: 0x81 0x40 here is a trail byte and '@'
      {"時刻　", "時刻"},
  };
  for (const auto& c : cases) EXPECT_EQ(form->edt_hostname->NormalizeText(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace kestrum::app
